// Writes a registry hive file (the regf format Windows keeps its hives in)
// from a key of a registry, for tests and benchmarks: no Debian package ships
// a hive to start from.
#pragma once

#include <string>

#include "platform/registry.h"

namespace testing_support {

// The key hive\path and everything below it becomes the hive's root and its
// tree. String values are stored as UTF-16, as Windows stores them. False,
// with a reason, when the file cannot be written.
// `exclude` names a key below path left out (as NTUSER.DAT leaves out
// Software\Classes, which UsrClass.dat holds).
bool WriteHive(plat::IRegistry& registry, plat::HKey hive, const std::string& path, const std::string& hostFile,
               std::string& error, const std::string& exclude = "");

// Lays out a Windows partition under `root` from a registry and a drive
// directory: the drive's files, WINDOWS\system32\config with a hive for
// each of SAM, SECURITY, SOFTWARE and SYSTEM that the registry has, and the
// profile `user` with NTUSER.DAT and UsrClass.dat.
bool WriteWindowsPartition(plat::IRegistry& registry, const std::string& driveDirectory, const std::string& root,
                           const std::string& user, std::string& error);

}  // namespace testing_support
