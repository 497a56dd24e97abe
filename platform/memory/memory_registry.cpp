#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <cstring>
#include <utility>

#include "platform/codepage.h"

namespace plat::memory {

// A key as a handle sees it. Outside HKEY_CLASSES_ROOT only `machine` is
// used (it holds the key of whichever hive); inside it, the user's and the
// machine's key at the same path, either of which may be missing.
struct MemoryRegistry::View {
  using Node = RegNode;
  std::shared_ptr<Node> user;
  std::shared_ptr<Node> machine;
  bool merged = false;
  Node* Primary() const { return user ? user.get() : machine.get(); }
};

struct MemoryRegistry::Handle {
  View view;
  std::shared_ptr<const std::vector<std::shared_ptr<RegNode>>> merged;
  std::uint64_t mergedGeneration = ~0ull;
  std::uint64_t open = 0;  // which open made it: 0 while its slot is free
};

namespace {

// A handle's value: kFirstHandle + 4 * (open << kSlotBits | slot).
constexpr HKey kFirstHandle = 0x1000;
constexpr unsigned kSlotBits = 24;
static_assert(sizeof(HKey) == 8, "a handle's value holds its slot and its open");

}  // namespace

struct MemoryRegistry::ClassesRootView {
  View view;
  std::uint64_t generation = ~0ull;
};

// The path of the last walk as far as it led, where each of its levels
// ends in it, and the view each level led to; made from `user`/`machine`
// while the tree had `generation`.
struct MemoryRegistry::WalkedPath {
  const RegNode* user = nullptr;
  const RegNode* machine = nullptr;
  bool merged = false;
  std::uint64_t generation = ~0ull;
  std::string path;
  std::vector<std::size_t> ends;
  std::vector<View> views;
  std::u16string folded;
};

namespace {

constexpr RegStatus kBadPathname = 161;
constexpr std::size_t kMaxValueNameLength = 16383;

std::shared_ptr<MemoryRegistry::Node> EnsureChild(const std::shared_ptr<MemoryRegistry::Node>& n,
                                                  const std::string& name) {
  if (auto c = n->Find(FoldName(name))) return c;
  return n->Add(name);
}

enum class Step { kPart, kEnd, kEmpty };

// The component of a subkey path that starts at `start`, as a view into it,
// and `start` moved past it. A trailing backslash ends the path; an empty
// component before the end names no key.
Step NextComponent(std::string_view path, std::size_t& start, std::string_view& part) {
  if (start >= path.size()) return Step::kEnd;
  std::size_t end = path.find('\\', start);
  if (end == std::string_view::npos) end = path.size();
  if (end == start) return end + 1 == path.size() ? Step::kEnd : Step::kEmpty;
  part = path.substr(start, end - start);
  start = end + 1;
  return Step::kPart;
}

// The components of a subkey path (no copy per open).
bool SplitPath(const char* subKey, std::vector<std::string_view>& parts, RegStatus& status) {
  const std::string_view path = subKey ? subKey : "";
  if (!path.empty() && path[0] == '\\') {
    status = kBadPathname;
    return false;
  }
  std::size_t start = 0;
  std::string_view part;
  Step step;
  while ((step = NextComponent(path, start, part)) == Step::kPart) parts.push_back(part);
  if (step == Step::kEmpty) {
    status = err::kFileNotFound;
    return false;
  }
  return true;
}

}  // namespace

void MemoryRegistry::Reshaped() {
  // Drawn from one count for every registry of the process, so that no two
  // registries, nor one registry before and after a change, answer alike.
  static std::atomic<std::uint64_t> shapes{0};
  generation_ = ++shapes;
}

std::uint64_t MemoryRegistry::ShapeGeneration() const {
  std::lock_guard lock(mutex_);
  return generation_;
}

MemoryRegistry::MemoryRegistry()
    : machine_(std::make_shared<Node>()),
      user_(std::make_shared<Node>()),
      classesRoot_(std::make_unique<Handle>()),
      classesRootView_(std::make_unique<ClassesRootView>()),
      lastWalks_(std::make_unique<WalkedPath[]>(kWalksKept)) {
  Reshaped();
}

MemoryRegistry::~MemoryRegistry() = default;

void MemoryRegistry::Clear() {
  std::lock_guard lock(mutex_);
  machine_ = std::make_shared<Node>();
  user_ = std::make_shared<Node>();
  classesRoot_ = std::make_unique<Handle>();
  *classesRootView_ = ClassesRootView{};
  slots_.clear();
  freeSlots_.clear();
  lastMerged_ = MergedListing{};
  for (std::size_t i = 0; i < kWalksKept; ++i) lastWalks_[i] = WalkedPath{};
  lastEnumerated_ = Enumerated{};
  Reshaped();
}

const MemoryRegistry::View* MemoryRegistry::ViewOf(HKey key, View& made, RegStatus& status) const {
  ++calls_;
  status = err::kSuccess;
  if (key == kLocalMachine) {
    made = View{nullptr, machine_, false};
    return &made;
  }
  if (key == kCurrentUser) {
    made = View{nullptr, user_, false};
    return &made;
  }
  if (key == kClassesRoot) {
    if (classesRootView_->generation != generation_) {
      auto classesOf = [](const std::shared_ptr<Node>& hive) -> std::shared_ptr<Node> {
        auto software = hive->Find(u"SOFTWARE");
        return software ? software->Find(u"CLASSES") : nullptr;
      };
      classesRootView_->view = View{classesOf(user_), classesOf(machine_), true};
      classesRootView_->generation = generation_;
    }
    return &classesRootView_->view;
  }
  const Handle* handle = OpenHandle(key);
  if (!handle) {
    status = err::kInvalidHandle;
    return nullptr;
  }
  const View& view = handle->view;
  Node* primary = view.Primary();
  // Only the classes root of a registry without any classes has no node.
  if (primary == nullptr && !view.merged) status = err::kKeyDeleted;
  if (primary != nullptr && primary->deleted) status = err::kKeyDeleted;
  return &view;
}

RegStatus MemoryRegistry::Resolve(HKey key, View& view) const {
  RegStatus status = err::kSuccess;
  const View* found = ViewOf(key, view, status);
  if (found && found != &view) view = *found;
  return status;
}

MemoryRegistry::WalkedPath& MemoryRegistry::WalkFrom(const View& from) const {
  for (std::size_t i = 0; i < kWalksKept; ++i) {
    WalkedPath& kept = lastWalks_[i];
    if (kept.generation == generation_ && kept.user == from.user.get() && kept.machine == from.machine.get() &&
        kept.merged == from.merged)
      return kept;
  }
  WalkedPath& last = lastWalks_[nextWalkReplaced_];
  nextWalkReplaced_ = (nextWalkReplaced_ + 1) % kWalksKept;
  last.path.clear();
  last.ends.clear();
  last.views.clear();
  last.user = from.user.get();
  last.machine = from.machine.get();
  last.merged = from.merged;
  last.generation = generation_;
  return last;
}

RegStatus MemoryRegistry::Walk(const View& from, const char* subKey, View& out) const {
  const std::string_view path = subKey ? subKey : "";
  if (!path.empty() && path[0] == '\\') return kBadPathname;
  WalkedPath& last = WalkFrom(from);
  // The levels this path repeats of the last one, byte for byte, lead where
  // they led then: those that end within the bytes both paths share.
  const std::size_t common = SharedPrefix(path, std::string_view(last.path));
  std::size_t depth = 0;
  while (depth < last.ends.size()) {
    const std::size_t end = last.ends[depth];
    if (end > common || (path.size() > end && path[end] != '\\')) break;
    ++depth;
  }
  last.ends.resize(depth);
  last.views.resize(depth);
  last.path.resize(depth ? last.ends.back() : 0);
  // Each level's view is made in place at the end of the remembered ones:
  // a view holds counted references, and copying them for every level of
  // 358,000 walks cost more than finding the keys.
  const View* v = depth ? &last.views.back() : &from;
  std::size_t start = depth ? last.ends.back() + 1 : 0;
  std::string_view part;
  for (Step step; (step = NextComponent(path, start, part)) != Step::kEnd; ++depth) {
    if (step == Step::kEmpty) return err::kFileNotFound;
    last.folded.clear();
    View next;
    next.merged = v->merged;
    if (v->merged) {
      next.user = FindChild(v->user, part, last.folded);
      next.machine = FindChild(v->machine, part, last.folded);
      if (!next.user && !next.machine) return err::kFileNotFound;
    } else {
      next.user = v->user;
      next.machine = FindChild(v->machine, part, last.folded);
      if (!next.machine) return err::kFileNotFound;
      if (next.machine->Link()) next.machine = next.machine->Link();
    }
    const std::size_t end = static_cast<std::size_t>(part.data() - path.data()) + part.size();
    last.path.append(path.substr(last.path.size(), end - last.path.size()));
    last.ends.push_back(end);
    last.views.push_back(std::move(next));
    v = &last.views.back();
  }
  if (v->Primary() == nullptr && !(v->merged && depth == 0)) return err::kFileNotFound;
  out = *v;
  return err::kSuccess;
}

std::shared_ptr<RegNode> MemoryRegistry::FindChild(const std::shared_ptr<RegNode>& parent, std::string_view name,
                                                   std::u16string& folded) const {
  if (!parent) return nullptr;
  if (lastEnumerated_.parent == parent.get() && lastEnumerated_.index < parent->children.size()) {
    const std::shared_ptr<RegNode>& child = parent->children[lastEnumerated_.index];
    if (!child->detached && EqualFoldedCp1252(child->wide, name)) return child;
  }
  return parent->FindCp1252(name, folded);
}

// 0 when every slot is taken (as many as Windows gives a process).
HKey MemoryRegistry::NewHandle(View&& view) {
  std::uint32_t slot = 0;
  if (!freeSlots_.empty()) {
    slot = freeSlots_.back();
    freeSlots_.pop_back();
  } else {
    if (slots_.size() >= (std::size_t{1} << kSlotBits)) return 0;
    slot = static_cast<std::uint32_t>(slots_.size());
    slots_.push_back(std::make_unique<Handle>());
  }
  HKey h = 0;
  do {
    h = kFirstHandle + 4 * ((++lastOpen_ << kSlotBits) | slot);
  } while (IsPredefinedKey(h));
  Handle& handle = *slots_[slot];
  handle.view = std::move(view);
  handle.open = lastOpen_;
  return h;
}

MemoryRegistry::Handle* MemoryRegistry::OpenHandle(HKey key) const {
  if (key < kFirstHandle || (key - kFirstHandle) % 4) return nullptr;
  const HKey n = (key - kFirstHandle) / 4;
  const std::size_t slot = n & ((HKey{1} << kSlotBits) - 1);
  if (slot >= slots_.size() || slots_[slot]->open == 0 || slots_[slot]->open != n >> kSlotBits) return nullptr;
  return slots_[slot].get();
}

RegStatus MemoryRegistry::OpenKeyEx(HKey parent, const char* subKey, std::uint32_t,
                                    std::uint32_t samDesired, HKey* result) {
  std::lock_guard lock(mutex_);
  if (result) *result = 0;
  View made, to;
  RegStatus status = err::kSuccess;
  const View* from = ViewOf(parent, made, status);
  if (status != err::kSuccess) return status;
  if (RegStatus s = Walk(*from, subKey, to); s != err::kSuccess) return s;
  const std::uint32_t writeBits = samDesired & ~kKeyRead & 0xFFFFu;
  if (writeBits != 0 && to.Primary() && to.Primary()->writeDenied) return err::kAccessDenied;
  if (!result) return err::kInvalidParameter;
  *result = NewHandle(std::move(to));
  return *result ? err::kSuccess : err::kNoSystemResources;
}

RegStatus MemoryRegistry::CreateKeyEx(HKey parent, const char* subKey, HKey* result) {
  std::lock_guard lock(mutex_);
  if (result) *result = 0;
  View v;
  if (RegStatus s = Resolve(parent, v); s != err::kSuccess) return s;
  std::vector<std::string_view> parts;
  RegStatus status = err::kSuccess;
  if (!SplitPath(subKey, parts, status)) return status;
  for (const auto& part : parts)
    if (part.size() > kMaxKeyNameLength) return err::kInvalidParameter;
  if (parts.size() > kMaxKeyDepth) return err::kInvalidParameter;
  if (v.merged && !v.user && !v.machine) {
    // HKLM\Software\Classes is missing: new classes keys go there.
    auto software = EnsureChild(machine_, "Software");
    v.machine = EnsureChild(software, "Classes");
    Reshaped();
  }
  std::u16string folded;
  for (const auto& part : parts) {
    FoldNameInto(part, folded);
    if (v.merged) {
      auto u = v.user ? v.user->Find(folded) : nullptr;
      auto m = v.machine ? v.machine->Find(folded) : nullptr;
      if (!u && !m) {
        // A new key goes beside the machine's part of its parent when there
        // is one, else into the user's.
        Node* owner = v.machine ? v.machine.get() : v.user.get();
        if (owner->readOnly) return err::kAccessDenied;
        if (v.machine)
          m = v.machine->Add(std::string(part));
        else
          u = v.user->Add(std::string(part));
        Reshaped();
      }
      v.user = u;
      v.machine = m;
    } else {
      auto c = v.machine->Find(folded);
      if (!c) {
        if (v.machine->readOnly) return err::kAccessDenied;
        c = v.machine->Add(std::string(part));
        Reshaped();
      }
      v.machine = c;
    }
  }
  if (v.Primary()->writeDenied) return err::kAccessDenied;
  if (!result) return err::kInvalidParameter;
  *result = NewHandle(std::move(v));
  return *result ? err::kSuccess : err::kNoSystemResources;
}

RegStatus MemoryRegistry::QueryValueEx(HKey key, const char* name, std::uint32_t* type,
                                       std::uint8_t* data, std::uint32_t* size) {
  std::lock_guard lock(mutex_);
  View made;
  RegStatus status = err::kSuccess;
  const View* v = ViewOf(key, made, status);
  if (status != err::kSuccess) return status;
  Node* node = v->Primary();
  if (!node) return err::kFileNotFound;
  if (data && !size) return err::kInvalidParameter;
  RegValue* value = node->FindValue(name);
  if (!value) return err::kFileNotFound;
  if (type) *type = value->Type();
  if (!size) return err::kSuccess;
  const auto length = static_cast<std::uint32_t>(value->AnsiSize());
  if (data) {
    if (*size < length) {
      *size = length;
      return err::kMoreData;
    }
    value->AnsiInto(reinterpret_cast<char*>(data));
  }
  *size = length;
  return err::kSuccess;
}

const std::vector<std::shared_ptr<RegNode>>& MemoryRegistry::MergedChildren(HKey key, const View& view) {
  static const std::vector<std::shared_ptr<Node>> kNone;
  const auto& u = view.user ? view.user->Children() : kNone;
  const auto& m = view.machine ? view.machine->Children() : kNone;
  // Either side alone is listed as it stands (an offline machine's classes
  // are all the machine's).
  if (u.empty()) return m;
  if (m.empty()) return u;
  Handle* handle = key == kClassesRoot ? classesRoot_.get() : OpenHandle(key);
  if (handle->mergedGeneration == generation_) return *handle->merged;
  handle->mergedGeneration = generation_;
  if (lastMerged_.generation == generation_ && lastMerged_.user == view.user.get() &&
      lastMerged_.machine == view.machine.get()) {
    handle->merged = lastMerged_.children;
    return *handle->merged;
  }
  auto merged = std::make_shared<std::vector<std::shared_ptr<Node>>>();
  merged->reserve(u.size() + m.size());
  std::size_t i = 0, j = 0;
  while (i < u.size() || j < m.size()) {
    const int order = j >= m.size() ? -1 : i >= u.size() ? 1 : CompareFolded(u[i]->wide, m[j]->wide);
    if (order < 0) {
      merged->push_back(u[i++]);
    } else if (order > 0) {
      merged->push_back(m[j++]);
    } else {  // in both: the user's spelling wins
      merged->push_back(u[i++]);
      ++j;
    }
  }
  lastMerged_ = MergedListing{view.user.get(), view.machine.get(), generation_, merged};
  handle->merged = std::move(merged);
  return *handle->merged;
}

RegStatus MemoryRegistry::EnumKeyEx(HKey key, std::uint32_t index, char* name,
                                    std::uint32_t* nameLength) {
  std::lock_guard lock(mutex_);
  View made;
  RegStatus status = err::kSuccess;
  const View* v = ViewOf(key, made, status);
  if (status != err::kSuccess) return status;
  if (!name || !nameLength) return err::kInvalidParameter;
  const auto& children = v->merged ? MergedChildren(key, *v) : v->machine->Children();
  if (index >= children.size()) return err::kNoMoreItems;
  // A merged listing is a list of its own; either side alone is its node's.
  const RegNode* parent = v->machine && &children == &v->machine->children ? v->machine.get()
                          : v->user && &children == &v->user->children     ? v->user.get()
                                                                          : nullptr;
  lastEnumerated_ = Enumerated{parent, index};
  const std::size_t length = Cp1252IntoBuffer(children[index]->wide, name, *nameLength);
  if (length >= *nameLength) return err::kMoreData;
  *nameLength = static_cast<std::uint32_t>(length);
  return err::kSuccess;
}

RegStatus MemoryRegistry::EnumKey(HKey key, std::uint32_t index, char* name,
                                  std::uint32_t nameSize) {
  std::uint32_t length = nameSize;
  return EnumKeyEx(key, index, name, &length);
}

RegStatus MemoryRegistry::EnumValue(HKey key, std::uint32_t index, char* name,
                                    std::uint32_t* nameLength, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* dataSize) {
  std::lock_guard lock(mutex_);
  View made;
  RegStatus status = err::kSuccess;
  const View* v = ViewOf(key, made, status);
  if (status != err::kSuccess) return status;
  if (!name || !nameLength) return err::kInvalidParameter;
  if (data && !dataSize) return err::kInvalidParameter;
  Node* node = v->Primary();
  if (!node || index >= node->values.size()) return err::kNoMoreItems;
  const RegValue& value = node->values[index];
  // The name converted straight into the caller's buffer, once name and
  // data are known to fit (nothing is written when either does not).
  const std::size_t nameSize = Cp1252Length(value.Wide());
  if (nameSize >= *nameLength) return err::kMoreData;
  const auto length = static_cast<std::uint32_t>(dataSize ? value.AnsiSize() : 0);
  if (data && *dataSize < length) {
    *dataSize = length;
    return err::kMoreData;
  }
  Cp1252Into(value.Wide(), name);
  name[nameSize] = '\0';
  *nameLength = static_cast<std::uint32_t>(nameSize);
  if (type) *type = value.Type();
  if (data) value.AnsiInto(reinterpret_cast<char*>(data));
  if (dataSize) *dataSize = length;
  return err::kSuccess;
}

RegStatus MemoryRegistry::SetValueEx(HKey key, const char* name, std::uint32_t type,
                                     const std::uint8_t* data, std::uint32_t size) {
  std::lock_guard lock(mutex_);
  View v;
  if (RegStatus s = Resolve(key, v); s != err::kSuccess) return s;
  Node* node = v.Primary();
  if (!node) return err::kFileNotFound;
  std::string valueName = name ? name : "";
  if (valueName.size() > kMaxValueNameLength) return err::kInvalidParameter;
  if (size > 0 && !data) return err::kInvalidParameter;
  if (node->readOnly) return err::kAccessDenied;
  const std::string_view bytes(reinterpret_cast<const char*>(data), data ? size : 0);
  if (RegValue* existing = node->FindValue(valueName.c_str()))
    existing->SetData(type, bytes, false);
  else
    node->AddValue(RegValue(Utf16FromCp1252(valueName), type, bytes, false));
  node->valuesChanged = true;
  return err::kSuccess;
}

RegStatus MemoryRegistry::DeleteKey(HKey key, const char* subKey) {
  std::lock_guard lock(mutex_);
  View parent, target;
  if (RegStatus s = Resolve(key, parent); s != err::kSuccess) return s;
  if (RegStatus s = Walk(parent, subKey, target); s != err::kSuccess) return s;
  std::vector<std::string_view> parts;
  RegStatus status = err::kSuccess;
  SplitPath(subKey, parts, status);
  if (parts.empty()) return err::kAccessDenied;  // a hive root or the key itself
  auto victim = target.user ? target.user : target.machine;
  if (victim->HasChildren()) return err::kAccessDenied;
  if (victim->writeDenied || victim->readOnly) return err::kAccessDenied;
  // Find the parent of the victim in the same tree.
  std::string parentPath;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) parentPath.append(i ? "\\" : "").append(parts[i]);
  View up;
  if (RegStatus s = Walk(parent, parentPath.c_str(), up); s != err::kSuccess) return s;
  auto owner = target.user ? (up.user ? up.user : nullptr) : up.machine;
  if (!owner) return err::kFileNotFound;
  if (owner->readOnly) return err::kAccessDenied;
  owner->Remove(victim->wide);
  if (victim->origin) owner->AddRemovedOrigin(victim->origin);
  victim->deleted = true;
  Reshaped();
  return err::kSuccess;
}

