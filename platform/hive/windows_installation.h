// An offline Windows installation under a mounted partition: its hives, its
// Windows directory, a user's profile, and the environment its own registry
// gives, loaded into a machine image.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/hive/hive_store.h"
#include "platform/memory/machine_image.h"

namespace plat::hive {

struct WindowsSpec {
  std::string root;  // the partition's directory (drive C:)
  std::string user;  // a profile name; empty: the only one there is
  std::string work;  // where the program's own files go when its key is absent
};

// Fills the image: HKEY_LOCAL_MACHINE holds SAM, SECURITY, SOFTWARE and
// SYSTEM as the installation has them (HARDWARE exists only while Windows
// runs), HKEY_CURRENT_USER the profile's NTUSER.DAT with its UsrClass.dat as
// Software\Classes, CurrentControlSet links to the control set in use, and
// the image's registry is saved by writing the hives back. `notes` says what
// the user should know (read-only hives, the working directory used).
bool LoadWindowsInstallation(const WindowsSpec& spec, memory::MachineImage& image, std::unique_ptr<HiveStore>& store,
                             std::vector<std::string>& notes, std::string& error);

// Every hive file of the installation: those of system32\config and each
// profile's NTUSER.DAT and UsrClass.dat, in either profile layout.
std::vector<std::string> InstallationHives(const std::string& root);

// The file or directory `name` in `directory`, found without regard to case.
bool FindEntry(const std::string& directory, const std::string& name, std::string& path);

}  // namespace plat::hive
