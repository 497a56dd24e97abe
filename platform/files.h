// Files as the core uses them: Windows paths ("C:\WINDOWS\x.dll"), whole-file
// reads, appends and atomic replacement. A backend maps the paths onto real
// files; every operation reports failure through its result and changes
// nothing it could not finish.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

namespace attr {
inline constexpr unsigned kReadOnly = 0x1;
inline constexpr unsigned kHidden = 0x2;
inline constexpr unsigned kSystem = 0x4;
inline constexpr unsigned kArchive = 0x20;
}  // namespace attr

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // True when path names a regular file that can be opened for reading.
  virtual bool CanOpenForRead(const std::string& path) = 0;
  // The whole file's bytes. False (contents unchanged) when it cannot be read.
  virtual bool ReadFile(const std::string& path, std::string& contents) = 0;
  // Appends bytes, creating the file when missing. False when it cannot be
  // opened or written; bytes written before a failure stay.
  virtual bool AppendFile(const std::string& path, const std::string& bytes) = 0;
  // Like AppendFile, and the bytes are on the disk when it returns true. On
  // failure the file is cut back to the length it had before the call, so a
  // write the system ended part-way leaves no partial line behind.
  virtual bool AppendFileDurably(const std::string& path, const std::string& bytes) = 0;
  // The file's bytes from `offset` to its end, read from the disk again.
  virtual bool ReadFileFrom(const std::string& path, std::uint64_t offset, std::string& contents) = 0;
  // Cuts the file to `length` bytes and flushes it.
  virtual bool TruncateFile(const std::string& path, std::uint64_t length) = 0;
  // Replaces the file's contents atomically (temporary file flushed, then
  // renamed over the old one, then the directory flushed): on failure the
  // old file is untouched.
  virtual bool ReplaceFileContents(const std::string& path, const std::string& bytes) = 0;
  // Fails when the target exists or the source is missing.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual bool Remove(const std::string& path) = 0;
  // SetFileAttributesA with the attr:: bits.
  virtual bool SetAttributes(const std::string& path, unsigned attributes) = 0;
  // Names (not paths) of the regular files in a directory, in no given order.
  virtual bool ListFiles(const std::string& directory, std::vector<std::string>& names) = 0;
};

}  // namespace plat
