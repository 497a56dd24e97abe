// Deleting keys and values after writing what they hold to a backup file in
// the registry editor's import format. Every block of lines is appended and
// flushed to the disk before the deletion it backs up.
#include <cstdio>
#include <cstring>

#include "registry/registry_key.h"

namespace {

constexpr const char* kWorkingName = "Backup.Reg";
constexpr const char* kHeader = "Windows Registry Editor Version 5.00\r\n";

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return text;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

bool HasLineEnd(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// A REG_SZ the quoted form gives back: text, with or without one terminator.
bool IsPlainString(const std::string& data) {
  const std::size_t zero = data.find('\0');
  return !HasLineEnd(data) && (zero == std::string::npos || zero == data.size() - 1);
}

// The bytes of the hex(n) form. The file is 8-bit text, so the registry tools
// read the bytes of string types as code-page text, as they were read.
std::string HexBytes(const std::string& bytes) {
  std::string out;
  char pair[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(bytes[i]));
    out += pair;
    if (i + 1 < bytes.size()) out += ',';
  }
  return out;
}

std::string DatedName(const std::string& directory, const plat::LocalTime& t, int attempt) {
  char date[16], time[16];
  std::snprintf(date, sizeof date, "%02d%02d%02d", t.year % 100, t.month % 100, t.day % 100);
  std::snprintf(time, sizeof time, "%02d%02d%02d", t.hour % 100, t.minute % 100, t.second % 100);
  std::string name = directory + "Backup-" + date + "-" + time;
  if (attempt > 1) name += "-" + std::to_string(attempt);
  return name + ".reg";
}

}  // namespace

std::string CRegistryKey::KeyLine(const std::string& path) const { return "\r\n[" + hiveName_ + "\\" + path + "]\r\n"; }

bool CRegistryKey::CommitBlock() {
  if (backupFailed_) return false;
  if (!backupOpen_ || !platform_.files.AppendFileDurably(backupFile_, block_)) {
    backupFailed_ = true;
    backupError_ = "The backup file " + backupFile_ + " could not be written.";
  }
  block_.clear();
  return !backupFailed_;
}

bool CRegistryKey::BeginBackup(const std::string& directory) {
  backupFile_ = directory + kWorkingName;
  backupFailed_ = false;
  backupError_.clear();
  block_.clear();
  backupOpen_ = false;
  // A working file left by a job whose rename failed is a backup too: it is
  // given a dated name of its own before a new one is begun.
  std::string earlier;
  if (platform_.files.ReadFile(backupFile_, earlier) && earlier.size() > std::strlen(kHeader)) {
    bool kept = false;
    for (int attempt = 1; attempt < 100 && !kept; ++attempt) {
      const std::string name = DatedName(directory, platform_.clock.Now(), attempt);
      kept = !platform_.files.CanOpenForRead(name) && platform_.files.Rename(backupFile_, name);
    }
    if (!kept) {
      backupFailed_ = true;
      backupError_ = "An earlier backup file " + backupFile_ + " could not be given a name of its own.";
      return false;
    }
  }
  platform_.files.Remove(backupFile_);
  backupOpen_ = true;
  block_ = kHeader;
  if (!CommitBlock()) {
    backupOpen_ = false;
    return false;
  }
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

void CRegistryKey::WriteEscaped(const std::string& text) { block_ += Escaped(text); }

bool CRegistryKey::WriteValueLine(const std::string& name, const QueriedValue& value) {
  if (HasLineEnd(name)) return false;  // no form of the file holds such a name
  const std::string& data = value.text;
  const std::string quotedName = "\"" + Escaped(name) + "\"";
  switch (value.type) {
    case plat::regtype::kSz:
      if (IsPlainString(data)) {
        block_ += name.empty() ? "@=\"" : quotedName + "=\"";
        const std::string text = data.substr(0, data.find('\0'));
        if (!text.empty()) WriteEscaped(text);
        block_ += "\"\r\n";
        return true;
      }
      break;
    case plat::regtype::kDword:
      if (value.size == 4) {
        block_ += quotedName + "=dword: " + Hex(value.number) + "\r\n";
        return true;
      }
      break;
    case plat::regtype::kBinary:
      block_ += quotedName + "=hex: ";
      for (std::size_t i = 0; i < data.size(); ++i)
        block_ += Hex(static_cast<unsigned char>(data[i])) + (i + 1 < data.size() ? "," : "");
      block_ += "\r\n";
      return true;
    default:
      break;
  }
  // Every other value in the form the registry editor imports, so that its
  // type and bytes come back exactly.
  block_ += (name.empty() ? std::string("@") : quotedName) + "=hex(" + Hex(value.type) + "):" +
            HexBytes(data) + "\r\n";
  return true;
}

bool CRegistryKey::ValueExists(const std::string& name) {
  std::uint32_t size = 0;
  return currentKey_ != 0 &&
         platform_.registry.QueryValueEx(currentKey_, name.c_str(), nullptr, nullptr, &size) == plat::err::kSuccess;
}

plat::RegStatus CRegistryKey::DeleteKeyWithBackup(plat::HKey hive, const std::string& path) {
  if (backupFailed_ || !backupOpen_) return plat::err::kAccessDenied;
  plat::HKey own = 0;
  plat::RegStatus status = platform_.registry.OpenKeyEx(hive, path.c_str(), 0, plat::kKeyAllAccess, &own);
  if (status != plat::err::kSuccess) return status;
  char name[kRegistryBufferSize];
  std::string previous;
  for (;;) {
    std::memset(name, 0, sizeof name);
    status = platform_.registry.EnumKey(own, 0, name, sizeof name);
    if (status != plat::err::kSuccess) break;
    const std::string child(name, strnlen(name, sizeof name));
    // The first child is asked for again after each deletion; when the same
    // one comes back it could not be deleted, and it and this key stay.
    if (child == previous || backupFailed_) {
      status = plat::err::kAccessDenied;
      break;
    }
    previous = child;
    DeleteKeyWithBackup(hive, path + "\\" + child);
  }
  if (status == plat::err::kNoMoreItems || status == plat::err::kBadKey) BackUpValuesAndDeleteKey(hive, path);
  platform_.registry.FlushKey(own);
  platform_.registry.CloseKey(own);
  return status;
}

void CRegistryKey::BackUpValuesAndDeleteKey(plat::HKey hive, const std::string& path) {
  if (!Open(hive, path)) return;
  ListValues();
  bool allRead = true;
  for (const std::string& name : valueNames_) {
    QueriedValue value;
    if (!QueryValue(name, value)) {
      allRead = false;
      continue;
    }
    block_ = KeyLine(path);
    if (!WriteValueLine(name, value) || !CommitBlock()) allRead = false;
    if (backupFailed_) return;
  }
  if (!allRead) return;
  // The key's own line goes to the disk before the key goes.
  block_ = KeyLine(path);
  if (!CommitBlock()) return;
  platform_.registry.FlushKey(currentKey_);
  CloseCurrentKey();
  platform_.registry.DeleteKey(hive, path.c_str());
}

void CRegistryKey::DeleteValueWithBackup(plat::HKey hive, const std::string& path, const std::string& name) {
  if (backupFailed_ || !backupOpen_) return;
  if (!Open(hive, path)) return;
  QueriedValue value;
  if (QueryValue(name, value)) {
    block_ = KeyLine(path);
    if (WriteValueLine(name, value) && CommitBlock()) platform_.registry.DeleteValue(currentKey_, name.c_str());
    block_.clear();
  }
  platform_.registry.FlushKey(currentKey_);
  CloseCurrentKey();
}
