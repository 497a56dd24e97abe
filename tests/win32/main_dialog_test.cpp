// The main dialog under Wine (or Windows): the real window, real controls
// and a real worker thread, driven with the messages a user's clicks send.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "app/main_layout.h"
#include "app/win32/about_dialog.h"
#include "app/win32/main_dialog.h"
#include "app/win32/restore_dialog.h"
#include "app/win32/tweaks_dialog.h"
#include "app/win32/scan_app.h"
#include "engine/problem_list_display.h"
#include "platform/win32/win32_dialog.h"
#include "platform/memory/memory_services.h"
#include "platform/registry_tree.h"
#include "platform/win32/win32_html_help.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_platform.h"
#include "resources/resource_ids.h"
#include "tests/win32/gui_support.h"

using namespace testing_support::gui;

namespace {

constexpr const char* kProductKey = "Software\\Brindlecote\\Tidemarrow";
constexpr const char* kEmptyKey = "Software\\TidemarrowGuiEmpty";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kExtensionKey = "Software\\Classes\\.tmg";

std::string TempDirectory() {
  char temp[MAX_PATH];
  ::GetTempPathA(sizeof temp, temp);
  return std::string(temp) + "TidemarrowGui\\";
}

std::string ExeDirectory() {
  char path[MAX_PATH];
  ::GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s = path;
  return s.substr(0, s.rfind('\\') + 1);
}

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::SetEnvironmentVariableA("OS", "Windows_NT");
    dir = TempDirectory();
    ::CreateDirectoryA(dir.c_str(), nullptr);
    ::CopyFileA((ExeDirectory() + "Tidemarrow.chm").c_str(), (dir + "Tidemarrow.chm").c_str(), FALSE);
    plat::HKey key = 0;
    ASSERT_EQ(registry.CreateKeyEx(plat::kLocalMachine, kProductKey, &key), 0);
    const std::string path = dir;
    registry.SetValueEx(key, "Path", 1, reinterpret_cast<const std::uint8_t*>(path.c_str()),
                        static_cast<std::uint32_t>(path.size() + 1));
    registry.CloseKey(key);
    registry.CreateKeyEx(plat::kLocalMachine, kEmptyKey, &key);
    registry.CloseKey(key);
    registry.CreateKeyEx(plat::kLocalMachine, kExtensionKey, &key);
    registry.CloseKey(key);
    registry.CreateKeyEx(plat::kCurrentUser, kRunKey, &key);
    // An extension of the test's own, so the missing program is recognised
    // whatever the prefix has registered.
    const std::string missing = "C:\\TidemarrowNowhere\\missing.tmg";
    registry.SetValueEx(key, "TidemarrowGuiMissing", 1, reinterpret_cast<const std::uint8_t*>(missing.c_str()),
                        static_cast<std::uint32_t>(missing.size() + 1));
    registry.CloseKey(key);
  }
  void TearDown() override {
    plat::DeleteTree(registry, plat::kLocalMachine, kEmptyKey);
    plat::DeleteTree(registry, plat::kLocalMachine, kExtensionKey);
    plat::HKey key = 0;
    if (registry.OpenKeyEx(plat::kCurrentUser, kRunKey, 0, plat::kKeyAllAccess, &key) == 0) {
      registry.DeleteValue(key, "TidemarrowGuiMissing");
      registry.CloseKey(key);
    }
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((dir + "*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        const std::string file = dir + found.cFileName;
        ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(file.c_str());
      } while (::FindNextFileA(h, &found));
      ::FindClose(h);
    }
    ::RemoveDirectoryA(dir.c_str());
  }

  // The real Windows, with message boxes that a test answers.
  plat::win32::Win32PlatformWith<plat::memory::RecordedMessageBoxes> windows;
  plat::win32::Win32Registry& registry = windows.registry;
  plat::memory::RecordedMessageBoxes& messages = windows.messages;
  plat::win32::Win32Shell& shell = windows.shell;
  const plat::Platform& platform = windows.platform;
  std::string dir;
};

}  // namespace

