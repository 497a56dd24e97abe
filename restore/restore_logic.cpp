#include "restore/restore_logic.h"

#include <algorithm>

#include "platform/codepage.h"
#include "registry/registry_key.h"

namespace {

constexpr unsigned kInformation = 0x40;

std::string Word(std::size_t count) { return count > 1 ? "backups" : "backup"; }

}  // namespace

CRestoreLogic::CRestoreLogic(const plat::Platform& platform, plat::IShell& shell, std::string installationDirectory)
    : platform_(platform), shell_(shell), directory_(std::move(installationDirectory)) {}

std::vector<std::string> CRestoreLogic::ListBackups() {
  std::vector<std::string> names, backups;
  platform_.files.ListFiles(directory_, names);
  for (const auto& name : names) {
    const std::string lower = plat::LowerAscii(name);
    if (name == "backup.reg") continue;  // the fix job's working file
    if (lower.size() >= 10 && lower.rfind("backup", 0) == 0 && lower.compare(lower.size() - 4, 4, ".reg") == 0)
      backups.push_back(name);
  }
  std::sort(backups.begin(), backups.end(), [](const std::string& a, const std::string& b) {
    return plat::FoldName(a) > plat::FoldName(b);
  });
  return backups;
}

std::string CRestoreLogic::ImportParameters(const std::string& name) {
  return name.find(' ') == std::string::npos ? "Import " + name : "Import \"" + name + "\"";
}

bool CRestoreLogic::Restore(const std::vector<std::string>& names) {
  if (names.empty()) return false;
  bool success = true;
  for (const auto& name : names) {
    unsigned exitCode = 1;
    const int started = shell_.Execute("reg.exe", ImportParameters(name), directory_, plat::kShowHidden, true, &exitCode);
    if (started <= 32 || exitCode != 0) success = false;
  }
  platform_.messages.Show((success ? "Successfully restored " : "Error restoring ") + Word(names.size()) + ".",
                          plat::mb::kOk | kInformation);
  return success;
}

bool CRestoreLogic::Delete(const std::vector<std::string>& names) {
  if (platform_.messages.Show("Are you sure you want to delete the selected backup(s)?", plat::mb::kOkCancel) !=
      plat::mb::kIdOk)
    return false;
  CRegistryKey key(platform_);
  std::size_t deleted = 0;
  for (const auto& name : names) {
    const std::string path = directory_ + name;
    key.SetAttributeFlags(path, false, false, false, false);
    if (platform_.files.Remove(path)) ++deleted;
    else platform_.messages.Show("Error: Unable to delete " + path, plat::mb::kOk);
  }
  if (deleted > 0) platform_.messages.Show("Successfully deleted " + Word(deleted) + ".", plat::mb::kOk | kInformation);
  return true;
}

void CRestoreLogic::View(const std::vector<std::string>& names) {
  for (const auto& name : names) shell_.Execute("notepad.exe", directory_ + name, "", plat::kShowMaximized, false, nullptr);
}
