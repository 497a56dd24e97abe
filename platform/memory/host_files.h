// Whole files on the host, for images and registry files.
#pragma once

#include <string>

namespace plat::memory {

bool ReadHostFile(const std::string& path, std::string& bytes, std::string& error);
// Writes a temporary file beside the target, flushes it, renames it over the
// target and flushes the directory, so that a failure or a crash leaves the
// old file or the new one, never a mixture, and success means both are on
// the disk.
bool WriteHostFileAtomically(const std::string& path, const std::string& bytes, std::string& error);
// `base`, or `base-2`, `base-3`, ... whichever is first not there, for a
// copy that must never replace an earlier one; empty when every name up to a
// limit is taken.
std::string UnusedName(const std::string& base);
// Writes all the bytes to a file descriptor, as far as the system takes them.
bool WriteAll(int fd, const std::string& bytes);
// fsync of a directory, so that a rename or a new file in it is on the disk.
bool SyncDirectory(const std::string& directory);

}  // namespace plat::memory