TEST_F(MainDialogTest, StartsWithItsControlsAsInitialised) {
  CMainDialog dialog(platform, shell);
  ASSERT_TRUE(dialog.Create());
  HWND h = dialog.hwnd();
  EXPECT_TRUE(messages.Boxes().empty());
  for (int id : {IDC_FIX, IDC_UNSELECT_ALL, IDC_SELECT_ALL, IDC_DELETE_EXCLUSIONS, IDC_ADD_EXCLUSIONS,
                 IDC_CANCEL_ACTIONS})
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, id))) << id;
  for (int id : {IDC_FIND, IDC_USER_DETERMINES, IDC_RESTORE, IDC_DISPLAY_EXCLUSIONS, IDC_MISC, IDC_HELP_BUTTON,
                 IDC_EXIT})
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, id))) << id;
  EXPECT_EQ(Text(h, IDC_SELECT_ALL), "");
  EXPECT_EQ(Text(h, IDC_FOUND_LABEL), "");
  EXPECT_EQ(Text(h, IDC_EXAMINED_LABEL), "Keys/Values Examined:");
  EXPECT_EQ(Text(h, IDC_EXAMINED_COUNT), "0");
  HWND list = ::GetDlgItem(h, IDC_LIST);
  EXPECT_EQ(::SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
  HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
  EXPECT_EQ(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 8);
  EXPECT_EQ(::SendMessageA(list, LVM_GETCOLUMNWIDTH, 7, 0), 0) << "Delete Key is carried but not seen";
  RECT r;
  ::GetWindowRect(list, &r);
  ::MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 14);
  EXPECT_EQ(r.top, 170);
  EXPECT_EQ(r.right - r.left, 980);
  HMENU system = ::GetSystemMenu(h, FALSE);
  char about[64] = {};
  ::GetMenuStringA(system, IDM_ABOUTBOX, about, sizeof about, MF_BYCOMMAND);
  EXPECT_STREQ(about, "&About Tidemarrow...");
}

TEST_F(MainDialogTest, FindsListsAndFixesThroughTheWindow) {
  CMainDialog dialog(platform, shell);
  ASSERT_TRUE(dialog.Create());
  ::ShowWindow(dialog.hwnd(), SW_SHOW);
  HWND h = dialog.hwnd();
  Click(h, IDC_FIND);
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, IDC_FIND))) << "disabled as soon as the job is created";
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, IDC_CANCEL_ACTIONS)));
  Click(h, IDC_FIND);  // a second press while the job runs starts nothing
  ASSERT_TRUE(PumpUntil([&] { return !dialog.Commands()->JobRunning(); }));
  PumpUntil([] { return true; });
  EXPECT_EQ(Text(h, IDC_STATUS), "Tidemarrow Finds Problems => Completed.");
  EXPECT_EQ(Text(h, 1043), " Done =>  Major Keys");
  EXPECT_EQ(Text(h, 1044), " Done =>  Uninstall");
  EXPECT_EQ(Text(h, IDC_FOUND_LABEL), "Problems Found:");
  EXPECT_NE(std::stoi(Text(h, IDC_EXAMINED_COUNT)), 0);
  HWND list = ::GetDlgItem(h, IDC_LIST);
  plat::win32::Win32ListView view(list);
  EXPECT_EQ(view.GetItemCount(), std::stoi(Text(h, IDC_FOUND_COUNT)));
  const int empty = FindRow(list, kEmptyKey, "default");
  const int run = FindRow(list, kRunKey, "TidemarrowGuiMissing");
  ASSERT_GE(empty, 0);
  ASSERT_GE(run, 0);
  EXPECT_EQ(view.GetCell(empty, 6), "No values or subkeys for this key.");
  EXPECT_EQ(view.GetCell(run, 0), "U (V)");
  EXPECT_EQ(view.GetCell(run, 6), "Run file does not exist.");
  for (int id : {IDC_ADD_EXCLUSIONS, IDC_SELECT_ALL, IDC_UNSELECT_ALL, IDC_FIX, IDC_FIND, IDC_EXIT})
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, id))) << id;
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, IDC_DELETE_EXCLUSIONS)));
  RECT client;
  ::GetClientRect(h, &client);
  EXPECT_GE(client.bottom, 634) << "the bottom row of buttons fits the client area";
  if (const char* shot = ::getenv("TIDEMARROW_SCREENSHOT")) Screenshot(h, shot);

  Click(h, IDC_SELECT_ALL);
  for (int r = 0; r < view.GetItemCount(); ++r) EXPECT_TRUE(view.IsChecked(r));
  Click(h, IDC_UNSELECT_ALL);
  view.SetChecked(empty, true);
  view.SetChecked(run, true);
  Click(h, IDC_FIX);
  ASSERT_TRUE(PumpUntil([&] { return !dialog.Commands()->JobRunning(); }));
  EXPECT_EQ(Text(h, IDC_STATUS), "Fixing Selected Problems => Completed.");
  EXPECT_EQ(Text(h, IDC_FIXED_LABEL), "Problems Fixed:");
  EXPECT_EQ(Text(h, IDC_FIXED_COUNT), "2");
  EXPECT_EQ(FindRow(list, kEmptyKey, "default"), -1);
  plat::HKey key = 0;
  EXPECT_EQ(registry.OpenKeyEx(plat::kLocalMachine, kEmptyKey, 0, plat::kKeyRead, &key), 2);
  WIN32_FIND_DATAA found;
  HANDLE backup = ::FindFirstFileA((dir + "Backup-*.reg").c_str(), &found);
  EXPECT_NE(backup, INVALID_HANDLE_VALUE);
  if (backup != INVALID_HANDLE_VALUE) ::FindClose(backup);
  EXPECT_TRUE(messages.Boxes().empty());

  Click(h, IDC_HELP_BUTTON);
  EXPECT_EQ(Text(h, IDC_STATUS), "Help displayed.");
  HWND help = plat::win32::CallHtmlHelp(h, (dir + "Tidemarrow.chm").c_str(), 0, 0);
  EXPECT_NE(help, nullptr) << "the HTML Help window opens";
  if (help) ::DestroyWindow(help);
}

