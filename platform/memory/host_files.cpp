#include "platform/memory/host_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace plat::memory {

bool ReadHostFile(const std::string& path, std::string& bytes, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error = path + ": no such file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be opened: " + std::strerror(errno);
    return false;
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) {
    error = path + ": read failed";
    return false;
  }
  bytes = ss.str();
  return true;
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
