// The tree the in-memory registry keeps, exposed to the stores that fill it
// and write it back (registry text, hive files). Names are kept exactly as
// stored (UTF-16, as Windows keeps them); the code-page form the A calls
// give is made when they ask. Data is kept as stored, and string data read
// from a hive stays UTF-16 until an A call asks for it. What a job changes
// is marked, so that a store writes back only that.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/folded_index.h"
#include "platform/memory/unit_pool.h"

namespace plat::memory {

// A value keeps its name only as stored: the code-page and upper-cased forms
// are made when asked for. Name and data share one block (a hive holds
// hundreds of thousands of values: two strings each cost three times the
// memory of what they hold). UTF-16 string data that is all ASCII, as
// nearly all of a hive's is, is held a byte a unit, which gives back the
// same bytes whole (a hive's strings are a third of the tree's memory).
class RegValue {
 public:
  RegValue() = default;
  // Its name and data in one block, from `pool` when one is given (a hive
  // being read) and it has the room.
  RegValue(std::u16string_view wideName, std::uint32_t type, std::string_view data, bool utf16,
           UnitPool* pool = nullptr);
  RegValue(RegValue&&) noexcept = default;
  RegValue& operator=(RegValue&&) noexcept = default;

  std::u16string_view Wide() const { return {units_.get(), nameUnits_}; }
  // The bytes as stored.
  std::string Data() const;
  std::uint32_t Type() const { return type_; }
  // Whether string data is held as UTF-16LE (as read from a hive).
  bool Utf16() const { return utf16_; }
  // New type and data under the same name.
  void SetData(std::uint32_t type, std::string_view data, bool utf16);

  // The data as the A calls give it: string types held as UTF-16 are
  // converted to the code page, everything else is passed through.
  std::string AnsiData() const;
  // The same straight into a caller's buffer (values are read by the
  // hundred thousand): its length, then its bytes, which need that room.
  std::size_t AnsiSize() const;
  void AnsiInto(char* out) const;
  // Whether the A calls give name and data without loss.
  bool ExactInCodePage() const;
  // The name as the A calls give it ('?' for what the code page lacks).
  std::string Name() const;

 private:
  void Fill(std::u16string_view wideName, std::string_view data, UnitPool* pool);
  // Where the data lies in the block, as stored or a byte a unit.
  const char* Held() const { return reinterpret_cast<const char*>(units_.get() + nameUnits_); }
  // String data held as UTF-16 units, where it lies; empty otherwise.
  std::optional<std::u16string_view> StoredUtf16() const;
  Units units_;  // the name's units, then the data's bytes
  std::uint32_t nameUnits_ = 0;
  std::uint32_t dataSize_ = 0;  // of the data as stored
  std::uint32_t type_ = 0;
  bool utf16_ = false;
  bool ascii_ = false;  // UTF-16 string data held a byte a unit
};

// A key's name as stored, in a block of its own: 16 bytes where a string
// takes 32 (and nine keys in ten have names too long to be held inside a
// string anyway: class ids, "InprocServer32").
class KeyName {
 public:
  KeyName() = default;
  KeyName& operator=(std::u16string_view name) { return Assign(name, nullptr); }
  // From `pool` when one is given and it has the room.
  KeyName& Assign(std::u16string_view name, UnitPool* pool);
  operator std::u16string_view() const { return {units_.get(), size_}; }

 private:
  Units units_;
  std::uint32_t size_ = 0;
};

struct RegNode {
  // The name as stored; compared as Windows compares names, upper-cased
  // as it is read (no second, upper-cased copy kept per key).
  KeyName wide;
  // The children, in order of folded name while `sorted` (a hive lists its
  // subkeys so, and so do most registry files, so reading them never sorts):
  // found then by binary search. A long list, or one added to out of order,
  // is searched through an index of positions until enumeration sorts it
  // again or removes from it. Either way, no key with 100,000 subkeys and
  // no walk by index costs quadratic time, and a key with few children
  // costs no table.
  std::vector<std::shared_ptr<RegNode>> children;
  std::vector<RegValue> values;   // creation order