TEST_F(MainDialogTest, StartUpFailuresShowTheirMessagesAndEnd) {
  ::SetEnvironmentVariableA("OS", "Windows_95");
  {
    CMainDialog dialog(platform, shell);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  }
  ASSERT_EQ(messages.Boxes().size(), 1u);
  EXPECT_EQ(messages.Boxes()[0].text, "Tidemarrow will only operate on Windows 2000 and XP operating systems.");
  ::SetEnvironmentVariableA("OS", "Windows_NT");

  plat::HKey key = 0;
  registry.OpenKeyEx(plat::kLocalMachine, kProductKey, 0, plat::kKeyAllAccess, &key);
  registry.DeleteValue(key, "Path");
  registry.CloseKey(key);
  {
    CScanApp app(platform, shell);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(app.ShowedDialog()) << "the key exists: the dialog starts and closes itself";
  }
  ASSERT_EQ(messages.Boxes().size(), 2u);
  EXPECT_EQ(messages.Boxes()[1].text, "Install directory not found in registry.\nContact support.");

  plat::DeleteTree(registry, plat::kLocalMachine, kProductKey);
  CScanApp app(platform, shell);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_FALSE(app.ShowedDialog()) << "no product key: no window at all";
  ASSERT_EQ(messages.Boxes().size(), 3u);
  EXPECT_EQ(messages.Boxes()[2].text, "Registry values for Tidemarrow are missing.  Contact support.");
}

TEST_F(MainDialogTest, TheProgramStartsShowsItsWindowAndClosesOnExit) {
  std::string command = "\"" + ExeDirectory() + "Tidemarrow.exe\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  HWND window = nullptr;
  PumpUntil([&] {
    window = ::FindWindowA(nullptr, "Tidemarrow");
    return window != nullptr && ::IsWindowVisible(window) && ::GetDlgItem(window, IDC_FIND) != nullptr;
  });
  ASSERT_NE(window, nullptr) << "the main dialog appears";
  char status[128] = {};
  ::GetDlgItemTextA(window, IDC_EXAMINED_LABEL, status, sizeof status);
  EXPECT_STREQ(status, "Keys/Values Examined:");
  if (const char* shot = ::getenv("TIDEMARROW_SMOKE_SCREENSHOT")) {
    ::Sleep(500);
    Screenshot(window, shot);
  }
  ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), 0);
  EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0) << "Exit ends the program";
  DWORD code = 1;
  ::GetExitCodeProcess(pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
}

