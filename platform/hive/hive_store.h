// The hive files of one Windows installation, served through the in-memory
// registry: each hive is read whole with libhivex into the registry at its
// mount point (HKLM\SOFTWARE, HKCU, ...), and changes are written back once,
// when a job ends, by replaying the difference onto the hive with libhivex,
// committing to a temporary file beside it, flushing it, keeping the original
// as a dated copy and renaming the new file over it.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/memory/memory_registry.h"

namespace plat::hive {

struct HiveMount {
  std::string hostPath;   // the hive file
  HKey hive = kLocalMachine;
  std::string mountPath;  // where its root appears, e.g. "SOFTWARE"; "" for the hive's root
};

class HiveStore {
 public:
  HiveStore();
  ~HiveStore();
  // Reads every hive. A hive whose log holds changes not yet written into it
  // (its two sequence numbers differ), or that libhivex reads only in its
  // lenient mode, is loaded read-only and `notes` says so. False, with a
  // reason, when a hive cannot be read at all; nothing is then loaded.
  bool Load(const std::vector<HiveMount>& mounts, memory::MemoryRegistry& registry, std::vector<std::string>& notes,
            std::string& error);
  // Keys that exist only while the image is open (CurrentControlSet, keys
  // the CLI adds for itself): never written to a hive. Paths from the hive
  // of the mount, e.g. "SYSTEM\\CurrentControlSet".
  void AddVolatile(HKey hive, const std::string& path);
  // Writes back every writable hive whose tree differs from what was read.
  // A read-only hive that changed is an error; nothing of it is written.
  bool Commit(memory::MemoryRegistry& registry, const LocalTime& now, std::string& error);
  // Names of the files written by the last Commit.
  const std::vector<std::string>& Written() const { return written_; }

 private:
  struct Loaded;
  bool Read(const HiveMount& mount, IRegistry& into, bool lenient, std::string& error);
  bool Write(Loaded& loaded, memory::MemoryRegistry& registry, const LocalTime& now, std::string& error);
  std::vector<std::unique_ptr<Loaded>> hives_;
  std::set<std::pair<HKey, std::u16string>> volatile_;
  std::vector<std::string> written_;
};

}  // namespace plat::hive
