#include "app/win32/tweaks_dialog.h"

#include <string>

#include "engine/install_directory.h"
#include "platform/win32/win32_html_help.h"
#include "resources/resource_ids.h"

namespace {

std::string ResourceString(int id) {
  char text[2048] = {};
  const int n = ::LoadStringA(::GetModuleHandleA(nullptr), id, text, sizeof text);
  return std::string(text, n > 0 ? n : 0);
}

}  // namespace

CTweaksDialog::CTweaksDialog(const plat::Platform& platform) : Win32Dialog(IDD_TWEAKS), logic_(platform) {}

bool CTweaksDialog::OnInitDialog() {
  HWND list = ::GetDlgItem(hwnd(), IDC_TWEAK_LIST);
  for (int i = 0; i < kTweakCount; ++i)
    ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ResourceString(IDS_TWEAK_FIRST + i).c_str()));
  return true;
}

int CTweaksDialog::Selected() {
  return static_cast<int>(::SendDlgItemMessageA(hwnd(), IDC_TWEAK_LIST, LB_GETCURSEL, 0, 0));
}

void CTweaksDialog::ShowCurrentSetting(int stringId) {
  HWND value = ::GetDlgItem(hwnd(), IDC_TWEAK_VALUE);
  ::SetWindowTextA(value, "");
  ::EnableWindow(value, FALSE);
  ::EnableWindow(::GetDlgItem(hwnd(), IDC_TWEAK_RESTORE), TRUE);
  const int index = stringId - IDS_TWEAK_FIRST;
  if (index < 0 || index >= kTweakCount) return;
  if (Tweak(index).needsValue) {
    ::EnableWindow(::GetDlgItem(hwnd(), IDC_TWEAK_RESTORE), FALSE);
    ::EnableWindow(value, TRUE);
  }
  std::string typed;
  ::SetDlgItemTextA(hwnd(), IDC_TWEAK_SETTING, logic_.CurrentSetting(index, &typed).c_str());
  if (index == 3 || index == 5 || index == 6) {
    ::SetWindowTextA(value, typed.c_str());
    ::SetFocus(value);
  }
}

void CTweaksDialog::ApplyTweak(int stringId, int action) {
  const int index = stringId - IDS_TWEAK_FIRST;
  if (index < 0 || index >= kTweakCount) return;
  char typed[101] = {};
  ::GetDlgItemTextA(hwnd(), IDC_TWEAK_VALUE, typed, sizeof typed);
  logic_.ApplyTweak(index, action, typed);
}

void CTweaksDialog::OnCommand(int id, int code) {
  const int stringId = IDS_TWEAK_FIRST + Selected();
  switch (id) {
    case IDC_TWEAK_LIST:
      if (code != LBN_SELCHANGE) return;
      ::SetDlgItemTextA(hwnd(), IDC_TWEAK_DESCRIPTION, ResourceString(IDS_TWEAK_DESCRIPTION_FIRST + Selected()).c_str());
      ShowCurrentSetting(stringId);
      return;
    case IDC_TWEAK_MODIFY:
      ApplyTweak(stringId, kTweakModify);
      ShowCurrentSetting(stringId);
      return;
    case IDC_TWEAK_RESTORE:
      ApplyTweak(stringId, kTweakRestoreDefault);
      ShowCurrentSetting(stringId);
      return;
    case IDC_TWEAK_TIPS:
      plat::win32::CallHtmlHelp(hwnd(), (InstallDirectory() + "VA Ziri & Vadede.chm").c_str(), 0, 0);
      return;
    case IDC_TWEAK_SETTING:
    case IDC_TWEAK_DESCRIPTION:
      if (code == EN_SETFOCUS) ::SetFocus(::GetDlgItem(hwnd(), IDC_TWEAK_MODIFY));
      return;
    default:
      Win32Dialog::OnCommand(id, code);
  }
}
