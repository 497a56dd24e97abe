// The pages of a hive file mapped to read it: a mapping of its own, or the
// one libhivex made when it opened the file. Either maps the whole file and
// keeps it mapped while the hive is read, so reading a hive of 170 MiB into
// the registry's tree would hold both at once. Giving back the pages already
// read every so often keeps the process's memory to the tree and a few
// pages of the file: a page read again is mapped again from the page cache.
// libhivex's mapping is found by the file's device and inode in
// /proc/self/maps (libhivex does not give its address); where it cannot be
// found, nothing is given back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plat::hive {

class ReadPages {
 public:
  ReadPages() = default;
  // Call just after libhivex has opened `path`, with what the process held
  // before it did (Resident()).
  explicit ReadPages(const std::string& path, std::uint64_t residentBefore = 0);
  // A mapping of `path` of its own, for reading, given up with this; empty
  // when the file cannot be mapped.
  static ReadPages Map(const std::string& path, std::uint64_t residentBefore);
  ~ReadPages();
  ReadPages(ReadPages&& other) noexcept;
  ReadPages& operator=(ReadPages&& other) noexcept;
  // The process's resident memory in bytes, or 0 when it cannot be read.
  static std::uint64_t Resident();
  // Gives the mapped pages back; the mapping itself stays valid.
  void Release() const;
  // Gives back the pages before `offset` of the file (a reading that moves
  // forward needs them no more), or all of them while more than half the
  // file lies ahead and the process holds more than 1.5 times the file
  // beside what it held before the file was opened (keys that lie in no
  // order or backwards), so that the file's pages never stand beside the
  // whole tree read from it.
  void ReleaseBefore(std::uint64_t offset) const;
  bool Found() const { return address_ != nullptr; }
  // The file's bytes as mapped; empty when the mapping was not found.
  std::string_view File() const {
    return address_ ? std::string_view(static_cast<const char*>(address_), fileSize_) : std::string_view();
  }

 private:
  void* address_ = nullptr;
  bool owned_ = false;  // mapped here, and unmapped with this
  std::size_t length_ = 0;
  std::size_t fileSize_ = 0;
  std::uint64_t residentBefore_ = 0;  // what the process held before the file was mapped
};

}  // namespace plat::hive
