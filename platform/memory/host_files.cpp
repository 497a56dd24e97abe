#include "platform/memory/host_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace plat::memory {

bool ReadHostFile(const std::string& path, std::string& bytes, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error = path + ": no such file";
    return false;
  }
  // Read at once into a string of the file's size: a string stream copied
  // a registry file of 45 MB three times, a fifth of a whole scan.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": cannot be opened: " + std::strerror(errno);
    return false;
  }
  struct stat st;
  std::string contents;
  if (::fstat(fd, &st) == 0 && st.st_size > 0) contents.resize(static_cast<std::size_t>(st.st_size));
  std::size_t filled = 0;
  bool failed = false;
  bool atEnd = false;
  while (!atEnd && filled < contents.size()) {
    const ssize_t n = ::read(fd, contents.data() + filled, contents.size() - filled);
    if (n < 0 && errno == EINTR) continue;
    failed = n < 0;
    atEnd = n <= 0;
    if (n > 0) filled += static_cast<std::size_t>(n);
  }
  contents.resize(filled);
  // A file that grew while it was read is read to its end.
  char more[65536];
  while (!atEnd) {
    const ssize_t n = ::read(fd, more, sizeof more);
    if (n < 0 && errno == EINTR) continue;
    failed = n < 0;
    atEnd = n <= 0;
    if (n > 0) contents.append(more, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (failed) {
    error = path + ": read failed";
    return false;
  }
  bytes = std::move(contents);
  return true;
}

std::string UnusedName(const std::string& base) {
  std::error_code ec;
  if (!std::filesystem::exists(base, ec) && !ec) return base;
  for (int n = 2; n < 100000; ++n) {
    std::string name = base + "-" + std::to_string(n);
    if (!std::filesystem::exists(name, ec) && !ec) return name;
  }
  return {};
}

bool WriteHostFileAtomically(const std::string& path, const std::string& bytes, std::string& error) {
  const std::string temp = path + ".tmp-tidemarrow";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = temp + ": cannot be created: " + std::strerror(errno);
    return false;
  }
  bool ok = WriteAll(fd, bytes);
  if (!ok) error = temp + ": write failed: " + std::strerror(errno);
  if (ok && ::fsync(fd) != 0) {
    error = temp + ": cannot be flushed: " + std::strerror(errno);
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    error = temp + ": cannot be closed: " + std::strerror(errno);
    ok = false;
  }
  std::error_code ec;
  if (!ok) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    error = path + ": cannot be replaced: " + ec.message();
    std::filesystem::remove(temp, ec);
    return false;
  }
  if (!SyncDirectory(std::filesystem::path(path).parent_path().string())) {
    error = path + ": its directory cannot be flushed: " + std::strerror(errno);
    return false;
  }
  return true;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace plat::memory
