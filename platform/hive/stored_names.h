// Key and value names read straight from a hive file's bytes as libhivex
// mapped them: UTF-16 units as stored, or a byte per unit for a name the
// hive keeps compressed. libhivex gives each name through iconv as UTF-8,
// which the tree then turns back into UTF-16: for 200,000 keys and their
// values that round trip cost more than the rest of reading the hive.
// A name that is not plainly readable so (outside its cell or the file, of
// an odd length, holding a NUL or a surrogate) is not read here: the caller
// asks libhivex, whose answer or error is then the one it always was.
#pragma once

#include <hivex.h>

#include <string>
#include <string_view>

namespace plat::hive {

class StoredNames {
 public:
  // `file`: the whole file, from its first byte; empty when it is not known.
  explicit StoredNames(std::string_view file) : file_(file) {}
  bool KeyName(hive_node_h node, std::u16string& name) const;
  bool ValueName(hive_value_h value, std::u16string& name) const;

 private:
  std::string_view file_;
};

}  // namespace plat::hive
