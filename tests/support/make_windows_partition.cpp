// make_windows_partition IMAGE_DIR ROOT: writes the machine image's registry
// as hive files of a Windows partition under ROOT, with its drive's files.
#include <cstdio>

#include "platform/memory/machine_image.h"
#include "platform/registry_tree.h"
#include "tests/support/hive_writer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_windows_partition IMAGE_DIR ROOT\n");
    return 2;
  }
  plat::memory::MachineImage image;
  std::string error;
  if (!image.Load(plat::memory::ImageDirectory(argv[1]), error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  plat::DeleteTree(image.registry(), plat::kLocalMachine, "HARDWARE");
  if (!testing_support::WriteWindowsPartition(image.registry(), std::string(argv[1]) + "/drive_c", argv[2], "User",
                                              error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return 0;
}
