#include "platform/hive/stored_cells.h"

#include "platform/hive/hive_bytes.h"

namespace plat::hive {
namespace {

// libhivex's limits: a key with more subkeys or values, or subkey lists
// more deeply nested, is an error to it.
constexpr std::uint64_t kMaxSubkeys = 70000;
constexpr std::uint64_t kMaxValues = 110000;
constexpr std::uint64_t kMaxValueLength = 8000000;
constexpr unsigned kMaxListDepth = 32;
constexpr std::uint64_t kFirstBin = 0x1000;  // offsets in a hive count from here

// Where a key record keeps its counts and lists, from its cell's start.
constexpr std::uint64_t kSubkeyCountAt = 24;
constexpr std::uint64_t kSubkeyListAt = 32;
constexpr std::uint64_t kValueCountAt = 40;
constexpr std::uint64_t kValueListAt = 44;
constexpr std::uint64_t kKeyFieldsEnd = 48;
// And a value record its data: its length (the top bit set when the data,
// four bytes at most, stands in place of the offset), where it lies, its type.
constexpr std::uint64_t kDataLengthAt = 8;
constexpr std::uint64_t kDataAt = 12;
constexpr std::uint64_t kTypeAt = 16;
constexpr std::uint64_t kValueFieldsEnd = 24;
constexpr std::uint32_t kDataInPlace = 0x80000000u;

}  // namespace

const unsigned char* StoredCells::At(std::uint64_t offset) const {
  return reinterpret_cast<const unsigned char*>(file_.data()) + offset;
}

// Nothing is read here from a hive that libhivex's strict open would
// refuse: its base block, its hive bins and cells, and its root key are
// checked as that open checks them (sums and offsets in 32 bits, as it
// makes them), and where any check fails, or a stricter one made here,
// nothing is read here.
StoredCells::StoredCells(std::string_view file) : file_(file) {
  if (!BaseBlockAccepted() || !MarkCellsInUse() || !KeyAt(root_)) {
    file_ = {};
    cells_.clear();
  }
}

bool StoredCells::BaseBlockAccepted() {
  constexpr std::size_t kSmallestHive = 0x2000;
  constexpr std::uint64_t kRootAt = 36, kSumAt = 508;
  if (file_.size() < kSmallestHive || file_.compare(0, 4, "regf") != 0 || Le32(At(20)) != 1) return false;
  // libhivex's sum: the words XORed, without the two values Windows moves
  // aside (HeaderChecksum), which libhivex would call wrong.
  std::uint32_t sum = 0;
  for (std::uint64_t at = 0; at < kSumAt; at += 4) sum ^= Le32(At(at));
  if (sum != Le32(At(kSumAt))) return false;
  root_ = static_cast<std::uint32_t>(Le32(At(kRootAt)) + kFirstBin);
  return true;
}

// The cells in use, found as libhivex's strict open finds them: hive bins
// one after another up to the end the header gives, cells one after another
// in each bin; false where that open would have refused the hive.
bool StoredCells::MarkCellsInUse() {
  if (file_.size() < kFirstBin + 32) return false;
  cells_.assign(file_.size() / 4 / 64 + 1, 0);
  const std::uint64_t binsEnd = static_cast<std::uint32_t>(Le32(At(40)) + kFirstBin);
  std::uint64_t binSize = 0;
  for (std::uint64_t bin = kFirstBin; bin < file_.size() && bin < binsEnd; bin += binSize) {
    if (file_.size() - bin < 32) return false;
    binSize = Le32(At(bin + 8));
    if (file_.compare(bin, 4, "hbin") != 0 || binSize <= 32 || binSize % 0x1000 != 0 ||
        bin + binSize > file_.size() || std::uint64_t{Le32(At(bin + 4))} + kFirstBin != bin)
      return false;
    std::uint64_t length = 0;
    for (std::uint64_t cell = bin + 32; cell < bin + binSize; cell += length) {
      length = CellLength(At(cell));
      if (length <= 4 || length % 4 != 0 || cell + length > bin + binSize) return false;
      if (CellInUse(At(cell))) cells_[cell / 4 / 64] |= std::uint64_t{1} << (cell / 4 % 64);
    }
  }
  return true;
}

bool StoredCells::CellAt(std::uint64_t offset) const {
  return offset % 4 == 0 && offset >= kFirstBin && offset < file_.size() &&
         (cells_[offset / 4 / 64] >> (offset / 4 % 64) & 1) != 0;
}

bool StoredCells::KeyAt(std::uint64_t offset) const {
  return CellAt(offset) && file_.compare(offset + 4, 2, "nk") == 0;
}

bool StoredCells::Children(hive_node_h node, std::vector<hive_node_h>& out) const {
  out.clear();
  if (!KeyAt(node) || file_.size() - node < kKeyFieldsEnd) return false;
  const std::uint64_t count = Le32(At(node + kSubkeyCountAt));
  if (count == 0) return true;
  if (count > kMaxSubkeys) return false;
  const std::uint64_t list = std::uint64_t{Le32(At(node + kSubkeyListAt))} + kFirstBin;
  std::size_t lists = 0;
  if (!CellAt(list) || !Collect(list, count, 0, lists, out) || out.size() != count) {
    out.clear();
    return false;
  }
  return true;
}

// One subkey list: "lf" and "lh" give each subkey with a hash of its name,
// "li" without, "ri" gives lists of those.
bool StoredCells::Collect(std::uint64_t list, std::size_t limit, unsigned depth, std::size_t& lists,
                        std::vector<hive_node_h>& out) const {
  if (++lists > kMaxSubkeys) return false;
  const std::uint64_t length = CellLength(At(list));
  const std::uint64_t entries = Le16(At(list + 6));
  const std::string_view id = file_.substr(list + 4, 2);
  const bool hashed = id == "lf" || id == "lh";
  if (!hashed && id != "li" && id != "ri") return false;
  const std::uint64_t stride = hashed ? 8 : 4;
  if (8 + entries * stride > length) return false;
  for (std::uint64_t i = 0; i < entries; ++i) {
    const std::uint64_t target = std::uint64_t{Le32(At(list + 8 + i * stride))} + kFirstBin;
    if (id == "ri") {
      if (!CellAt(target) || depth >= kMaxListDepth || !Collect(target, limit, depth + 1, lists, out)) return false;
      continue;
    }
    if (!KeyAt(target) || out.size() >= limit) return false;
    out.push_back(target);
  }
  return true;
}

bool StoredCells::Values(hive_node_h node, std::vector<hive_value_h>& out) const {
  out.clear();
  if (!KeyAt(node) || file_.size() - node < kKeyFieldsEnd) return false;
  const std::uint64_t count = Le32(At(node + kValueCountAt));
  if (count == 0) return true;
  if (count > kMaxValues) return false;
  const std::uint64_t list = std::uint64_t{Le32(At(node + kValueListAt))} + kFirstBin;
  if (!CellAt(list) || 4 + count * 4 > CellLength(At(list))) return false;
  out.reserve(count);
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t value = std::uint64_t{Le32(At(list + 4 + i * 4))} + kFirstBin;
    if (!CellAt(value)) {
      out.clear();
      return false;
    }
    out.push_back(value);
  }
  return true;
}

bool StoredCells::ValueData(hive_value_h value, std::uint32_t& type, std::string_view& data) const {
  if (!CellAt(value) || file_.size() - value < kValueFieldsEnd || file_.compare(value + 4, 2, "vk") != 0)
    return false;
  type = Le32(At(value + kTypeAt));
  const std::uint32_t declared = Le32(At(value + kDataLengthAt));
  const std::uint64_t length = declared & ~kDataInPlace;
  if (length > kMaxValueLength) return false;
  if (declared & kDataInPlace) {
    if (length > 4) return false;
    data = file_.substr(value + kDataAt, length);
    return true;
  }
  // Data longer than its cell is held in a list of blocks: libhivex reads it.
  const std::uint64_t cell = std::uint64_t{Le32(At(value + kDataAt))} + kFirstBin;
  if (!CellAt(cell) || length > CellLength(At(cell)) - 4) return false;
  data = file_.substr(cell + 4, length);
  return true;
}

}  // namespace plat::hive
