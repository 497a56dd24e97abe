#include "platform/hive/hive_log.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/hive/hive_bytes.h"
#include "platform/hive/hive_header.h"
#include "platform/memory/host_files.h"

namespace plat::hive {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBaseBlock = 4096;
constexpr std::size_t kSector = 512;
constexpr std::uint64_t kLogSeed = 0x82EF4D887A4E55C5ull;

std::uint32_t U32(const std::string& b, std::size_t at) {
  if (at + 4 > b.size()) return 0;
  return Le32(reinterpret_cast<const unsigned char*>(b.data() + at));
}

std::uint64_t U64(const std::string& b, std::size_t at) {
  return U32(b, at) | (static_cast<std::uint64_t>(U32(b, at + 4)) << 32);
}

void Put32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool ValidBaseBlock(const std::string& b) {
  return b.size() >= kSector && b.compare(0, 4, "regf") == 0 &&
         HeaderChecksum(reinterpret_cast<const unsigned char*>(b.data())) == U32(b, 508);
}

std::uint32_t Rotl(std::uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

void MarvinBlock(std::uint32_t& p0, std::uint32_t& p1) {
  p1 ^= p0;
  p0 = Rotl(p0, 20);
  p0 += p1;
  p1 = Rotl(p1, 9);
  p1 ^= p0;
  p0 = Rotl(p0, 27);
  p0 += p1;
  p1 = Rotl(p1, 19);
}

// The hive as recovered so far: base block and hive bins data.
struct Hive {
  std::string bytes;
  void Grow(std::uint32_t binsSize) {
    if (bytes.size() < kBaseBlock + binsSize) bytes.resize(kBaseBlock + binsSize, '\0');
  }
  bool Write(std::size_t binsOffset, const char* data, std::size_t length) {
    if (kBaseBlock + binsOffset + length > bytes.size()) return false;
    std::memcpy(bytes.data() + kBaseBlock + binsOffset, data, length);
    return true;
  }
  void Settle(std::uint32_t sequence, std::uint32_t binsSize) {
    Put32(bytes, 4, sequence);
    Put32(bytes, 8, sequence);
    Put32(bytes, 28, 0);  // a primary file again
    Put32(bytes, 40, binsSize);
    // The file keeps its length: what lies past the bins is padding.
    if (bytes.size() < kBaseBlock + binsSize) bytes.resize(kBaseBlock + binsSize);
    Put32(bytes, 508, HeaderChecksum(reinterpret_cast<const unsigned char*>(bytes.data())));
  }
};

// The old format: a base block copy, "DIRT" and a bitmap of dirty 512-byte
// pages, then the pages in bitmap order.
bool ApplyOldLog(Hive& hive, const std::string& log, std::size_t& pages, std::string& why) {
  const std::uint32_t cluster = std::max<std::uint32_t>(1, U32(log, 44));
  const std::size_t vector = cluster * kSector;
  if (log.size() < vector + 4 || log.compare(vector, 4, "DIRT") != 0) {
    why = "no dirty vector";
    return false;
  }
  const std::uint32_t binsSize = U32(log, 40);
  const std::size_t bits = binsSize / kSector;
  const std::size_t bitmapEnd = vector + 4 + (bits + 7) / 8;
  std::size_t at = (bitmapEnd + kSector - 1) / kSector * kSector;
  hive.Grow(binsSize);
  for (std::size_t bit = 0; bit < bits; ++bit) {
    if (!(static_cast<unsigned char>(log[vector + 4 + bit / 8]) & (1u << (bit % 8)))) continue;
    if (at + kSector > log.size() || !hive.Write(bit * kSector, log.data() + at, kSector)) {
      why = "the log ends before its dirty pages do";
      return false;
    }
    at += kSector;
    ++pages;
  }
  hive.Settle(U32(log, 4), binsSize);
  return true;
}

// The new format: log entries from the second sector on. Entries are
// applied from `expected` on while each is whole, its hashes are right and
// the next carries the next sequence number.
std::uint32_t ApplyNewLog(Hive& hive, const std::string& log, std::uint32_t expected, std::size_t& pages,
                          std::uint32_t& binsSize) {
  std::uint32_t last = 0;
  for (std::size_t at = kSector; at + 40 <= log.size();) {
    if (log.compare(at, 4, "HvLE") != 0) break;
    const std::uint32_t size = U32(log, at + 4);
    const std::uint32_t sequence = U32(log, at + 12);
    const std::uint32_t entryBins = U32(log, at + 16);
    const std::uint32_t count = U32(log, at + 20);
    if (size < 40 || size % kSector || at + size > log.size() || entryBins % kBaseBlock || entryBins == 0) break;
    const auto* entry = reinterpret_cast<const unsigned char*>(log.data() + at);
    if (Marvin32(entry + 40, size - 40, kLogSeed) != U64(log, at + 24) ||
        Marvin32(entry, 32, kLogSeed) != U64(log, at + 32))
      break;
    if (sequence != expected) {
      // Old entries, already in the hive, come before the ones to apply.
      if (last == 0 && sequence < expected) {
        at += size;
        continue;
      }
      break;
    }
    if (40 + std::uint64_t{count} * 8 > size) break;
    hive.Grow(entryBins);
    std::size_t data = at + 40 + count * 8;
    bool whole = true;
    for (std::uint32_t i = 0; i < count && whole; ++i) {
      const std::uint32_t offset = U32(log, at + 40 + i * 8), length = U32(log, at + 44 + i * 8);
      whole = data + length <= at + size && hive.Write(offset, log.data() + data, length);
      data += length;
      pages += whole;
    }
    if (!whole) break;
    binsSize = entryBins;
    last = sequence;
    ++expected;
    at += size;
  }
  return last;
}

}  // namespace

std::uint64_t Marvin32(const unsigned char* data, std::size_t length, std::uint64_t seed) {
  std::uint32_t p0 = static_cast<std::uint32_t>(seed), p1 = static_cast<std::uint32_t>(seed >> 32);
  std::size_t i = 0;
  for (; i + 4 <= length; i += 4) {
    p0 += data[i] | (data[i + 1] << 8) | (data[i + 2] << 16) | (static_cast<std::uint32_t>(data[i + 3]) << 24);
    MarvinBlock(p0, p1);
  }
  std::uint32_t final = 0x80;
  for (std::size_t k = 0; i + k < length; ++k) final = (final << 8) | data[length - 1 - k];
  p0 += final;
  MarvinBlock(p0, p1);
  MarvinBlock(p0, p1);
  return (static_cast<std::uint64_t>(p1) << 32) | p0;
}

std::vector<std::string> HiveLogs(const std::string& path) {
  std::vector<std::string> logs;
  const fs::path p(path);
  std::error_code ec;
  for (const char* suffix : {".LOG", ".LOG1", ".LOG2"}) {
    std::string wanted = p.filename().string() + suffix;
    std::transform(wanted.begin(), wanted.end(), wanted.begin(), ::tolower);
    for (fs::directory_iterator d(p.parent_path().empty() ? "." : p.parent_path(), ec), end; !ec && d != end;
         d.increment(ec)) {
      std::string name = d->path().filename().string();
      std::transform(name.begin(), name.end(), name.begin(), ::tolower);
      if (name == wanted && d->is_regular_file(ec) && d->file_size(ec) > 0) logs.push_back(d->path().string());
    }
  }
  return logs;
}

LogRecovery RecoverHive(const std::string& path) {
  LogRecovery r;
  std::string primary, why;
  if (!memory::ReadHostFile(path, primary, why)) {
    r.reason = why;
    return r;
  }
  const bool baseValid = ValidBaseBlock(primary);
  r.dirty = !baseValid || U32(primary, 4) != U32(primary, 8);
  if (!r.dirty) {
    r.reason = "not dirty";
    return r;
  }
  struct Log {
    std::string path, bytes;
    std::uint32_t type, sequence;
  };
  std::vector<Log> logs;
  for (const auto& name : HiveLogs(path)) {
    Log log{name, "", 0, 0};
    if (!memory::ReadHostFile(name, log.bytes, why) || !ValidBaseBlock(log.bytes)) continue;
    log.type = U32(log.bytes, 28);
    log.sequence = U32(log.bytes, 4);
    logs.push_back(std::move(log));
  }
  Hive hive{primary};
  if (!baseValid) {
    // The base block comes from the newest log that has a valid copy of it.
    const Log* newest = nullptr;
    for (const auto& log : logs)
      if (!newest || log.sequence > newest->sequence) newest = &log;
    if (!newest) {
      r.reason = "its base block is damaged and no log holds a copy of it";
      return r;
    }
    hive.bytes.replace(0, kSector, newest->bytes, 0, kSector);
    Put32(hive.bytes, 28, 0);
  }
  std::vector<const Log*> newFormat;
  for (const auto& log : logs) {
    if (log.type == 6) {
      newFormat.push_back(&log);
    } else if ((log.type == 1 || log.type == 2) && U32(log.bytes, 4) == U32(log.bytes, 8) &&
               (!baseValid || U64(log.bytes, 12) == U64(primary, 12)) && r.logsUsed.empty()) {
      // The first valid old-format log written for this state of the hive.
      if (ApplyOldLog(hive, log.bytes, r.pagesApplied, why)) r.logsUsed.push_back(log.path);
    }
  }
  if (r.logsUsed.empty() && !newFormat.empty()) {
    // Entries from both logs, the log with the earlier entries first; each
    // continues where the other stopped.
    std::sort(newFormat.begin(), newFormat.end(), [](const Log* a, const Log* b) { return a->sequence < b->sequence; });
    if (!baseValid) newFormat.erase(newFormat.begin(), newFormat.end() - 1);
    std::uint32_t expected = newFormat.front()->sequence, last = 0, binsSize = U32(hive.bytes, 40);
    if (baseValid) expected = std::max(expected, U32(primary, 8));
    for (const Log* log : newFormat) {
      const std::uint32_t applied = ApplyNewLog(hive, log->bytes, expected, r.pagesApplied, binsSize);
      if (applied == 0) continue;
      r.logsUsed.push_back(log->path);
      last = applied;
      expected = applied + 1;
    }
    if (last) hive.Settle(last, binsSize);
  }
  if (r.logsUsed.empty()) {
    r.reason = "no log beside it holds the changes it lacks";
    return r;
  }
  r.recovered = true;
  r.hive = std::move(hive.bytes);
  r.reason = std::to_string(r.pagesApplied) + " pages from " + std::to_string(r.logsUsed.size()) + " log(s)";
  return r;
}

bool WriteRecoveredHive(const std::string& path, const LogRecovery& recovery, const std::string& stamp,
                        std::vector<std::string>& kept, std::string& error) {
  std::error_code ec;
  auto dated = [&](const std::string& file) { return memory::UnusedName(file + ".tidemarrow-" + stamp); };
  std::string bytes, why;
  const std::string hiveCopy = dated(path);
  if (hiveCopy.empty()) {
    error = path + ": no free name is left beside it to keep the original under; nothing was changed";
    return false;
  }
  if (!memory::ReadHostFile(path, bytes, why) || !memory::WriteHostFileAtomically(hiveCopy, bytes, why)) {
    error = path + ": the original could not be kept (" + why + "); nothing was changed";
    return false;
  }
  kept.push_back(hiveCopy);
  if (!memory::WriteHostFileAtomically(path, recovery.hive, why)) {
    error = path + ": the recovered hive could not be written (" + why + "); the hive is as it was";
    return false;
  }
  // The logs are set aside once the recovered hive is on the disk: a crash
  // before this leaves a clean hive beside logs it does not need.
  for (const auto& log : HiveLogs(path)) {
    const std::string aside = dated(log);
    if (!aside.empty()) fs::rename(log, aside, ec);
    if (aside.empty() || ec) {
      error = log + ": could not be set aside: " + (aside.empty() ? "no free name is left beside it" : ec.message());
      return false;
    }
    kept.push_back(aside);
  }
  memory::SyncDirectory(fs::path(path).parent_path().string());
  return true;
}

}  // namespace plat::hive
