#include "platform/win32/win32_html_help.h"

namespace plat::win32 {
namespace {

using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

struct Loader {
  HMODULE library = nullptr;
  HtmlHelpFunction entry = nullptr;
  bool failed = false;
};

Loader& State() {
  static Loader loader;
  return loader;
}

}  // namespace

HWND CallHtmlHelp(HWND owner, const char* file, UINT command, DWORD_PTR data) {
  Loader& s = State();
  if (!s.library && !s.failed) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", 0,
                        KEY_READ, &key) == ERROR_SUCCESS) {
      char path[261] = {};
      DWORD size = 260;
      if (::RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size) ==
          ERROR_SUCCESS) {
        path[size < 260 ? size : 260] = '\0';
        s.library = ::LoadLibraryA(path);
      }
      ::RegCloseKey(key);
    }
    if (!s.library) s.library = ::LoadLibraryA("hhctrl.ocx");
    if (!s.library) {
      s.failed = true;
      return nullptr;
    }
  }
  if (!s.library) return nullptr;
  if (!s.entry) {
    s.entry = reinterpret_cast<HtmlHelpFunction>(
        reinterpret_cast<void*>(::GetProcAddress(s.library, MAKEINTRESOURCEA(14))));
    if (!s.entry) {
      s.failed = true;
      return nullptr;
    }
  }
  return s.entry(owner, file, command, data);
}

}  // namespace plat::win32
