#include "platform/memory/registry_node.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/codepage.h"
#include "platform/registry.h"

namespace plat::memory {

int CompareFolded(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  // Units equal as they stand need no upper-casing: most names compared
  // share a long prefix (class ids), or are the same name spelled the same.
  for (std::size_t i = SharedPrefix(a, b); i < n; ++i) {
    if (a[i] == b[i]) continue;  // most units compared are equal
    const char16_t x = UpcaseUnicode(a[i]), y = UpcaseUnicode(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool EqualFolded(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && CompareFolded(a, b) == 0;
}

bool EqualFoldedCp1252(std::u16string_view stored, std::string_view name) {
  if (stored.size() != name.size()) return false;
  // Units that equal their bytes skipped eight at a time: a name is mostly
  // asked for as it is stored (a class id just enumerated).
  std::size_t i = 0;
  for (; i + 8 <= name.size(); i += 8) {
    unsigned differ = 0;
    for (std::size_t k = 0; k < 8; ++k) differ |= stored[i + k] ^ static_cast<unsigned char>(name[i + k]);
    if (differ) break;
  }
  for (; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    const char16_t unit = byte < 0x80 ? byte : UnicodeFromCp1252(byte);
    if (stored[i] != unit && UpcaseUnicode(stored[i]) != UpcaseUnicode(unit)) return false;
  }
  return true;
}

RegValue::RegValue(std::u16string_view wideName, std::uint32_t type, std::string_view data, bool utf16,
                   UnitPool* pool)
    : type_(type), utf16_(utf16) {
  Fill(wideName, data, pool);
}

void RegValue::SetData(std::uint32_t type, std::string_view data, bool utf16) {
  type_ = type;
  utf16_ = utf16;
  Fill(Wide(), data, nullptr);
}

namespace {

// Whether UTF-16LE bytes are all ASCII units: every odd byte zero, every
// even one below 0x80 (eight bytes at a time).
bool AsciiUtf16(std::string_view data) {
  if (data.size() % 2) return false;
  constexpr std::uint64_t kBeyondAscii = 0xFF80FF80FF80FF80ull;
  std::size_t i = 0;
  std::uint64_t bits = 0;
  for (; i + 8 <= data.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data.data() + i, sizeof word);
    bits |= word;
  }
  for (; i < data.size(); i += 2) bits |= static_cast<unsigned char>(data[i]) | static_cast<unsigned char>(data[i + 1]) << 8;
  return (bits & kBeyondAscii) == 0;
}

}  // namespace

void RegValue::Fill(std::u16string_view wideName, std::string_view data, UnitPool* pool) {
  static_assert(std::endian::native == std::endian::little);
  const bool ascii = utf16_ && regtype::IsString(type_) && AsciiUtf16(data);
  const std::size_t heldBytes = ascii ? data.size() / 2 : data.size();
  const std::size_t units = wideName.size() + (heldBytes + 1) / 2;
  Units block(units, pool);
  if (units) {
    std::copy(wideName.begin(), wideName.end(), block.get());
    char* held = reinterpret_cast<char*>(block.get() + wideName.size());
    if (ascii) {
      for (std::size_t i = 0; i < heldBytes; ++i) held[i] = data[2 * i];
    } else {
      std::memcpy(held, data.data(), data.size());
    }
  }
  // Replaced only now: the name given may be the old block's.
  nameUnits_ = static_cast<std::uint32_t>(wideName.size());
  dataSize_ = static_cast<std::uint32_t>(data.size());
  ascii_ = ascii;
  units_ = std::move(block);
}

std::string RegValue::Data() const {
  if (!ascii_) return std::string(Held(), dataSize_);
  std::string bytes(dataSize_, '\0');
  for (std::size_t i = 0; i < dataSize_ / 2; ++i) bytes[2 * i] = Held()[i];
  return bytes;
}

std::optional<std::u16string_view> RegValue::StoredUtf16() const {
  if (ascii_ || !utf16_ || !regtype::IsString(type_) || dataSize_ % 2) return std::nullopt;
  // The data follows the name's units in one block of units, so it starts
  // on a unit's boundary, and UTF-16LE bytes are the units themselves here.
  static_assert(std::endian::native == std::endian::little);
  return std::u16string_view(units_.get() + nameUnits_, dataSize_ / 2);
}

std::size_t RegValue::AnsiSize() const {
  if (ascii_) return dataSize_ / 2;
  const auto units = StoredUtf16();
  return units ? Cp1252Length(*units) : dataSize_;
}

void RegValue::AnsiInto(char* out) const {
  if (const auto units = StoredUtf16()) {
    Cp1252Into(*units, out);
  } else if (const std::size_t size = AnsiSize()) {
    std::memcpy(out, Held(), size);  // ASCII is the same in the code page
  }
}

std::string RegValue::AnsiData() const {
  std::string out(AnsiSize(), '\0');
  AnsiInto(out.data());
  return out;
}

std::string RegValue::Name() const { return Cp1252FromUtf16(Wide()); }

bool RegValue::ExactInCodePage() const {
  if (Utf16FromCp1252(Name()) != Wide()) return false;
  if (ascii_ || !utf16_ || !regtype::IsString(type_)) return true;
  // Exact when setting the A view back (which stores strings as UTF-16, as
  // RegSetValueExA does) gives the stored bytes again: not so for text the
  // code page lacks, nor for string data of an odd length.
  const auto units = StoredUtf16();
  return units && Utf16FromCp1252(AnsiData()) == *units;
}

KeyName& KeyName::Assign(std::u16string_view name, UnitPool* pool) {
  Units units(name.size(), pool);
  std::copy(name.begin(), name.end(), units.get());
  units_ = std::move(units);
  size_ = static_cast<std::uint32_t>(name.size());
  return *this;
}

std::string RegNode::Name() const { return Cp1252FromUtf16(wide); }

std::size_t RegNode::Position(std::u16string_view name) const {
  // A few children are compared one by one, sorted or not: names of other
  // lengths (a class's "InprocServer32", "ProgID", "TypeLib") differ at once.
  if (children.size() <= kScanned) {
    for (std::size_t i = 0; i < children.size(); ++i)
      if (!children[i]->detached && EqualFolded(children[i]->wide, name)) return i;
    return kNotFound;
  }
  if (sorted && children.size() <= kSearched) {
    const auto it = std::lower_bound(children.begin(), children.end(), name,
                                     [](const std::shared_ptr<RegNode>& c, std::u16string_view k) { return CompareFolded(c->wide, k) < 0; });
    return it != children.end() && EqualFolded((*it)->wide, name) && !(*it)->detached ? static_cast<std::size_t>(it - children.begin())
                                                                              : kNotFound;
  }
  return BuiltChildIndex().Find(name, [this](std::size_t i) -> std::u16string_view { return children[i]->wide; });
}

const FoldedIndex& RegNode::BuiltChildIndex() const {
  std::unique_ptr<FoldedIndex>& index = MakeRare().childIndex;
  if (!index) {
    index = std::make_unique<FoldedIndex>(children.size());
    for (std::size_t i = 0; i < children.size(); ++i)
      if (!children[i]->detached) index->Insert(children[i]->wide, i);
  }
  return *index;
}

const std::vector<std::uint64_t>& RegNode::RemovedOrigins() const {
  static const std::vector<std::uint64_t> kNone;
  return rare_ ? rare_->removedOrigins : kNone;
}

RegNode::Rare& RegNode::MakeRare() const {
  if (!rare_) rare_ = std::make_unique<Rare>();
  return *rare_;
}

void RegNode::DropChildIndex() {
  if (rare_) rare_->childIndex.reset();
}

void RegNode::AddRemovedOrigin(std::uint64_t removed) { MakeRare().removedOrigins.push_back(removed); }

void RegNode::ClearRemovedOrigins() {
  if (rare_) rare_->removedOrigins.clear();
}

const std::shared_ptr<RegNode>& RegNode::Link() const {
  static const std::shared_ptr<RegNode> kNone;
  return rare_ ? rare_->link : kNone;
}

void RegNode::SetLink(std::shared_ptr<RegNode> target) { MakeRare().link = std::move(target); }

std::shared_ptr<RegNode> RegNode::Find(std::u16string_view name) const {
  const std::size_t i = Position(name);
  return i == kNotFound ? nullptr : children[i];
}

std::shared_ptr<RegNode> RegNode::FindCp1252(std::string_view name, std::u16string& folded) const {
  if (children.size() <= kScanned) {
    for (const auto& child : children)
      if (!child->detached && EqualFoldedCp1252(child->wide, name)) return child;
    return nullptr;
  }
  if (sorted && children.size() <= kSearched) {
    if (folded.empty() && !name.empty()) FoldNameInto(name, folded);
    return Find(folded);
  }
  // A long list (the class ids: 60,000) is searched by the name as given,
  // hashed and compared without converting it.
  const std::size_t i = BuiltChildIndex().FindCp1252(
      name, [this, name](std::size_t at) { return EqualFoldedCp1252(children[at]->wide, name); });
  return i == kNotFound ? nullptr : children[i];
}

std::shared_ptr<RegNode> RegNode::AddWide(std::u16string_view wideName, UnitPool* pool) {
  const bool inOrder = ComesLast(wideName);
  // In order after a sorted list, the name is new without a search.
  if (!(sorted && inOrder) && Position(wideName) != kNotFound) return nullptr;
  auto node = std::make_shared<RegNode>();
  node->wide.Assign(wideName, pool);
  Append(node, inOrder);
  return node;
}

bool RegNode::ComesLast(std::u16string_view name) const {
  return children.empty() || CompareFolded(children.back()->wide, name) < 0;
}

void RegNode::Append(const std::shared_ptr<RegNode>& child, bool inOrder) {
  if (!inOrder && sorted) {
    sorted = false;
    DropChildIndex();  // made again for the unsorted list when searched
  }
  children.push_back(child);
  if (FoldedIndex* index = ChildIndex()) index->Insert(child->wide, children.size() - 1);
}

std::shared_ptr<RegNode> RegNode::Add(const std::string& ansiName) { return AddWide(Utf16FromCp1252(ansiName)); }

void RegNode::Attach(std::shared_ptr<RegNode> child) {
  Remove(child->wide);
  // A child removed from this list may still stand in it, marked: it goes
  // before it is put back, or it would be listed twice.
  if (child->detached) DropDetached();
  child->detached = false;
  Append(child, ComesLast(child->wide));
}

void RegNode::Remove(std::u16string_view name) {
  const std::size_t i = Position(name);
  if (i == kNotFound) return;
  // Marked, and dropped from the list by the next Children(): deleting many
  // keys of one parent shifts the list once, not once per key.
  if (FoldedIndex* index = ChildIndex())
    index->Erase(name, [this](std::size_t i) -> std::u16string_view { return children[i]->wide; });
  children[i]->detached = true;
  ++detachedCount;
}

bool RegNode::HasChildren() const { return children.size() > detachedCount; }

void RegNode::AdoptChildren(RegNode& from) {
  children = std::move(from.children);
  sorted = from.sorted;
  detachedCount = from.detachedCount;
  DropChildIndex();
  if (from.ChildIndex()) MakeRare().childIndex = std::move(from.rare_->childIndex);
}

void RegNode::DropDetached() {
  if (!detachedCount) return;
  std::erase_if(children, [](const std::shared_ptr<RegNode>& c) { return c->detached; });
  detachedCount = 0;
  DropChildIndex();
}

const std::vector<std::shared_ptr<RegNode>>& RegNode::Children() {
  DropDetached();
  if (!sorted) {
    std::sort(children.begin(), children.end(), [](const auto& a, const auto& b) { return CompareFolded(a->wide, b->wide) < 0; });
    sorted = true;
    DropChildIndex();
  }
  return children;
}

RegValue* RegNode::FindValue(const char* valueName) {
  // A name is found by its code-page spelling; a name with characters the
  // code page lacks is found only by a name that really is so spelled.
  const std::string_view name = valueName ? valueName : "";
  const auto isNamed = [this, name](std::size_t i) { return EqualFoldedCp1252(values[i].Wide(), name); };
  constexpr std::size_t kScanned = 16;  // few values: a scan is quicker than an index
  if (values.size() <= kScanned) {
    for (std::size_t i = 0; i < values.size(); ++i)
      if (isNamed(i)) return &values[i];
    return nullptr;
  }
  std::unique_ptr<ValueIndex>& index = MakeRare().valueIndex;
  if (!index || index->covered != values.size()) {
    index = std::make_unique<ValueIndex>(ValueIndex{FoldedIndex(values.size())});
    for (std::size_t i = 0; i < values.size(); ++i) IndexValue(*index, i);
  }
  const std::size_t i = index->positions.FindCp1252(name, isNamed);
  return i == FoldedIndex::kNotFound ? nullptr : &values[i];
}

void RegNode::IndexValue(ValueIndex& index, std::size_t i) const {
  index.positions.InsertFirst(values[i].Wide(), i, [this](std::size_t at) { return values[at].Wide(); });
  index.covered = i + 1;
}

void RegNode::AddValue(RegValue value) {
  ValueIndex* index = rare_ ? rare_->valueIndex.get() : nullptr;
  const bool indexed = index && index->covered == values.size() && !values.empty();
  values.push_back(std::move(value));
  if (indexed) IndexValue(*index, values.size() - 1);
}

void RegNode::EraseValue(const RegValue* value) {
  values.erase(values.begin() + (value - values.data()));
  if (rare_) rare_->valueIndex.reset();
}

}  // namespace plat::memory
