// An in-memory registry with Windows' semantics: names compared without case
// (Windows' upper-casing) and kept as first written; subkeys enumerated in
// the order Windows returns them (by upper-cased name), values in creation
// order; data returned as stored; HKEY_CLASSES_ROOT the merged view of
// HKLM\Software\Classes and HKCU\Software\Classes with the user's keys
// winning. Safe to call from several threads.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/memory/lean_mutex.h"
#include "platform/memory/registry_node.h"
#include "platform/registry.h"

namespace plat::memory {

class MemoryRegistry final : public IRegistry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  RegStatus OpenKeyEx(HKey parent, const char* subKey, std::uint32_t options,
                      std::uint32_t samDesired, HKey* result) override;
  RegStatus CreateKeyEx(HKey parent, const char* subKey, HKey* result) override;
  RegStatus QueryValueEx(HKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* size) override;
  RegStatus EnumKeyEx(HKey key, std::uint32_t index, char* name,
                      std::uint32_t* nameLength) override;
  RegStatus EnumKey(HKey key, std::uint32_t index, char* name, std::uint32_t nameSize) override;
  RegStatus EnumValue(HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                      std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override;
  RegStatus SetValueEx(HKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t size) override;
  RegStatus DeleteKey(HKey key, const char* subKey) override;
  RegStatus DeleteValue(HKey key, const char* name) override;
  RegStatus FlushKey(HKey key) override;
  RegStatus CloseKey(HKey key) override;

  // Open handles that have not been closed (predefined hives not counted).
  std::size_t OpenHandleCount() const;
  // Makes a key refuse every open that asks for more than read access, as a
  // key with a restrictive ACL does. Fails when the key does not exist.
  bool DenyWriteAccess(HKey hive, const std::string& path);
  // The same for every key below it too, as for SAM\SAM on a running system.
  bool DenyWriteAccessBelow(HKey hive, const std::string& path);
  // Makes parent\name a link to the existing key target (both paths from
  // the hive's root), as CurrentControlSet links to the control set in use:
  // the link lists under its own name and opens the target.
  bool AddLink(HKey hive, const std::string& parent, const std::string& name, const std::string& target);
  // Empties both hives and forgets every handle (a load that failed part
  // way leaves nothing behind).
  void Clear();
  // Total registry calls made, for benchmarks.
  std::uint64_t CallCount() const;

  using Node = RegNode;
  struct View;

  // For the stores that fill the tree and write it back: the root of a hive
  // (HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER), and the node at a path, or
  // null. Call Changed() after adding to the tree directly.
  std::shared_ptr<Node> Root(HKey hive) const;
  std::shared_ptr<Node> NodeAt(HKey hive, const std::string& path) const;
  void Changed();
  bool ValueIsExactInCodePage(HKey key, const char* name) override;
  bool ChangesOnlyThroughThisProcess() const override { return true; }
  std::uint32_t SubkeyCountHint(HKey key) override;
  std::uint64_t ShapeGeneration() const override;

 private:
  RegStatus Resolve(HKey key, View& view) const;
  // The view a key stands for: an open handle's own, not copied (nearly
  // every call names one, and a view holds counted references), or one
  // made in `made` for a predefined key; null for a key that is not open.
  // `status` says why the key cannot be used, as Resolve does.
  const View* ViewOf(HKey key, View& made, RegStatus& status) const;
  RegStatus Walk(const View& from, const char* subKey, View& out) const;
  HKey NewHandle(View&& view);
  // The open handle of that value, or null.
  struct Handle;
  Handle* OpenHandle(HKey key) const;
  // Marks a change in which keys there are.
  void Reshaped();
  // The keys HKEY_CLASSES_ROOT lists under a key of both users and machine.
  const std::vector<std::shared_ptr<RegNode>>& MergedChildren(HKey key, const View& view);

  mutable LeanMutex mutex_;
  std::shared_ptr<Node> machine_;
  std::shared_ptr<Node> user_;
  std::unique_ptr<Handle> classesRoot_;  // caches the merged listing of the predefined handle
  // The view HKEY_CLASSES_ROOT stands for, made again when keys are added
  // or removed (every scanner opens keys under it by the ten thousand).
  struct ClassesRootView;
  std::unique_ptr<ClassesRootView> classesRootView_;
  // Open handles in slots that closing frees for the next open (a scan
  // opens and closes hundreds of thousands of keys): a handle's value names
  // its slot and the open that made it, so a closed handle stays invalid
  // when its slot is taken again.
  std::vector<std::unique_ptr<Handle>> slots_;
  std::vector<std::uint32_t> freeSlots_;
  std::uint64_t lastOpen_ = 0;
  // The last merged listing made, shared with the next handle that lists
  // the same keys unchanged (every scanner lists HKEY_CLASSES_ROOT when it
  // is built, one after another).
  struct MergedListing {
    const Node* user = nullptr;
    const Node* machine = nullptr;
    std::uint64_t generation = ~0ull;
    std::shared_ptr<const std::vector<std::shared_ptr<RegNode>>> children;
  };
  MergedListing lastMerged_;
  // The last paths walked, level by level, one for each of a few keys they
  // started from (scanners open several keys under one parent in turn, each
  // from the hive's root, and check what they find under another root in
  // between); forgotten when the tree changes shape.
  struct WalkedPath;
  static constexpr std::size_t kWalksKept = 4;
  std::unique_ptr<WalkedPath[]> lastWalks_;
  mutable std::size_t nextWalkReplaced_ = 0;
  WalkedPath& WalkFrom(const View& from) const;
  // The key enumerated last, by its parent and place: a scanner opens the
  // key it has just enumerated, and a walk checks that place first (the
  // class ids are 60,000 subkeys of one key, and finding one there by name
  // costs misses of the cache at every step).
  struct Enumerated {
    const RegNode* parent = nullptr;
    std::size_t index = 0;
  };
  Enumerated lastEnumerated_;
  // The child of `parent` named `name` (as the A calls give it), or null;
  // `folded` as RegNode::FindCp1252 takes it.
  std::shared_ptr<RegNode> FindChild(const std::shared_ptr<RegNode>& parent, std::string_view name,
                                     std::u16string& folded) const;
  std::uint64_t generation_ = 0;
  mutable std::uint64_t calls_ = 0;
};

}  // namespace plat::memory
