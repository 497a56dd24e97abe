// CRestoreDialog: template 141, "Restore Saved Registry Data". The commands
// are CRestoreLogic's; this class is the window around them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32_dialog.h"
#include "restore/restore_logic.h"

class CRestoreDialog final : public plat::win32::Win32Dialog {
 public:
  CRestoreDialog(const plat::Platform& platform, plat::IShell& shell);

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code) override;
  LRESULT OnNotify(NMHDR* header) override;

 private:
  void Fill();
  std::vector<std::string> CollectSelection(bool deselect);
  void UpdateButtons();

  CRestoreLogic logic_;
};
