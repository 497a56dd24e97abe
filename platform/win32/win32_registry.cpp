#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <string>

namespace plat::win32 {
namespace {

::HKEY H(HKey key) { return reinterpret_cast<::HKEY>(key); }

// DWORD and std::uint32_t are both 32 bits, but distinct types under mingw.
struct Dword {
  explicit Dword(std::uint32_t* p) : target(p), value(p ? *p : 0) {}
  ~Dword() {
    if (target) *target = value;
  }
  DWORD* get() { return target ? &value : nullptr; }
  std::uint32_t* target;
  DWORD value;
};

}  // namespace

RegStatus Win32Registry::OpenKeyEx(HKey parent, const char* subKey, std::uint32_t options,
                                   std::uint32_t samDesired, HKey* result) {
  ::HKEY out = nullptr;
  const LONG status = ::RegOpenKeyExA(H(parent), subKey, options, samDesired, &out);
  if (result) *result = status == ERROR_SUCCESS ? reinterpret_cast<HKey>(out) : 0;
  return status;
}

RegStatus Win32Registry::CreateKeyEx(HKey parent, const char* subKey, HKey* result) {
  ::HKEY out = nullptr;
  const LONG status = ::RegCreateKeyExA(H(parent), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                        nullptr, &out, nullptr);
  if (result) *result = status == ERROR_SUCCESS ? reinterpret_cast<HKey>(out) : 0;
  return status;
}

RegStatus Win32Registry::QueryValueEx(HKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                                      std::uint32_t* size) {
  Dword t(type), s(size);
  return ::RegQueryValueExA(H(key), name, nullptr, t.get(), data, s.get());
}

RegStatus Win32Registry::EnumKeyEx(HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength) {
  Dword n(nameLength);
  return ::RegEnumKeyExA(H(key), index, name, n.get(), nullptr, nullptr, nullptr, nullptr);
}

RegStatus Win32Registry::EnumKey(HKey key, std::uint32_t index, char* name, std::uint32_t nameSize) {
  return ::RegEnumKeyA(H(key), index, name, nameSize);
}

RegStatus Win32Registry::EnumValue(HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
  Dword n(nameLength), t(type), d(dataSize);
  return ::RegEnumValueA(H(key), index, name, n.get(), nullptr, t.get(), data, d.get());
}

RegStatus Win32Registry::SetValueEx(HKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                                    std::uint32_t size) {
  return ::RegSetValueExA(H(key), name, 0, type, data, size);
}

RegStatus Win32Registry::DeleteKey(HKey key, const char* subKey) { return ::RegDeleteKeyA(H(key), subKey); }

RegStatus Win32Registry::DeleteValue(HKey key, const char* name) { return ::RegDeleteValueA(H(key), name); }

RegStatus Win32Registry::FlushKey(HKey key) { return ::RegFlushKey(H(key)); }

RegStatus Win32Registry::CloseKey(HKey key) { return ::RegCloseKey(H(key)); }

namespace {

std::wstring Wide(const char* text, int length) {
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, text, length, out.data(), n);
  return out;
}

// Text that goes to the code page and back unchanged, with no character
// replaced by a default one.
bool SurvivesCodePage(const wchar_t* text, int length) {
  if (length == 0) return true;
  BOOL usedDefault = FALSE;
  const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  std::string narrow(n, '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, narrow.data(), n, nullptr, &usedDefault);
  return !usedDefault && Wide(narrow.data(), n) == std::wstring(text, length);
}

}  // namespace

bool Win32Registry::ValueIsExactInCodePage(HKey key, const char* name) {
  // The name as the A calls gave it, back in UTF-16: a name that had
  // characters outside the code page no longer finds its value.
  const std::wstring wideName = Wide(name, -1);
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(H(key), wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (!SurvivesCodePage(wideName.c_str(), static_cast<int>(wideName.size()) - 1)) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return true;
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = size;
  if (::RegQueryValueExW(H(key), wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) !=
      ERROR_SUCCESS)
    return false;
  // An odd byte count has no UTF-16 reading: the A calls pass it through.
  if (got % sizeof(wchar_t)) return true;
  return SurvivesCodePage(data.data(), static_cast<int>(got / sizeof(wchar_t)));
}

}  // namespace plat::win32