TEST_F(MainDialogTest, TheRestoreDialogBringsBackWhatAFixDeleted) {
  CMainDialog dialog(platform, shell);
  ASSERT_TRUE(dialog.Create());
  HWND h = dialog.hwnd();
  Click(h, IDC_FIND);
  ASSERT_TRUE(PumpUntil([&] { return !dialog.Commands()->JobRunning(); }));
  HWND list = ::GetDlgItem(h, IDC_LIST);
  plat::win32::Win32ListView view(list);
  const int empty = FindRow(list, kEmptyKey, "default");
  const int run = FindRow(list, kRunKey, "TidemarrowGuiMissing");
  ASSERT_GE(empty, 0);
  ASSERT_GE(run, 0);
  view.SetChecked(empty, true);
  view.SetChecked(run, true);
  Click(h, IDC_FIX);
  ASSERT_TRUE(PumpUntil([&] { return !dialog.Commands()->JobRunning(); }));
  plat::HKey key = 0;
  ASSERT_EQ(registry.OpenKeyEx(plat::kLocalMachine, kEmptyKey, 0, plat::kKeyRead, &key), 2) << "the fix deleted it";

  CRestoreDialog restore(platform, shell);
  ASSERT_TRUE(restore.Create(h));
  HWND backups = ::GetDlgItem(restore.hwnd(), IDC_RESTORE_LIST);
  ASSERT_EQ(::SendMessageA(backups, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(restore.hwnd(), IDC_RESTORE_SELECTED))) << "nothing selected yet";
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  ::SendMessageA(backups, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
  if (const char* shot = ::getenv("TIDEMARROW_RESTORE_SCREENSHOT")) {
    ::ShowWindow(restore.hwnd(), SW_SHOW);
    Screenshot(restore.hwnd(), shot);
  }
  Click(restore.hwnd(), IDC_RESTORE_SELECTED);
  ASSERT_EQ(messages.Boxes().size(), 1u);
  EXPECT_EQ(messages.Boxes()[0].text, "Successfully restored backup.") << "reg.exe ended with success";
  EXPECT_EQ(registry.OpenKeyEx(plat::kLocalMachine, kEmptyKey, 0, plat::kKeyRead, &key), 0) << "the key is back";
  registry.CloseKey(key);
  ASSERT_EQ(registry.OpenKeyEx(plat::kCurrentUser, kRunKey, 0, plat::kKeyRead, &key), 0);
  char data[128] = {};
  std::uint32_t size = sizeof data;
  EXPECT_EQ(registry.QueryValueEx(key, "TidemarrowGuiMissing", nullptr, reinterpret_cast<std::uint8_t*>(data), &size), 0);
  EXPECT_STREQ(data, "C:\\TidemarrowNowhere\\missing.tmg");
  registry.CloseKey(key);
}

namespace {

// Runs a command line and returns what it printed.
std::string Capture(std::string command) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  ::CreatePipe(&read, &write, &sa, 0);
  ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = write;
  si.hStdError = write;
  PROCESS_INFORMATION pi{};
  std::string out;
  if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
    ::CloseHandle(write);
    write = nullptr;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
    ::WaitForSingleObject(pi.hProcess, 30000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  if (write) ::CloseHandle(write);
  ::CloseHandle(read);
  return out;
}

}  // namespace

TEST_F(MainDialogTest, TheTweaksDialogShowsAndChangesTheRealRegistry) {
  // The string table is written by the build from the code's table: its
  // quotes and Windows-1252 bytes must come through as they are.
  for (int i = 0; i < kTweakCount; ++i) {
    char text[2048] = {};
    ::LoadStringA(::GetModuleHandleA(nullptr), IDS_TWEAK_FIRST + i, text, sizeof text);
    EXPECT_STREQ(text, Tweak(i).listText) << "string " << IDS_TWEAK_FIRST + i;
    ::LoadStringA(::GetModuleHandleA(nullptr), IDS_TWEAK_DESCRIPTION_FIRST + i, text, sizeof text);
    EXPECT_STREQ(text, TweakDescription(i)) << "string " << IDS_TWEAK_DESCRIPTION_FIRST + i;
  }
  plat::HKey key = 0;
  registry.CreateKeyEx(plat::kCurrentUser, "Control Panel\\Desktop", &key);
  registry.CloseKey(key);
  CTweaksDialog tweaks(platform);
  ASSERT_TRUE(tweaks.Create());
  ::ShowWindow(tweaks.hwnd(), SW_SHOW);
  HWND h = tweaks.hwnd();
  EXPECT_EQ(::SendDlgItemMessageA(h, IDC_TWEAK_LIST, LB_GETCOUNT, 0, 0), kTweakCount);
  ::SendDlgItemMessageA(h, IDC_TWEAK_LIST, LB_SETCURSEL, 8, 0);
  ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_TWEAK_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(::GetDlgItem(h, IDC_TWEAK_LIST)));
  EXPECT_EQ(Text(h, IDC_TWEAK_DESCRIPTION), TweakDescription(8));
  Click(h, IDC_TWEAK_MODIFY);
  EXPECT_EQ(Text(h, IDC_TWEAK_SETTING), "Windows version is displayed on the desktop.");
  ASSERT_EQ(messages.Boxes().size(), 1u);
  EXPECT_EQ(messages.Boxes()[0].text, "Change won't take effect until you reboot your computer.");
  const std::string query = Capture("reg.exe query \"HKCU\\Control Panel\\Desktop\" /v PaintDesktopVersion");
  EXPECT_NE(query.find("0x1"), std::string::npos) << query;
  if (const char* shot = ::getenv("TIDEMARROW_TWEAKS_SCREENSHOT")) Screenshot(h, shot);
  Click(h, IDC_TWEAK_RESTORE);
  EXPECT_EQ(Text(h, IDC_TWEAK_SETTING), "Windows version is not displayed on the desktop.");
  EXPECT_NE(Capture("reg.exe query \"HKCU\\Control Panel\\Desktop\" /v PaintDesktopVersion").find("0x0"),
            std::string::npos);
  ::SendDlgItemMessageA(h, IDC_TWEAK_LIST, LB_SETCURSEL, 3, 0);
  ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_TWEAK_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(::GetDlgItem(h, IDC_TWEAK_LIST)));
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, IDC_TWEAK_RESTORE))) << "the menu speed has no default button";
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, IDC_TWEAK_VALUE)));
}

