// Hive files: any bytes are read through the hive store (strictly, then
// leniently) or refused; a damaged hive never hangs the reading, whatever its
// cells point at.
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "platform/hive/hive_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/tidemarrow-fuzz-hive-" + std::to_string(getpid());
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  plat::memory::MemoryRegistry registry;
  plat::hive::HiveStore store;
  std::vector<std::string> notes;
  std::string error;
  store.Load({{path, plat::kLocalMachine, "SOFTWARE"}}, registry, notes, error);
  return 0;
}
