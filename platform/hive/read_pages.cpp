#include "platform/hive/read_pages.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <utility>

namespace plat::hive {

std::uint64_t ReadPages::Resident() {
  std::FILE* statm = std::fopen("/proc/self/statm", "re");
  if (!statm) return 0;
  unsigned long long size = 0, resident = 0;
  const bool read = std::fscanf(statm, "%llu %llu", &size, &resident) == 2;
  std::fclose(statm);
  return read ? resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)) : 0;
}

ReadPages::ReadPages(const std::string& path, std::uint64_t residentBefore) : residentBefore_(residentBefore) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return;
  std::FILE* maps = std::fopen("/proc/self/maps", "re");
  if (!maps) return;
  char line[4096];
  while (std::fgets(line, sizeof line, maps)) {
    std::uintptr_t start = 0, end = 0;
    unsigned long long offset = 0, inode = 0;
    unsigned devMajor = 0, devMinor = 0;
    char perms[8] = {};
    if (std::sscanf(line, "%" SCNxPTR "-%" SCNxPTR " %7s %llx %x:%x %llu", &start, &end, perms, &offset, &devMajor,
                    &devMinor, &inode) != 7)
      continue;
    // The whole file from its start, readable and not writable: libhivex's
    // mapping for reading (a hive opened for writing is read into memory).
    if (inode != st.st_ino || devMajor != major(st.st_dev) || devMinor != minor(st.st_dev) || offset != 0 ||
        perms[0] != 'r' || perms[1] == 'w' || end - start < static_cast<std::uintptr_t>(st.st_size))
      continue;
    address_ = reinterpret_cast<void*>(start);
    length_ = end - start;
    fileSize_ = static_cast<std::size_t>(st.st_size);
    break;
  }
  std::fclose(maps);
}

ReadPages ReadPages::Map(const std::string& path, std::uint64_t residentBefore) {
  ReadPages pages;
  pages.residentBefore_ = residentBefore;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return pages;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    void* address = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (address != MAP_FAILED) {
      pages.address_ = address;
      pages.owned_ = true;
      pages.length_ = pages.fileSize_ = static_cast<std::size_t>(st.st_size);
    }
  }
  ::close(fd);
  return pages;
}

ReadPages::~ReadPages() {
  if (owned_) ::munmap(address_, length_);
}

ReadPages::ReadPages(ReadPages&& other) noexcept
    : address_(other.address_),
      owned_(other.owned_),
      length_(other.length_),
      fileSize_(other.fileSize_),
      residentBefore_(other.residentBefore_) {
  other.address_ = nullptr;
  other.owned_ = false;
}

ReadPages& ReadPages::operator=(ReadPages&& other) noexcept {
  if (this != &other) {
    ReadPages gone(std::move(*this));
    address_ = std::exchange(other.address_, nullptr);
    owned_ = std::exchange(other.owned_, false);
    length_ = other.length_;
    fileSize_ = other.fileSize_;
    residentBefore_ = other.residentBefore_;
  }
  return *this;
}

void ReadPages::Release() const {
  if (address_) ::madvise(address_, length_, MADV_DONTNEED);
}

void ReadPages::ReleaseBefore(std::uint64_t offset) const {
  if (!address_) return;
  const std::uint64_t page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  const std::uint64_t end = std::min<std::uint64_t>(offset / page * page, length_);
  // Most of the file still ahead of a reading that has grown the process
  // past its limit: giving back only what lies behind would not bring it
  // down.
  const std::uint64_t resident = Resident();
  const std::uint64_t limit = residentBefore_ + fileSize_ / 2 * 3;
  if (resident == 0 || (resident > limit && length_ - end > fileSize_ / 2)) return Release();
  if (end > 0) ::madvise(address_, static_cast<std::size_t>(end), MADV_DONTNEED);
}

}  // namespace plat::hive