namespace {
HWND g_openedFromMisc = nullptr;
void CALLBACK CloseTweaks(HWND, UINT, UINT_PTR id, DWORD) {
  if (HWND w = ::FindWindowA(nullptr, "Tidemarrow Miscellaneous - Tips and Tweaks, Updates")) {
    g_openedFromMisc = w;
    ::PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ::KillTimer(nullptr, id);
  }
}
}  // namespace

TEST_F(MainDialogTest, MiscOpensTheTweaksDialogModally) {
  CMainDialog dialog(platform, shell);
  ASSERT_TRUE(dialog.Create());
  HWND h = dialog.hwnd();
  // The dialog's own message loop runs the timer that finds and closes it.
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, CloseTweaks);
  Click(h, IDC_MISC);
  ::KillTimer(nullptr, timer);
  EXPECT_NE(g_openedFromMisc, nullptr);
  EXPECT_EQ(Text(h, IDC_STATUS), "Update Program/Tips & Tweaks completed.");
}

namespace {

bool Overlap(const RECT& a, const RECT& b) {
  RECT both;
  return ::IntersectRect(&both, &a, &b) != 0;
}
std::string Show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}

}  // namespace

TEST_F(MainDialogTest, TheCellsCountersListAndButtonsMeetAtTwoPixelsPerUnit) {
  CMainDialog dialog(platform, shell);
  ASSERT_TRUE(dialog.Create());
  HWND h = dialog.hwnd();
  ::ShowWindow(h, SW_SHOW);
  RECT client;
  ::GetClientRect(h, &client);
  EXPECT_EQ(client.right, 1008) << "504 units";
  EXPECT_EQ(client.bottom, 642) << "321 units";
  const RECT list = ChildRect(h, IDC_LIST);
  EXPECT_EQ(Show(list), "14,170 980x424");
  EXPECT_EQ(Show(ChildRect(h, IDC_EXIT)), "914,600 80x28");
  // The grid of cells spans the list's width: its last column ends where
  // the list does, its first begins where the list begins.
  EXPECT_EQ(Show(ChildRect(h, 1043)), "14,54 190x22");
  EXPECT_EQ(ChildRect(h, 1051).right, list.right);
  EXPECT_EQ(ChildRect(h, 1044).right, list.right);
  const RECT status = ChildRect(h, IDC_STATUS);
  for (int id : {IDC_EXAMINED_LABEL, IDC_EXAMINED_COUNT, IDC_FOUND_LABEL, IDC_FOUND_COUNT, IDC_FIXED_LABEL,
                 IDC_FIXED_COUNT}) {
    const RECT r = ChildRect(h, id);
    EXPECT_FALSE(Overlap(r, status)) << id << " lies under the status line at " << Show(r);
    EXPECT_GE(r.top, ChildRect(h, 1044).bottom) << id << " below the cells";
    EXPECT_LE(r.bottom, list.top) << id << " above the list";
  }
  for (int id = 1038; id <= 1052; ++id)
    for (int other = id + 1; other <= 1052; ++other)
      EXPECT_FALSE(Overlap(ChildRect(h, id), ChildRect(h, other))) << id << " and " << other;
  EXPECT_LE(ChildRect(h, IDC_EXIT).bottom + 14, client.bottom) << "the bottom row keeps its margin";

  // The longest texts the job writes fit where they are shown.
  auto fits = [&](int id, const std::string& text) { return TextFits(::GetDlgItem(h, id), text); };
  EXPECT_TRUE(fits(IDC_STATUS, "User Determines Problems => Displaying problems..."));
  EXPECT_TRUE(fits(IDC_STATUS, "Tidemarrow Finds Problems => Displaying problems..."));
  EXPECT_TRUE(fits(1050, " Processing =>  Shared Tools"));
  EXPECT_TRUE(fits(IDC_EXAMINED_LABEL, "Keys/Values Examined:"));
  EXPECT_TRUE(fits(IDC_EXAMINED_COUNT, "99999999"));
  EXPECT_TRUE(fits(IDC_FIXED_LABEL, "Problems Fixed:"));
}

