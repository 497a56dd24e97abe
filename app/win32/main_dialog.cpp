#include "app/win32/main_dialog.h"

#include <commctrl.h>

#include "app/main_layout.h"
#include "app/win32/about_dialog.h"
#include "app/win32/restore_dialog.h"
#include "app/win32/tweaks_dialog.h"
#include "engine/install_directory.h"
#include "platform/win32/win32_html_help.h"
#include "resources/resource_ids.h"

CMainDialog::CMainDialog(const plat::Platform& platform, plat::IShell& shell)
    : Win32Dialog(IDD_MAIN), platform_(platform), shell_(shell) {
  icon_ = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAINFRAME));
}

CMainDialog::~CMainDialog() = default;

namespace {

// The dialog's pixel layout (the list to x = 994, the bottom row to y = 628)
// and the template's status cells, labels and counters meet only at two
// pixels per dialog unit. No template font gives that everywhere (Tahoma 8
// gives 1.5 by 1.625, Wine's system font 1.75 by 2), so the template's
// rectangles are taken back to dialog units and placed at two pixels each,
// the client area too; the font is then only the text's.
constexpr int kPixelsPerUnit = 2;

void PlaceAtTwoPixelsPerUnit(HWND dialog) {
  RECT base{0, 0, 4, 8};
  ::MapDialogRect(dialog, &base);
  auto x = [&](LONG px) { return ::MulDiv(px, 4, base.right) * kPixelsPerUnit; };
  auto y = [&](LONG px) { return ::MulDiv(px, 8, base.bottom) * kPixelsPerUnit; };
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    ::MoveWindow(child, x(r.left), y(r.top), x(r.right - r.left), y(r.bottom - r.top), FALSE);
  }
  RECT client;
  ::GetClientRect(dialog, &client);
  RECT frame{0, 0, x(client.right), y(client.bottom)};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
  ::SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

bool CMainDialog::OnInitDialog() {
  HWND dialog = hwnd();
  if (HMENU system = ::GetSystemMenu(dialog, FALSE)) {
    char about[128] = {};
    if (::LoadStringA(::GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof about) > 0) {
      ::AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuA(system, MF_STRING, IDM_ABOUTBOX, about);
    }
  }
  ::SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  ::SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  controls_ = std::make_unique<plat::win32::Win32DialogControls>(dialog);
  HWND listWindow = ::GetDlgItem(dialog, IDC_LIST);
  list_ = std::make_unique<plat::win32::Win32ListView>(listWindow);
  commands_ = std::make_unique<CMainCommands>(platform_, *controls_, *list_);
  // Each failed check closes the dialog once initialisation has finished.
  if (!commands_->CheckOperatingSystem()) OnCancel();
  if (!commands_->CheckInstallDirectory()) OnCancel();
  ::SendMessageA(listWindow, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  commands_->Initialise();
  PlaceAtTwoPixelsPerUnit(dialog);
  Layout(0, 0);
  return true;
}

void CMainDialog::Layout(int cx, int cy) {
  for (const ControlRect& r : MainDialogLayout(cx, cy))
    ::MoveWindow(::GetDlgItem(hwnd(), r.id), r.left, r.top, r.width, r.height, TRUE);
}

void CMainDialog::OnSize(UINT type, int cx, int cy) {
  // The notification sent while the dialog is being created comes before
  // WM_INITDIALOG, when the dialog procedure does not know this object yet:
  // it never reaches here, and every one that does is a real resize.
  if (!commands_ || type == SIZE_MINIMIZED) return;
  Layout(cx, cy);
  // The controls moved; what lay under them is drawn anew.
  ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

std::function<void()> CMainDialog::JobEndNotice() {
  HWND dialog = hwnd();
  return [dialog] { ::PostMessageA(dialog, kJobEnded, 0, 0); };
}

void CMainDialog::OnCommand(int id, int code) {
  if (!commands_) return;
  if (id == IDC_STATUS) {
    // The status line never keeps the focus, so it cannot be typed into.
    if (code == EN_SETFOCUS) ::SetFocus(::GetDlgItem(hwnd(), IDC_EXIT));
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case IDC_FIND: commands_->OnFindProblems(JobEndNotice()); break;
    case IDC_USER_DETERMINES: commands_->OnUserDetermines(JobEndNotice()); break;
    case IDC_FIX: commands_->OnFixSelected(JobEndNotice()); break;
    case IDC_DISPLAY_EXCLUSIONS: commands_->OnDisplayExclusions(JobEndNotice()); break;
    case IDC_SELECT_ALL: commands_->OnSelectAll(); break;
    case IDC_UNSELECT_ALL: commands_->OnUnselectAll(); break;
    case IDC_CANCEL_ACTIONS: commands_->OnCancelActions(); break;
    case IDC_RESTORE: {
      controls_->SetText(IDC_STATUS, "Displaying Restore/Delete Backups");
      CRestoreDialog restore(platform_, shell_);
      restore.DoModal(hwnd());
      controls_->SetText(IDC_STATUS, "Restore/Delete Backups completed.");
      break;
    }
    case IDC_ADD_EXCLUSIONS: commands_->OnAddExclusions(); break;
    case IDC_DELETE_EXCLUSIONS: commands_->OnDeleteExclusions(); break;
    case IDC_MISC: {
      controls_->SetText(IDC_STATUS, "Update Program/Tips & Tweaks");
      CTweaksDialog tweaks(platform_);
      tweaks.DoModal(hwnd());
      controls_->SetText(IDC_STATUS, "Update Program/Tips & Tweaks completed.");
      break;
    }
    case IDC_HELP_BUTTON:
      controls_->SetText(IDC_STATUS, "Displaying help");
      plat::win32::CallHtmlHelp(hwnd(), (InstallDirectory() + "Tidemarrow.chm").c_str(), 0, 0);
      controls_->SetText(IDC_STATUS, "");
      controls_->SetText(IDC_STATUS, "Help displayed.");
      break;
    case IDCANCEL:  // Exit, the close box and Escape
      OnCancel();
      break;
    default:  // Enter (IDOK) does not end the main window
      break;
  }
}

void CMainDialog::OnCancel() {
  // While a job runs it writes into this window: the window asks it to stop
  // and closes when it has ended.
  if (commands_ && commands_->JobRunning()) {
    commands_->OnCancelActions();
    closeWhenJobEnds_ = true;
    return;
  }
  if (controls_) controls_->SetText(IDC_STATUS, "Exiting program...");
  End(IDCANCEL);
}

bool CMainDialog::OnSysCommand(WPARAM id, LPARAM) {
  if ((id & 0xFFF0) != IDM_ABOUTBOX) return false;
  CAboutDialog about;
  about.DoModal(hwnd());
  return true;
}

bool CMainDialog::OnPaint() {
  if (!::IsIconic(hwnd())) return false;
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(hwnd(), &paint);
  ::SendMessageA(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  ::GetClientRect(hwnd(), &client);
  const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  ::DrawIcon(dc, x, y, icon_);
  ::EndPaint(hwnd(), &paint);
  return true;
}

INT_PTR CMainDialog::OnMessage(UINT message, WPARAM, LPARAM, bool& handled) {
  if (message == WM_QUERYDRAGICON) {
    handled = true;
    return reinterpret_cast<INT_PTR>(icon_);
  }
  if (message == kJobEnded) {
    handled = true;
    // The focus may sit on "Cancel Ac&tions", disabled now: it goes to the
    // first job button, as after the dialog opened.
    HWND focus = ::GetFocus();
    if (!focus || !::IsWindowEnabled(focus)) ::SetFocus(::GetDlgItem(hwnd(), IDC_FIND));
    if (closeWhenJobEnds_) {
      closeWhenJobEnds_ = false;
      OnCancel();
    }
    return 0;
  }
  handled = false;
  return 0;
}
