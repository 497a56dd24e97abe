// Replaying a hive's transaction logs, as Windows does when it loads a hive
// left dirty by a crash: the log Windows 2000 and XP write (".LOG": a copy
// of the base block, a vector of dirty 512-byte pages, the pages) and the
// one Windows 8.1 and later write (".LOG1"/".LOG2": log entries, each with
// its sequence number, Marvin32 hashes and the pages it dirtied).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat::hive {

struct LogRecovery {
  bool dirty = false;      // the hive needs its logs
  bool recovered = false;  // and they gave a consistent hive
  std::string hive;        // the recovered file's bytes
  std::vector<std::string> logsUsed;
  std::size_t pagesApplied = 0;
  std::string reason;      // why it could not be recovered, or what was done
};

// The Marvin32 hash log entries carry, with the seed the registry uses.
std::uint64_t Marvin32(const unsigned char* data, std::size_t length, std::uint64_t seed);

// Reads the hive at `path` and the logs beside it (NAME.LOG, NAME.LOG1,
// NAME.LOG2, found without regard to case) and, when the hive is dirty,
// replays them in memory. Nothing on the disk is changed.
LogRecovery RecoverHive(const std::string& path);
// The logs beside a hive, whichever exist.
std::vector<std::string> HiveLogs(const std::string& path);

// Writes a recovery over the hive, as Windows would on its next start: the
// recovered hive goes to a temporary file that is flushed and renamed over
// the hive, after the hive and every log beside it have been kept as dated
// copies ("NAME.tidemarrow-YYMMDD-HHMMSS"); the logs are then set aside under
// those names, so that they are never replayed over the recovered hive.
// `kept` gets the copies' names. On failure the hive is as it was.
bool WriteRecoveredHive(const std::string& path, const LogRecovery& recovery, const std::string& stamp,
                        std::vector<std::string>& kept, std::string& error);

}  // namespace plat::hive