TEST_F(MainDialogTest, TheAboutBoxShowsEveryLineWhole) {
  CAboutDialog about;
  ASSERT_TRUE(about.Create());
  HWND h = about.hwnd();
  const RECT ok = ChildRect(h, IDOK);
  for (int id : {IDC_ABOUT_VERSION, IDC_ABOUT_TEXT, IDC_ABOUT_WEB, IDC_ABOUT_MAIL, IDC_ABOUT_DONATE}) {
    EXPECT_TRUE(TextFits(::GetDlgItem(h, id), Text(h, id))) << Text(h, id);
    EXPECT_FALSE(Overlap(ChildRect(h, id), ok)) << Text(h, id);
  }
  ::DestroyWindow(h);
}

TEST_F(MainDialogTest, MaximiseStretchesAndRepaintsRestorePutsEverythingBack) {
  CMainDialog dialog(platform, shell);
  ASSERT_TRUE(dialog.Create());
  HWND h = dialog.hwnd();
  ::ShowWindow(h, SW_SHOW);
  PumpUntil([] { return true; });
  std::vector<std::pair<HWND, RECT>> before;
  for (HWND child = ::GetWindow(h, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    before.emplace_back(child, ChildRect(h, ::GetDlgCtrlID(child)));
  // The very first maximise already stretches: the size notification of
  // the dialog's creation is not taken for it.
  ::ShowWindow(h, SW_MAXIMIZE);
  PumpUntil([] { return true; });
  Settle();
  RECT client;
  ::GetClientRect(h, &client);
  const int cx = client.right, cy = client.bottom;
  ASSERT_GT(cy, 700) << "a 1280x1024 screen";
  EXPECT_EQ(Show(ChildRect(h, IDC_LIST)), Show(RECT{14, 170, cx - 14, cy - 44}));
  EXPECT_EQ(Show(ChildRect(h, IDC_HELP_BUTTON)), Show(RECT{cx - 78, 14, cx - 14, 42}));
  EXPECT_EQ(Show(ChildRect(h, IDC_MISC)), Show(RECT{830, 14, cx - 80, 42}));
  EXPECT_EQ(Show(ChildRect(h, IDC_STATUS)), Show(RECT{cx - 344, 140, cx - 14, 162}));
  EXPECT_EQ(Show(ChildRect(h, IDC_CANCEL_ACTIONS)), Show(RECT{718, cy - 36, cx - 96, cy - 8}));
  EXPECT_EQ(Show(ChildRect(h, IDC_EXIT)), Show(RECT{cx - 94, cy - 36, cx - 14, cy - 8}));
  EXPECT_EQ(Show(ChildRect(h, IDC_FIND)), "14,14 214x28") << "keeps its place";
  // The moved buttons are drawn where they now stand, as the screen shows
  // them (Wine runs in a desktop window of its own, which maximises as
  // Windows does).
  const RECT help = ChildRect(h, IDC_HELP_BUTTON), exit = ChildRect(h, IDC_EXIT);
  EXPECT_EQ(PixelAt(h, help.left + 4, help.top + 4), ::GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(PixelAt(h, exit.left + 4, exit.bottom - 5), ::GetSysColor(COLOR_BTNFACE));
  if (const char* shot = ::getenv("TIDEMARROW_MAXIMISED_SCREENSHOT")) Screenshot(h, shot);
  ::ShowWindow(h, SW_RESTORE);
  PumpUntil([] { return true; });
  for (const auto& [child, r] : before)
    EXPECT_EQ(Show(ChildRect(h, ::GetDlgCtrlID(child))), Show(r)) << "control " << ::GetDlgCtrlID(child);
}

TEST_F(MainDialogTest, AColourFileColoursTheWholeDialog) {
  plat::win32::SetDialogColors(RGB(0, 0, 128), RGB(255, 255, 255));
  {
    CMainDialog dialog(platform, shell);
    ASSERT_TRUE(dialog.Create());
    HWND h = dialog.hwnd();
    ::ShowWindow(h, SW_SHOW);
    // A point of the dialog itself, left of the list and below the cells.
    const RECT list = ChildRect(h, IDC_LIST);
    EXPECT_EQ(PixelAt(h, list.left / 2, (list.top + list.bottom) / 2), RGB(0, 0, 128));
    if (const char* shot = ::getenv("TIDEMARROW_COLOUR_SCREENSHOT")) Screenshot(h, shot);
  }
  plat::win32::ResetDialogColors();
}

TEST_F(MainDialogTest, AThousandRowsFillTheListAtOnce) {
  CMainDialog dialog(platform, shell);
  ASSERT_TRUE(dialog.Create());
  HWND h = dialog.hwnd();
  ::ShowWindow(h, SW_SHOW);
  std::string records;
  for (int i = 0; i < 1000; ++i)
    records += "L (K)\r\nMajor Keys\r\nSoftware\\Row" + std::to_string(i) + "\r\nRow" + std::to_string(i) +
               "\r\ndefault\r\nnull\r\nNo values or subkeys for this key.\r\n\r\n";
  const std::string file = dir + "Many.txt";
  HANDLE f = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  ::WriteFile(f, records.data(), static_cast<DWORD>(records.size()), &written, nullptr);
  ::CloseHandle(f);
  plat::win32::Win32ListView view(::GetDlgItem(h, IDC_LIST));
  bool done = false;
  const auto start = std::chrono::steady_clock::now();
  std::thread worker([&] {
    ShowProblemList(platform, view, file);
    done = true;
  });
  // Done when the list itself, as the window shows it, holds every row.
  HWND list = ::GetDlgItem(h, IDC_LIST);
  ASSERT_TRUE(PumpUntil([&] { return done && ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 1000; }));
  worker.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(view.GetItemCount(), 1000);
  EXPECT_EQ(view.GetCell(999, 2), "Software\\Row999");
  Settle();  // the list is shown once the rows stop
  const auto top = ::SendMessageA(list, LVM_GETTOPINDEX, 0, 0);
  const auto perPage = ::SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0);
  EXPECT_GE(top + perPage, 1000) << "the newest rows are in view";
  const double rate = 1000 / seconds;
  std::printf("list display: 1000 rows in %.2f s, %.0f rows a second\n", seconds, rate);
  // About 5,500 rows a second on the development machine: 8 to 23 while
  // every cell was a message to the window's thread and the list repainted
  // for each row, 1,300 with whole rows sent and repainting batched, 5,500
  // once rows were queued without waiting and the cancel poll stopped
  // asking the wineserver for every line.
  EXPECT_GE(rate, 2000);
}
