// Subkey lists, value lists and value data read straight from a hive
// file's bytes as libhivex mapped them. libhivex gives each list as an array
// it allocates and grows one entry at a time, and each value's data as a
// copy: for a hive of 200,000 keys that costs as much as a bare walk of the
// hive. They are read here by libhivex's own rules for a hive it opened
// strictly (cells that start where its scan of the hive bins found a cell in
// use, its limits, the counts and lengths the records give), so that an
// answer given here is the one libhivex would give; whatever those rules
// refuse, or data held in a list of blocks, is not read here, and the caller
// asks libhivex, whose answer or error is then the one it always was.
#pragma once

#include <hivex.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace plat::hive {

class StoredCells {
 public:
  // `file`: the whole file, from its first byte; empty when it is not known.
  // Nothing is read here from a file libhivex would not open strictly
  // (without HIVEX_OPEN_UNSAFE).
  explicit StoredCells(std::string_view file);
  // Whether the file passed every check of libhivex's strict open: what
  // that open would give is read here, and libhivex is needed only for
  // what is not.
  bool Accepted() const { return !file_.empty(); }
  // The root key, as libhivex's hivex_root gives it; only when Accepted.
  hive_node_h Root() const { return root_; }
  // The key's subkeys or values in the order its lists hold them; false
  // when they are not read here.
  bool Children(hive_node_h node, std::vector<hive_node_h>& out) const;
  bool Values(hive_node_h node, std::vector<hive_value_h>& out) const;
  // A value's type and its data where it lies in the file; false when it is
  // not read here.
  bool ValueData(hive_value_h value, std::uint32_t& type, std::string_view& data) const;

 private:
  bool CellAt(std::uint64_t offset) const;
  bool KeyAt(std::uint64_t offset) const;
  bool Collect(std::uint64_t list, std::size_t limit, unsigned depth, std::size_t& lists,
               std::vector<hive_node_h>& out) const;
  bool BaseBlockAccepted();
  bool MarkCellsInUse();
  const unsigned char* At(std::uint64_t offset) const;

  std::string_view file_;
  std::vector<std::uint64_t> cells_;  // a bit per 4-byte offset where a cell in use starts
  hive_node_h root_ = 0;
};

}  // namespace plat::hive
