#include "platform/hive/hive_header.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/hive/hive_bytes.h"

namespace plat::hive {
namespace {

constexpr std::size_t kBaseBlock = 4096;

}  // namespace

std::uint32_t HeaderChecksum(const unsigned char* block) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 508; i += 4) sum ^= Le32(block + i);
  if (sum == 0xFFFFFFFFu) sum = 0xFFFFFFFEu;
  if (sum == 0) sum = 1;
  return sum;
}

HiveHeader ReadHiveHeader(const std::string& path) {
  HiveHeader h;
  std::error_code ec;
  h.fileSize = std::filesystem::file_size(path, ec);
  if (ec) {
    h.reason = "cannot be read";
    return h;
  }
  unsigned char block[kBaseBlock] = {};
  std::ifstream in(path, std::ios::binary);
  if (h.fileSize < kBaseBlock || !in.read(reinterpret_cast<char*>(block), kBaseBlock)) {
    h.reason = "shorter than a hive's base block";
    return h;
  }
  if (std::memcmp(block, "regf", 4) != 0) {
    h.reason = "no hive signature";
    return h;
  }
  h.primarySequence = Le32(block + 4);
  h.secondarySequence = Le32(block + 8);
  h.binsSize = Le32(block + 40);
  if (HeaderChecksum(block) != Le32(block + 508)) {
    h.reason = "its base block's checksum is wrong";
    return h;
  }
  if (h.binsSize == 0 || h.binsSize % kBaseBlock != 0 || kBaseBlock + std::uint64_t{h.binsSize} > h.fileSize) {
    h.reason = "its header claims " + std::to_string(h.binsSize) + " bytes of hive bins, the file holds " +
               std::to_string(h.fileSize > kBaseBlock ? h.fileSize - kBaseBlock : 0) + " (cut short?)";
    return h;
  }
  if (h.primarySequence != h.secondarySequence) {
    h.state = HiveHeader::State::kDirty;
    h.reason = "its log holds changes not yet written into it (sequence numbers " +
               std::to_string(h.primarySequence) + " and " + std::to_string(h.secondarySequence) + ")";
    return h;
  }
  h.state = HiveHeader::State::kClean;
  return h;
}

}  // namespace plat::hive
