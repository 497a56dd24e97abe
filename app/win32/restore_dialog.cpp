#include "app/win32/restore_dialog.h"

#include <commctrl.h>

#include "engine/install_directory.h"
#include "resources/resource_ids.h"

// The directory the program already knows: the product key may be gone by
// now (a review can offer the vendor key for deletion).
CRestoreDialog::CRestoreDialog(const plat::Platform& platform, plat::IShell& shell)
    : Win32Dialog(IDD_RESTORE), logic_(platform, shell, InstallDirectory()) {}

bool CRestoreDialog::OnInitDialog() {
  for (int id : {IDC_DELETE_BACKUPS, IDC_RESTORE_SELECTED, IDC_VIEW_BACKUPS})
    ::EnableWindow(::GetDlgItem(hwnd(), id), FALSE);
  Fill();
  return true;
}

void CRestoreDialog::Fill() {
  HWND list = ::GetDlgItem(hwnd(), IDC_RESTORE_LIST);
  for (const std::string& name : logic_.ListBackups()) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<char*>(name.c_str());
    ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
}

std::vector<std::string> CRestoreDialog::CollectSelection(bool deselect) {
  HWND list = ::GetDlgItem(hwnd(), IDC_RESTORE_LIST);
  std::vector<std::string> names;
  const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (!(::SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED)) continue;
    char text[MAX_PATH] = {};
    LVITEMA item{};
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
    names.emplace_back(text);
    if (deselect) {
      LVITEMA state{};
      state.stateMask = LVIS_SELECTED;
      ::SendMessageA(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
    }
  }
  return names;
}

void CRestoreDialog::UpdateButtons() {
  const bool any = !CollectSelection(false).empty();
  for (int id : {IDC_DELETE_BACKUPS, IDC_RESTORE_SELECTED, IDC_VIEW_BACKUPS})
    ::EnableWindow(::GetDlgItem(hwnd(), id), any);
}

void CRestoreDialog::OnCommand(int id, int code) {
  HWND list = ::GetDlgItem(hwnd(), IDC_RESTORE_LIST);
  switch (id) {
    case IDC_RESTORE_SELECTED: {
      const auto names = CollectSelection(true);
      if (!names.empty()) {
        UpdateButtons();
        logic_.Restore(names);
      }
      ::SetFocus(list);
      break;
    }
    case IDC_DELETE_BACKUPS: {
      const auto names = CollectSelection(false);
      if (logic_.Delete(names)) {
        CollectSelection(true);
        UpdateButtons();
        ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
        Fill();
      }
      ::SetFocus(list);
      break;
    }
    case IDC_VIEW_BACKUPS:
      logic_.View(CollectSelection(false));
      ::SetFocus(list);
      break;
    default:
      Win32Dialog::OnCommand(id, code);
  }
}

LRESULT CRestoreDialog::OnNotify(NMHDR* header) {
  if (header->idFrom == IDC_RESTORE_LIST && header->code == NM_CLICK) UpdateButtons();
  return 0;
}
