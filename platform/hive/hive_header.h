// The base block at the start of every hive file: what it says about the
// file's state, checked before anything is read through it.
#pragma once

#include <cstdint>
#include <string>

namespace plat::hive {

struct HiveHeader {
  enum class State { kClean, kDirty, kDamaged } state = State::kDamaged;
  std::string reason;               // why it is damaged or dirty
  std::uint32_t primarySequence = 0;
  std::uint32_t secondarySequence = 0;
  std::uint32_t binsSize = 0;        // the hive bins' size the header claims
  std::uint64_t fileSize = 0;
};

// The XOR of the base block's first 127 double words, as Windows computes it.
std::uint32_t HeaderChecksum(const unsigned char* block);
// Checks signature, checksum and the hive bins' size against the file, and
// whether the sequence numbers say a log holds changes not in the file.
HiveHeader ReadHiveHeader(const std::string& path);

}  // namespace plat::hive