RegStatus MemoryRegistry::DeleteValue(HKey key, const char* name) {
  std::lock_guard lock(mutex_);
  View v;
  if (RegStatus s = Resolve(key, v); s != err::kSuccess) return s;
  Node* node = v.Primary();
  if (!node) return err::kFileNotFound;
  RegValue* value = node->FindValue(name);
  if (!value) return err::kFileNotFound;
  if (node->readOnly) return err::kAccessDenied;
  node->EraseValue(value);
  node->valuesChanged = true;
  return err::kSuccess;
}

RegStatus MemoryRegistry::FlushKey(HKey key) {
  std::lock_guard lock(mutex_);
  View v;
  return Resolve(key, v);
}

RegStatus MemoryRegistry::CloseKey(HKey key) {
  std::lock_guard lock(mutex_);
  ++calls_;
  if (IsPredefinedKey(key)) return err::kSuccess;
  Handle* handle = OpenHandle(key);
  if (!handle) return err::kInvalidHandle;
  // The slot keeps its object for the next open; what it held goes now.
  *handle = Handle{};
  freeSlots_.push_back(static_cast<std::uint32_t>((key - kFirstHandle) / 4 & ((HKey{1} << kSlotBits) - 1)));
  return err::kSuccess;
}

std::size_t MemoryRegistry::OpenHandleCount() const {
  std::lock_guard lock(mutex_);
  return slots_.size() - freeSlots_.size();
}

