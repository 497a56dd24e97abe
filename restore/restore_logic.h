// What the restore dialog does with the backup files, apart from its window:
// list them, restore them with the system's registry tool, delete and view
// them. Each command shows the program's messages itself.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/shell.h"

class CRestoreLogic {
 public:
  // installationDirectory: the one the program already knows.
  CRestoreLogic(const plat::Platform& platform, plat::IShell& shell, std::string installationDirectory);

  // The names matching "Backup*.reg" without case, except the working file
  // named exactly "backup.reg", newest (highest name) first.
  std::vector<std::string> ListBackups();
  // Imports each file with "reg.exe Import NAME" and waits for it; a file
  // counts as restored only when the tool ended with success.
  bool Restore(const std::vector<std::string>& names);
  // Asks first; false when the answer was not OK. Reports success only for
  // what was deleted.
  bool Delete(const std::vector<std::string>& names);
  void View(const std::vector<std::string>& names);

  // "Import " and the name, quoted when it holds a blank.
  static std::string ImportParameters(const std::string& name);

 private:
  const plat::Platform& platform_;
  plat::IShell& shell_;
  std::string directory_;
};
