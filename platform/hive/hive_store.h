// The hive files of one Windows installation, served through the in-memory
// registry. Each hive is read once with libhivex into the registry's tree at
// its mount point (HKLM\SOFTWARE, HKCU, ...), keeping every name and data
// byte exactly as stored and where each key stands in the file. When a job
// ends, what it changed (and only that) is written back: every changed hive
// is committed to a temporary file beside it and flushed, the originals are
// kept as dated copies, and then the new files replace the hives, all of them
// or, if one fails, none.
//
// A hive is never written when its header or its cells show damage, or when
// its log holds changes that are not in it (see `recover`): it is read as it
// is, and the store refuses every change to it. A key whose names or values
// libhivex cannot decode is read-only on its own, so that nothing of it is
// dropped by a rewrite.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/hive/hive_header.h"
#include "platform/memory/memory_registry.h"

namespace plat::hive {

struct HiveMount {
  std::string hostPath;   // the hive file
  HKey hive = kLocalMachine;
  std::string mountPath;  // where its root appears, e.g. "SOFTWARE"; "" for the hive's root
};

struct HiveState {
  HiveMount mount;
  HiveHeader header;
  bool readOnly = false;
  std::string reason;               // why it is read-only
  std::size_t unreadableParts = 0;  // names, values or lists that could not be read
  std::size_t readOnlyKeys = 0;     // keys kept read-only because of them
  std::size_t keys = 0;
  std::size_t values = 0;
  std::string Describe() const;
};

class HiveStore {
 public:
  HiveStore();
  ~HiveStore();
  // Reads every hive. A hive that cannot be read at all is an error (with a
  // reason) and nothing is loaded; a damaged or dirty one is loaded
  // read-only, and `notes` says which and why.
  bool Load(const std::vector<HiveMount>& mounts, memory::MemoryRegistry& registry, std::vector<std::string>& notes,
            std::string& error);
  // A key that exists only while the image is open (the program's own key
  // when the installation has none), made even inside a read-only hive and
  // never written to a hive.
  void AddVolatileKey(memory::MemoryRegistry& registry, HKey hive, const std::string& path);
  // Marks an existing key (a link such as CurrentControlSet) as never written.
  void MarkVolatile(memory::MemoryRegistry& registry, HKey hive, const std::string& path);
  // Writes back every hive the jobs changed; all of them or none. A change
  // to a read-only hive is an error, and then nothing is written.
  bool Commit(memory::MemoryRegistry& registry, const LocalTime& now, std::string& error);
  // The read-only hive that holds hive\path, with its reason; empty when the
  // key may be changed.
  std::string ReadOnlyReason(HKey hive, const std::string& path) const;
  const std::vector<HiveState>& States() const { return states_; }
  // Names of the files written by the last Commit.
  const std::vector<std::string>& Written() const { return written_; }

 private:
  struct Loaded;
  std::vector<std::unique_ptr<Loaded>> hives_;
  std::vector<HiveState> states_;
  std::vector<std::string> written_;
};

}  // namespace plat::hive
