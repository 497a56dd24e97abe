// Deleting keys and values after writing what they hold to a backup file in
// the registry editor's import format.
//
// The rule every deletion follows: the whole content of what is deleted (the
// key with every subkey and value below it, or the one value) is read exactly
// as the registry holds it, written to the backup file, flushed, read back
// from the disk and parsed back to the same content; only then is anything
// deleted. What no line of the format can carry exactly is not deleted at
// all, and LastRefusal() says why. A write that fails is cut back to the last
// whole block, so the file always imports.
#include <cstdio>
#include <cstring>

#include "registry/backup_format.h"
#include "registry/exact_reader.h"
#include "registry/registry_key.h"

namespace {

constexpr const char* kWorkingName = "Backup.Reg";
constexpr const char* kHeader = "Windows Registry Editor Version 5.00\r\n";

std::string DatedName(const std::string& directory, const plat::LocalTime& t, int attempt) {
  char date[16], time[16];
  std::snprintf(date, sizeof date, "%02d%02d%02d", t.year % 100, t.month % 100, t.day % 100);
  std::snprintf(time, sizeof time, "%02d%02d%02d", t.hour % 100, t.minute % 100, t.second % 100);
  std::string name = directory + "Backup-" + date + "-" + time;
  if (attempt > 1) name += "-" + std::to_string(attempt);
  return name + ".reg";
}

// Children first, then the key's values, then the key's own line: the order
// in which a depth-first deletion visits them.
void BlocksOf(const ExactKey& key, const std::string& hiveName, std::vector<BackupBlock>& blocks) {
  for (const auto& child : key.children) BlocksOf(child, hiveName, blocks);
  for (const auto& value : key.values) blocks.push_back(BackupBlock{hiveName, key.path, value});
  blocks.push_back(BackupBlock{hiveName, key.path, std::nullopt});
}

}  // namespace

std::string CRegistryKey::HiveNameOf(plat::HKey hive) const {
  if (hive == plat::kLocalMachine) return "HKEY_LOCAL_MACHINE";
  if (hive == plat::kCurrentUser) return "HKEY_CURRENT_USER";
  return hiveName_;
}

bool CRegistryKey::Fail(const std::string& error) {
  backupFailed_ = true;
  backupError_ = error;
  return false;
}

bool CRegistryKey::CommitBlocks(const std::vector<BackupBlock>& blocks) {
  if (backupFailed_ || !backupOpen_) return false;
  std::string text, reason;
  if (!FormatBlocks(blocks, text, reason)) {
    refusal_ = reason;
    return false;
  }
  if (!platform_.files.AppendFileDurably(backupFile_, text))
    return Fail("The backup file " + backupFile_ + " could not be written (is the disk full?).");
  std::string back;
  std::vector<BackupBlock> parsed;
  if (!platform_.files.ReadFileFrom(backupFile_, backupSize_, back) || back != text ||
      !ParseBackupBlocks(back, parsed, reason) || parsed != blocks) {
    platform_.files.TruncateFile(backupFile_, backupSize_);
    return Fail("The backup file " + backupFile_ + " did not read back as it was written.");
  }
  backupSize_ += text.size();
  return true;
}

bool CRegistryKey::BeginBackup(const std::string& directory) {
  backupFile_ = directory + kWorkingName;
  backupFailed_ = false;
  backupError_.clear();
  backupOpen_ = false;
  backupSize_ = 0;
  // A working file left by a job that ended early is a backup too: it is cut
  // to its whole lines (a crash can leave one partial line) and given a
  // dated name of its own before a new one is begun.
  std::string earlier;
  if (platform_.files.ReadFile(backupFile_, earlier) && earlier.size() > std::strlen(kHeader)) {
    const std::size_t whole = WholeLinesLength(earlier);
    if (whole < earlier.size() && !platform_.files.TruncateFile(backupFile_, whole))
      return Fail("An earlier backup file " + backupFile_ + " could not be repaired.");
    bool kept = false;
    for (int attempt = 1; attempt < 100 && !kept; ++attempt) {
      const std::string name = DatedName(directory, platform_.clock.Now(), attempt);
      kept = !platform_.files.CanOpenForRead(name) && platform_.files.Rename(backupFile_, name);
    }
    if (!kept) return Fail("An earlier backup file " + backupFile_ + " could not be given a name of its own.");
  }
  // The file comes into being with its header, in one atomic replacement: a
  // crash between creating it and writing the header would leave an empty
  // file, which does not import.
  if (!platform_.files.ReplaceFileContents(backupFile_, kHeader)) {
    platform_.files.Remove(backupFile_);
    return Fail("The backup file " + backupFile_ + " could not be written.");
  }
  backupSize_ = std::strlen(kHeader);
  backupOpen_ = true;
  return true;
}

bool CRegistryKey::EndBackup(const std::string& directory) {
  if (!backupOpen_) return false;
  backupOpen_ = false;
  const std::string working = directory + kWorkingName;
  for (int attempt = 1; attempt < 100; ++attempt) {
    const std::string name = DatedName(directory, platform_.clock.Now(), attempt);
    if (platform_.files.CanOpenForRead(name)) continue;
    if (!platform_.files.Rename(working, name)) break;
    backupFile_ = name;
    SetAttributeFlags(name, false, false, true, false);
    return true;
  }
  return false;
}

void CRegistryKey::SetAttributeFlags(const std::string& path, bool archive, bool hidden, bool readOnly, bool system) {
  unsigned attributes = 0;
  if (archive) attributes += plat::attr::kArchive;
  if (hidden) attributes += plat::attr::kHidden;
  if (readOnly) attributes += plat::attr::kReadOnly;
  if (system) attributes += plat::attr::kSystem;
  platform_.files.SetAttributes(path, attributes);
}

plat::RegStatus CRegistryKey::DeleteKeyWithBackup(plat::HKey hive, const std::string& path) {
  refusal_.clear();
  if (backupFailed_ || !backupOpen_) return plat::err::kAccessDenied;
  if (!Open(hive, path)) return plat::err::kFileNotFound;
  CloseCurrentKey();
  ExactKey tree;
  if (!ReadKeyExactly(platform_.registry, hive, path, tree, refusal_)) return plat::err::kAccessDenied;
  std::vector<BackupBlock> blocks;
  BlocksOf(tree, HiveNameOf(hive), blocks);
  if (!CommitBlocks(blocks)) return plat::err::kAccessDenied;
  return DeleteTree(hive, tree);
}

plat::RegStatus CRegistryKey::DeleteTree(plat::HKey hive, const ExactKey& key) {
  for (const auto& child : key.children) DeleteTree(hive, child);
  return platform_.registry.DeleteKey(hive, key.path.c_str());
}

void CRegistryKey::DeleteValueWithBackup(plat::HKey hive, const std::string& path, const std::string& name) {
  refusal_.clear();
  if (backupFailed_ || !backupOpen_) return;
  if (!Open(hive, path)) return;
  ExactValue value;
  if (ReadValueExactly(platform_.registry, currentKey_, name, value, refusal_) &&
      CommitBlocks({BackupBlock{HiveNameOf(hive), path, value}}))
    platform_.registry.DeleteValue(currentKey_, name.c_str());
  platform_.registry.FlushKey(currentKey_);
  CloseCurrentKey();
}
