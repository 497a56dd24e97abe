#include "platform/win32/win32_services.h"

#include <windows.h>

#include <algorithm>

namespace plat::win32 {
namespace {

// Owns one file handle.
class File {
 public:
  explicit File(HANDLE h) : h_(h) {}
  ~File() {
    if (ok()) ::CloseHandle(h_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  bool Close() {
    const bool closed = !ok() || ::CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE h_;
};

bool WriteAll(HANDLE h, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    if (!::WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

}  // namespace

std::uint32_t Win32Environment::GetVariable(const char* name, char* buffer, std::uint32_t size) {
  return ::GetEnvironmentVariableA(name, buffer, size);
}

std::uint32_t Win32Environment::QueryWindowsDirectory(char* buffer, std::uint32_t size) {
  return ::GetWindowsDirectoryA(buffer, size);
}

Atom Win32Atoms::Add(const char* name) {
  std::lock_guard<std::mutex> lock(mutex_);
  lastValid_ = false;
  return ::GlobalAddAtomA(name);
}

Atom Win32Atoms::Find(const char* name) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto now = std::chrono::steady_clock::now();
  if (lastValid_ && lastName_ == name && now - lastAsked_ < std::chrono::milliseconds(1)) return lastAtom_;
  lastAtom_ = ::GlobalFindAtomA(name);
  lastName_ = name;
  lastAsked_ = now;
  lastValid_ = true;
  return lastAtom_;
}

Atom Win32Atoms::Delete(Atom atom) {
  std::lock_guard<std::mutex> lock(mutex_);
  lastValid_ = false;
  return ::GlobalDeleteAtom(atom);
}

int Win32MessageBoxes::Show(const std::string& text, unsigned style) {
  return ::MessageBoxA(static_cast<HWND>(owner_), text.c_str(), "Tidemarrow", style);
}

LocalTime Win32Clock::Now() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool Win32Files::CanOpenForRead(const std::string& path) {
  File f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  return f.ok();
}

bool Win32Files::ReadFile(const std::string& path, std::string& contents) {
  return ReadFileFrom(path, 0, contents);
}

bool Win32Files::AppendFile(const std::string& path, const std::string& bytes) {
  File f(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f.ok()) return false;
  const bool written = WriteAll(f.get(), bytes);
  return f.Close() && written;
}

bool Win32Files::AppendFileDurably(const std::string& path, const std::string& bytes) {
  File f(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f.ok()) return false;
  LARGE_INTEGER start{}, zero{};
  if (!::SetFilePointerEx(f.get(), zero, &start, FILE_END)) return false;
  const bool written = WriteAll(f.get(), bytes) && ::FlushFileBuffers(f.get());
  if (!written) {
    // A full disk can take part of the bytes: they are cut off again.
    ::SetFilePointerEx(f.get(), start, nullptr, FILE_BEGIN);
    ::SetEndOfFile(f.get());
    ::FlushFileBuffers(f.get());
  }
  return f.Close() && written;
}

bool Win32Files::ReadFileFrom(const std::string& path, std::uint64_t offset, std::string& contents) {
  File f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f.ok()) return false;
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(f.get(), at, nullptr, FILE_BEGIN)) return false;
  std::string out;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) break;
    out.append(buffer, got);
  }
  contents = std::move(out);
  return true;
}

bool Win32Files::TruncateFile(const std::string& path, std::uint64_t length) {
  File f(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr));
  if (!f.ok()) return false;
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(length);
  const bool cut = ::SetFilePointerEx(f.get(), at, nullptr, FILE_BEGIN) && ::SetEndOfFile(f.get()) &&
                   ::FlushFileBuffers(f.get());
  return f.Close() && cut;
}

bool Win32Files::ReplaceFileContents(const std::string& path, const std::string& bytes) {
  const DWORD existing = ::GetFileAttributesA(path.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return false;
  const std::string temp = path + ".tmp-tidemarrow";
  {
    File f(::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.ok()) return false;
    const bool written = WriteAll(f.get(), bytes) && ::FlushFileBuffers(f.get());
    if (!f.Close() || !written) {
      ::DeleteFileA(temp.c_str());
      return false;
    }
  }
  if (!::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ::DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

bool Win32Files::Rename(const std::string& from, const std::string& to) {
  return ::MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool Win32Files::Remove(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool Win32Files::SetAttributes(const std::string& path, unsigned attributes) {
  return ::SetFileAttributesA(path.c_str(), attributes) != 0;
}

bool Win32Files::ListFiles(const std::string& directory, std::vector<std::string>& names) {
  std::string pattern = directory;
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
  } while (::FindNextFileA(find, &data));
  ::FindClose(find);
  return true;
}

}  // namespace plat::win32