  // Where the key stands in the file it was read from (0: new), and what a
  // job changed since: its values (`valuesChanged`), and the children it
  // removed (children it added are those with no origin).
  std::uint64_t origin = 0;
  const std::vector<std::uint64_t>& RemovedOrigins() const;
  void AddRemovedOrigin(std::uint64_t removed);
  void ClearRemovedOrigins();
  // A link key opens its target instead (null for any other key).
  const std::shared_ptr<RegNode>& Link() const;
  void SetLink(std::shared_ptr<RegNode> target);

  // The flags together, a bit each (a hive holds hundreds of thousands of
  // keys: with its shared count a key fits 128 bytes so).
  // Removed children are marked and stay in the list until the next
  // Children(), so that deleting many keys of one parent shifts it once.
  std::uint32_t detachedCount = 0;
  bool sorted : 1 = true;
  bool detached : 1 = false;      // this key was removed from its parent's list
  bool deleted : 1 = false;
  bool writeDenied : 1 = false;   // opens asking for write access are refused (an ACL)
  bool readOnly : 1 = false;      // its store cannot write it back: changes are refused
  bool isVolatile : 1 = false;    // exists only while the image is open
  bool valuesChanged : 1 = false;

  // The name as the A calls give it ('?' for what the code page lacks).
  std::string Name() const;
  // Children are found, added and removed by a name given as stored or
  // upper-cased: both compare the same.
  std::shared_ptr<RegNode> Find(std::u16string_view name) const;
  // The same by a name as the A calls give it; `folded` is empty or holds
  // that name upper-cased, made there when the search needs it (a list
  // searched by halves).
  std::shared_ptr<RegNode> FindCp1252(std::string_view name, std::u16string& folded) const;
  // A new child, its name from `pool` when one is given; null when there is
  // one of that name already.
  std::shared_ptr<RegNode> AddWide(std::u16string_view wideName, UnitPool* pool = nullptr);
  // Puts a whole subtree in place of any child of the same folded name.
  void Attach(std::shared_ptr<RegNode> child);
  std::shared_ptr<RegNode> Add(const std::string& ansiName);
  void Remove(std::u16string_view name);
  bool HasChildren() const;
  // Takes over the children of a tree read elsewhere (a hive mounted here).
  void AdoptChildren(RegNode& from);
  // The children in order of folded name, as enumeration by index sees them.
  const std::vector<std::shared_ptr<RegNode>>& Children();
  RegValue* FindValue(const char* ansiName);
  void AddValue(RegValue value);
  void EraseValue(const RegValue* value);

 private:
  // Positions of the values by folded name, made for keys with many values
  // only (so that setting N values costs no N squared); rebuilt when it
  // falls behind. Of values whose names fold alike (a hive may hold such),
  // it holds the first, the one a scan from the start finds.
  struct ValueIndex {
    FoldedIndex positions;
    std::size_t covered = 0;  // how many values it covers
  };
  // What few keys have, made when first needed.
  struct Rare {
    std::shared_ptr<RegNode> link;
    std::vector<std::uint64_t> removedOrigins;
    std::unique_ptr<ValueIndex> valueIndex;
    std::unique_ptr<FoldedIndex> childIndex;  // for long or unsorted child lists
  };
  Rare& MakeRare() const;
  // Puts the value at `i` in the index, unless one of a name folded alike
  // is there already; the index then covers the values up to it.
  void IndexValue(ValueIndex& index, std::size_t i) const;
  FoldedIndex* ChildIndex() const { return rare_ ? rare_->childIndex.get() : nullptr; }
  // The index of a long or unsorted list, made when first needed.
  const FoldedIndex& BuiltChildIndex() const;
  void DropChildIndex();
  mutable std::unique_ptr<Rare> rare_;
  static constexpr std::size_t kNotFound = ~std::size_t{0};
  static constexpr std::size_t kScanned = 8;  // up to this many children, searched one by one
  // Up to this many children in order, searched by halves; more (the
  // class ids: 60,000) through a table, as a search by halves there
  // misses the cache at every step.
  static constexpr std::size_t kSearched = 64;
  std::size_t Position(std::u16string_view name) const;
  // Whether a child of that name (stored or upper-cased) goes after every
  // child listed now.
  bool ComesLast(std::u16string_view name) const;
  void DropDetached();
  void Append(const std::shared_ptr<RegNode>& child, bool inOrder);
};

}  // namespace plat::memory
