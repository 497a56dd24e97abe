#include "scanners/extensions_scanner.h"

void CExtensionsScanner::ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  problemsFound_ = 0;
  rootKeyPath_ = "Software\\Classes";
  WalkPersistentHandlers(exclusions, problemsFile);
  rootKeyPath_ = "Software\\Classes\\SystemFileAssociations";
  WalkAssociations(exclusions, problemsFile);
  rootKeyPath_ = "Software\\Microsoft\\Windows\\CurrentVersion\\Extensions";
  WalkExtensionsList(plat::kLocalMachine, exclusions, problemsFile);
  WalkExtensionsList(plat::kCurrentUser, exclusions, problemsFile);
  rootKeyPath_ = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Extensions";
  WalkExtensionsList(plat::kCurrentUser, exclusions, problemsFile);
}

void CExtensionsScanner::CheckKey(const std::string& fullKey, const std::string& mainKey,
                                  const std::string& deleteKey, const char* tag,
                                  const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  entry_.fullKey = fullKey;
  entry_.mainKey = mainKey;
  entry_.deleteKey = deleteKey;
  entry_.valueName = "default";
  util_.ReadValue("", entry_.valueData);
  entry_.valueData2 = tag;
  CheckEntry(exclusions, problemsFile);
}

void CExtensionsScanner::WalkPersistentHandlers(const std::vector<std::string>& exclusions,
                                                const std::string& problemsFile) {
  std::vector<std::string> names;
  if (util_.OpenAndListClassesRoot("")) names = util_.TakeSubkeyNames();
  for (const std::string& name : names) {
    if (name.empty() || name[0] != '.') continue;
    entryList_.ClearEntry(entry_);
    entry_.marker = "L (K)";
    entry_.section = "Extensions";
    const std::string extensionKey = rootKeyPath_ + "\\" + name;
    if (!util_.Open(plat::kLocalMachine, extensionKey + "\\PersistentHandler")) continue;
    CheckKey(extensionKey + "\\PersistentHandler", "PersistentHandler", extensionKey, "PersistentHandler", exclusions,
             problemsFile);
  }
}

void CExtensionsScanner::WalkAssociations(const std::vector<std::string>& exclusions,
                                          const std::string& problemsFile) {
  std::vector<std::string> names;
  if (util_.OpenAndListClassesRoot("SystemFileAssociations")) names = util_.TakeSubkeyNames();
  for (const std::string& name : names) {
    entryList_.ClearEntry(entry_);
    entry_.marker = "L (K)";
    entry_.section = "Extensions";
    const std::string association = rootKeyPath_ + "\\" + name;
    if (util_.Open(plat::kLocalMachine, association + "\\Shell\\Open\\Command")) {
      CheckKey(association + "\\Shell\\Open\\Command", "Command", association, "SysFile", exclusions, problemsFile);
      continue;
    }
    if (!util_.Open(plat::kLocalMachine, association + "\\ShellEx")) continue;
    std::vector<std::string> handlers;
    if (util_.OpenAndListClassesRoot("SystemFileAssociations\\" + name + "\\ShellEx")) handlers = util_.TakeSubkeyNames();
    for (const std::string& handler : handlers) {
      const std::string key = association + "\\ShellEx\\" + handler;
      if (handler == "PropertyHandler") {
        if (util_.Open(plat::kLocalMachine, key))
          CheckKey(key, "PropertyHandler", association, "PropertyHandler", exclusions, problemsFile);
      } else if (!handler.empty() && handler[0] == '{') {
        if (util_.Open(plat::kLocalMachine, key)) CheckKey(key, handler, association, "{", exclusions, problemsFile);
      }
    }
  }
}

void CExtensionsScanner::WalkExtensionsList(plat::HKey hive, const std::vector<std::string>& exclusions,
                                            const std::string& problemsFile) {
  const bool machine = hive == plat::kLocalMachine;
  if (!util_.Open(hive, rootKeyPath_)) return;
  util_.ListValues();
  const std::vector<std::string> names = util_.ValueNames();
  for (const std::string& name : names) {
    entryList_.ClearEntry(entry_);
    entry_.marker = machine ? "L (V)" : "U (V)";
    entry_.section = "Extensions";
    entry_.fullKey = rootKeyPath_;
    entry_.mainKey = "Extensions";
    entry_.valueName = name;
    util_.ReadValue(name, entry_.valueData);
    entry_.valueData2 = machine ? "WinLMExt" : "WinUExt";
    CheckEntry(exclusions, problemsFile);
  }
}

void CExtensionsScanner::CheckEntry(const std::vector<std::string>& exclusions, const std::string& problemsFile) {
  if (IsExcluded(exclusions)) return;
  const std::string& tag = entry_.valueData2;
  if (tag == "PersistentHandler") {
    if (!util_.ClassIdExists(entry_.valueData))
      File("PersistentHandler references class id that does not exist.", problemsFile);
  } else if (tag == "SysFile") {
    if (!util_.FileReferenceExists(entry_.valueData))
      File("Shell Command references file that does not exist.", problemsFile);
  } else if (tag == "PropertyHandler" || tag == "{") {
    if (!util_.ClassIdExists(entry_.valueData)) File("ShellEx references class id that does not exist.", problemsFile);
  } else if (tag == "WinLMExt" || tag == "WinUExt") {
    if (!util_.FileReferenceExists(entry_.valueData))
      File("Window Extensions references file that does not exist.", problemsFile);
  }
}
