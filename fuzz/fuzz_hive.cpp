// Hive files: any bytes are read through the hive store or refused; a
// damaged hive never hangs the reading, whatever its cells point at. A hive
// the store will write is then changed (a key added with values, a key
// deleted), committed and read again: what comes back is what was in memory.
// Bytes the store reads without libhivex are bytes libhivex opens strictly,
// at the same root key.
#include <hivex.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/hive/hive_store.h"
#include "platform/hive/stored_cells.h"
#include "platform/registry_tree.h"

namespace {

// Every key and value below SOFTWARE as the A calls give them.
std::string Dump(plat::IRegistry& reg, const std::string& path, int depth = 0) {
  std::string out = "[" + path + "]\n";
  plat::HKey key = 0;
  if (depth > 64 || reg.OpenKeyEx(plat::kLocalMachine, path.c_str(), 0, plat::kKeyRead, &key) != 0) return out;
  char name[512];
  std::string data(70000, '\0');
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t nl = sizeof name, type = 0, size = static_cast<std::uint32_t>(data.size());
    if (reg.EnumValue(key, i, name, &nl, &type, reinterpret_cast<std::uint8_t*>(data.data()), &size) != 0) break;
    out += std::string(name, nl) + "=" + std::to_string(type) + ":" + data.substr(0, size) + "\n";
  }
  std::vector<std::string> children;
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t nl = sizeof name;
    if (reg.EnumKeyEx(key, i, name, &nl) != 0) break;
    children.emplace_back(name, nl);
  }
  reg.CloseKey(key);
  for (const auto& c : children)
    if (c.find('\\') == std::string::npos) out += Dump(reg, path + "\\" + c, depth + 1);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/tidemarrow-fuzz-hive-" + std::to_string(getpid());
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  if (const plat::hive::StoredCells cells(std::string_view(reinterpret_cast<const char*>(data), size));
      cells.Accepted()) {
    hive_h* h = hivex_open(path.c_str(), 0);
    if (!h || hivex_root(h) != cells.Root()) std::abort();
    hivex_close(h);
  }
  plat::memory::MemoryRegistry registry;
  plat::hive::HiveStore store;
  std::vector<std::string> notes;
  std::string error;
  if (!store.Load({{path, plat::kLocalMachine, "SOFTWARE"}}, registry, notes, error)) return 0;
  if (store.States()[0].readOnly) return 0;
  plat::HKey key = 0;
  if (registry.CreateKeyEx(plat::kLocalMachine, "SOFTWARE\\Fuzzed\\Deeper", &key) == 0) {
    const std::string text = "C:\\x\0", bytes("\x01\x02\x03", 3);
    registry.SetValueEx(key, "", plat::regtype::kSz, reinterpret_cast<const std::uint8_t*>(text.data()), 5);
    registry.SetValueEx(key, "b", plat::regtype::kBinary, reinterpret_cast<const std::uint8_t*>(bytes.data()), 3);
    registry.CloseKey(key);
  }
  if (registry.OpenKeyEx(plat::kLocalMachine, "SOFTWARE", 0, plat::kKeyRead, &key) == 0) {
    char first[512];
    std::uint32_t nl = sizeof first;
    const bool any = registry.EnumKeyEx(key, 0, first, &nl) == 0;
    registry.CloseKey(key);
    if (any && std::string(first, nl) != "Fuzzed" && std::string(first, nl).find('\\') == std::string::npos)
      plat::DeleteTree(registry, plat::kLocalMachine, "SOFTWARE\\" + std::string(first, nl));
  }
  const std::string before = Dump(registry, "SOFTWARE");
  const bool committed = store.Commit(registry, plat::LocalTime{2026, 1, 1, 0, 0, 0}, error);
  // The original a commit keeps: removed, so that every input finds the same
  // name free and a long run leaves one file behind, not thousands.
  std::remove((path + ".tidemarrow-260101-000000").c_str());
  if (!committed) return 0;
  plat::memory::MemoryRegistry again;
  plat::hive::HiveStore reread;
  if (!reread.Load({{path, plat::kLocalMachine, "SOFTWARE"}}, again, notes, error)) std::abort();
  if (Dump(again, "SOFTWARE") != before) std::abort();
  return 0;
}
