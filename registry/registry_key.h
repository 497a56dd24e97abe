// CRegistryKey: the one way the core reads and writes the registry. It holds
// at most one open key, the names it last listed and a count of every
// registry operation it attempted; that count is the "Keys/Values Examined:"
// figure. Every attempt counts, successful or not; operations refused
// because no key is open do not.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "registry/exact_reader.h"

// Names and data are read into buffers of this size.
inline constexpr std::uint32_t kRegistryBufferSize = 4096;

// What QueryValue delivers: the raw data (every type), the number of a
// REG_DWORD, a copy of a REG_BINARY's bytes, the type and the reported size.
struct QueriedValue {
  std::string text;
  std::uint32_t number = 0;
  std::string data;
  std::uint32_t type = 0;
  std::uint32_t size = kRegistryBufferSize;
};

class CRegistryKey {
 public:
  explicit CRegistryKey(const plat::Platform& platform);
  virtual ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Opens hive\path with full access as the current key, closing the key it
  // replaces. On failure no key is current.
  bool Open(plat::HKey hive, const std::string& path);
  // The value's data as text (up to the first zero byte). A value that is
  // missing or larger than 4096 bytes gives "null" and false; with no key
  // open the text is empty.
  bool ReadValue(const std::string& name, std::string& text);
  // The same into a smaller buffer of `limit` bytes: the registry is told
  // that size, and a longer value reads as one that does not fit ("null").
  bool ReadValue(const std::string& name, std::string& text, std::uint32_t limit);
  // ReadValue, counted the same, except that a value too long for the
  // buffer sets `tooLong` and shows no message (a walk replayed from an
  // index must not read it at all).
  bool ReadValueUnlessTooLong(const std::string& name, std::string& text, bool& tooLong);
  // Typed read. On failure value.number is 0xFFFFFFFF (unless no key is open).
  bool QueryValue(const std::string& name, QueriedValue& value);
  // True when at least one subkey was listed; the names replace the list.
  bool ListSubkeys();
  void ListValues();
  bool OpenAndListSubkeys(plat::HKey hive, const std::string& path);
  // OpenAndListSubkeys, then `visit` for each name listed, counted the same;
  // `visit` may open other keys with this object. On an image that only
  // this process changes the names are enumerated as they are visited, so
  // that a listing of 60,000 class ids is not held whole; elsewhere they are
  // listed first, as other programs may change the key meanwhile.
  bool ForEachSubkey(plat::HKey hive, const std::string& path, const std::function<void(const std::string&)>& visit);
  bool OpenAndListClassesRoot(const std::string& path);
  bool OpenAndListLocalMachine(const std::string& path);
  bool OpenAndListCurrentUser(const std::string& path);
  bool SetStringValue(const std::string& name, const std::string& text);
  bool SetDwordValue(const std::string& name, std::uint32_t number);
  int GetOperationCount() const { return operationCount_; }

  // Deletion with a .reg backup. One fix job calls BeginBackup once, then
  // any number of deletions, then EndBackup. Nothing is deleted unless its
  // whole content is in the file, flushed, and reads back the same; once a
  // write fails the file is cut back to its last whole block, the deletions
  // refuse to run and BackupError() says why.
  bool BeginBackup(const std::string& directory);
  // Closes the backup and gives it its dated name (never one that exists
  // already) and the read-only attribute. False when the rename failed: the
  // file keeps its working name, which BackupFileName() gives.
  bool EndBackup(const std::string& directory);
  plat::RegStatus DeleteKeyWithBackup(plat::HKey hive, const std::string& path);
  void DeleteValueWithBackup(plat::HKey hive, const std::string& path, const std::string& name);
  // Why the last deletion left everything in place although the backup file
  // is sound (content no line of the file can carry exactly); empty when it
  // did not refuse.
  const std::string& LastRefusal() const { return refusal_; }
  void SetAttributeFlags(const std::string& path, bool archive, bool hidden, bool readOnly, bool system);
  bool BackupFailed() const { return backupFailed_; }
  const std::string& BackupError() const { return backupError_; }
  const std::string& BackupFileName() const { return backupFile_; }
  // Whether the current key has the value; not counted.
  bool ValueExists(const std::string& name);
  // The size of a value of the current key; not counted. False when missing.
  bool ValueSize(const std::string& name, std::uint32_t& size);

  const std::vector<std::string>& SubkeyNames() const;
  // Hands the last listing to a caller that walks it while this key opens
  // others, instead of a copy (a listing of the class ids is 60,000 names).
  std::vector<std::string> TakeSubkeyNames();
  const std::vector<std::string>& ValueNames() const { return valueNames_; }
  const std::string& HiveName() const { return hiveName_; }

 protected:
  plat::HKey CurrentKey() const { return currentKey_; }
  void CloseCurrentKey();
  void CountOperation() { ++operationCount_; }
  // Calls `visit` with each subkey name of `key` in enumeration order until
  // the enumeration ends or `visit` returns false; the registry calls made
  // (one per name visited and one that ended it), counted by the caller.
  std::uint32_t EnumerateSubkeys(plat::HKey key, const std::function<bool(std::string_view)>& visit);
  // For work done once and replayed: the operations the calls would have made.
  void AddOperations(int count) { operationCount_ += count; }
  // The listing a replayed walk would have left, made by `make` only if it
  // is read before the next listing (the class ids: 90,000 names that no
  // scanner reads).
  void DeferSubkeyNames(std::function<std::vector<std::string>()> make);
  // Lets go of the listing, made or deferred, without making it.
  void DropSubkeyNames();
  // Grows with every change of the subkey list.
  std::uint64_t Listings() const { return listings_; }
  const plat::Platform& platform_;

 private:
  // The last listing, or what makes it when it is first read.
  mutable std::vector<std::string> subkeyNames_;
  mutable std::function<std::vector<std::string>()> deferredSubkeyNames_;
  std::vector<std::string> valueNames_;
  std::int32_t operationCount_ = 0;
  std::uint64_t listings_ = 0;
  plat::HKey currentKey_ = 0;
  std::string hiveName_;

  std::string HiveNameOf(plat::HKey hive) const;
  // The current key's value read as text into a buffer of `limit` bytes,
  // uncounted: the registry's answer, the size it reported in `size`, and
  // the text in `text` when it answered with data that fits.
  plat::RegStatus QueryText(const std::string& name, std::uint32_t limit, std::string& text, std::uint32_t& size);
  bool CommitBlocks(const std::vector<BackupBlock>& blocks);
  plat::RegStatus DeleteTree(plat::HKey hive, const ExactKey& key);
  bool Fail(const std::string& error);
  bool backupOpen_ = false;
  bool backupFailed_ = false;
  std::string backupError_;
  // The backup file: its path while a fix job runs, and how many bytes of it
  // are known to be whole blocks on the disk.
  std::string backupFile_;
  std::uint64_t backupSize_ = 0;
  std::string refusal_;
};