bool MemoryRegistry::DenyWriteAccessBelow(HKey hive, const std::string& path) {
  std::lock_guard lock(mutex_);
  View from, to;
  if (Resolve(hive, from) != err::kSuccess || Walk(from, path.c_str(), to) != err::kSuccess || !to.Primary())
    return false;
  std::vector<Node*> pending{to.Primary()};
  while (!pending.empty()) {
    Node* n = pending.back();
    pending.pop_back();
    n->writeDenied = true;
    for (auto& c : n->Children()) pending.push_back(c.get());
  }
  return true;
}

bool MemoryRegistry::AddLink(HKey hive, const std::string& parent, const std::string& name, const std::string& target) {
  std::lock_guard lock(mutex_);
  View from, up, to;
  if (Resolve(hive, from) != err::kSuccess || Walk(from, parent.c_str(), up) != err::kSuccess ||
      Walk(from, target.c_str(), to) != err::kSuccess || !up.machine || !to.machine)
    return false;
  if (up.machine->Find(FoldName(name))) return false;
  up.machine->Add(name)->SetLink(to.machine);
  Reshaped();
  return true;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Root(HKey hive) const {
  return hive == kCurrentUser ? user_ : hive == kLocalMachine ? machine_ : nullptr;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::NodeAt(HKey hive, const std::string& path) const {
  std::lock_guard lock(mutex_);
  View from{nullptr, Root(hive), false}, to;
  if (!from.machine || Walk(from, path.c_str(), to) != err::kSuccess) return nullptr;
  return to.machine;
}

void MemoryRegistry::Changed() {
  std::lock_guard lock(mutex_);
  Reshaped();
}

bool MemoryRegistry::ValueIsExactInCodePage(HKey key, const char* name) {
  std::lock_guard lock(mutex_);
  View v;
  if (Resolve(key, v) != err::kSuccess || !v.Primary()) return false;
  const RegValue* value = v.Primary()->FindValue(name);
  return value && value->ExactInCodePage();
}

std::uint32_t MemoryRegistry::SubkeyCountHint(HKey key) {
  std::lock_guard lock(mutex_);
  View v;
  if (Resolve(key, v) != err::kSuccess) return 0;
  // Both sides of a merged view: at most their sum.
  std::size_t count = v.machine ? v.machine->children.size() - v.machine->detachedCount : 0;
  if (v.merged && v.user) count += v.user->children.size() - v.user->detachedCount;
  return static_cast<std::uint32_t>(count);
}

std::uint64_t MemoryRegistry::CallCount() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

bool MemoryRegistry::DenyWriteAccess(HKey hive, const std::string& path) {
  std::lock_guard lock(mutex_);
  View from, to;
  if (Resolve(hive, from) != err::kSuccess) return false;
  if (Walk(from, path.c_str(), to) != err::kSuccess) return false;
  if (!to.Primary()) return false;
  to.Primary()->writeDenied = true;
  return true;
}

}  // namespace plat::memory
