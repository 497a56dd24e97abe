// The find job end to end on small images: the worker on its own thread,
// the headless controls, the records and the list.
#include <gtest/gtest.h>

#include <future>

#include "app/main_commands.h"
#include "engine/install_directory.h"
#include "engine/problem_list_display.h"
#include "platform/memory/headless_dialog.h"
#include "resources/resource_ids.h"
#include "scanners/scanner_base.h"
#include "scanners/section_table.h"
#include "tests/support/test_machine.h"

using testing_support::TestMachine;

namespace {

constexpr const char* kProduct =
    "[HKEY_LOCAL_MACHINE\\Software\\Brindlecote\\Tidemarrow]\n\"Path\"=\"C:\\\\Tidemarrow\"\n";

class FindJob : public ::testing::Test {
 protected:
  void SetUp() override {
    m.Touch("C:\\Tidemarrow\\Tidemarrow.exe");
    m.Reg(kProduct);
  }
  // Starts the find job as button 1000 does and waits for its thread to end.
  void RunFind() {
    ASSERT_TRUE(commands.CheckOperatingSystem());
    ASSERT_TRUE(commands.CheckInstallDirectory());
    commands.Initialise();
    std::promise<void> done;
    commands.OnFindProblems([&done] { done.set_value(); });
    ASSERT_EQ(done.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
  }
  std::vector<int> EnabledButtons() {
    std::vector<int> on;
    for (int id : {IDC_FIND, IDC_USER_DETERMINES, IDC_RESTORE, IDC_DISPLAY_EXCLUSIONS, IDC_EXIT, IDC_ADD_EXCLUSIONS,
                   IDC_SELECT_ALL, IDC_UNSELECT_ALL, IDC_FIX, IDC_DELETE_EXCLUSIONS, IDC_CANCEL_ACTIONS})
      if (dialog.IsEnabled(id)) on.push_back(id);
    return on;
  }
  std::string Cell(int row) { return dialog.GetText(kSectionCellIds[row]); }

  TestMachine m;
  plat::memory::HeadlessDialog dialog;
  plat::memory::HeadlessListView list;
  CMainCommands commands{m.platform, dialog, list};
};

// A section that raises the cancel signal while it runs, as a user pressing
// "Cancel Actions" twice during it would.
class CancellingScanner final : public CSectionScanner {
 public:
  explicit CancellingScanner(const plat::Platform& p) : platform_(p) {}
  void Scan(const std::vector<std::string>&, const std::string&) override {
    platform_.atoms.Add(kCancelAtomName);
    platform_.atoms.Add(kCancelAtomName);
  }
  int GetProblemsFound() override { return 1; }
  int GetKeysExamined() override { return 10; }

 private:
  const plat::Platform& platform_;
};

}  // namespace

TEST_F(FindJob, FilesShowsAndCountsTheProblemsOfEverySection) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.txt]\n@=\"txtfile\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Empty]\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n\"a\"=\"\"\n");
  RunFind();
  // Each of the fifteen scanners' utils: one open and two listing calls of
  // HKEY_CLASSES_ROOT, one failed App Paths open (60). Major Keys walks 17
  // roots for 47 (the product key's branch included); Run Apps makes ten
  // opens, two listing calls and one read (13); COM Names 4 and Extensions 8
  // (both list the classes root, Extensions tries .txt's handler); the other
  // eleven sections one failed open each.
  EXPECT_EQ(dialog.GetText(IDC_EXAMINED_COUNT), "143");
  EXPECT_EQ(dialog.GetText(IDC_FOUND_COUNT), "2");
  EXPECT_EQ(dialog.GetText(IDC_FOUND_LABEL), "Problems Found:");
  EXPECT_EQ(dialog.GetText(IDC_STATUS), "Tidemarrow Finds Problems => Completed.");
  EXPECT_EQ(Cell(0), " Done =>  Major Keys");
  EXPECT_EQ(Cell(14), " Done =>  Uninstall");
  const auto rows = list.Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].cells, (std::array<std::string, 8>{"L (K)", "Major Keys", "Software\\Empty", "Empty", "default",
                                                       "null", "No values or subkeys for this key.", ""}));
  EXPECT_EQ(rows[1].cells[1], "Run");
  EXPECT_FALSE(rows[0].checked);
  EXPECT_EQ(m.HostFile("drive_c/Tidemarrow/Problems.txt"),
            "L (K)\r\nMajor Keys\r\nSoftware\\Empty\r\nEmpty\r\ndefault\r\nnull\r\n"
            "No values or subkeys for this key.\r\n\r\n"
            "U (V)\r\nRun\r\nSoftware\\Microsoft\\Windows\\CurrentVersion\\Run\r\nRun\r\na\r\n\r\n"
            "No data for this value.\r\n\r\n");
  EXPECT_EQ(EnabledButtons(), (std::vector<int>{IDC_FIND, IDC_USER_DETERMINES, IDC_RESTORE, IDC_DISPLAY_EXCLUSIONS,
                                                IDC_EXIT, IDC_ADD_EXCLUSIONS, IDC_SELECT_ALL, IDC_UNSELECT_ALL,
                                                IDC_FIX}));
  EXPECT_EQ(dialog.GetText(IDC_SELECT_ALL), "Select &All Problems");
  EXPECT_EQ(m.registry.OpenHandleCount(), 0u) << "no handle outlives the job";
  commands.OnSelectAll();
  EXPECT_TRUE(list.IsChecked(0) && list.IsChecked(1));
  commands.OnUnselectAll();
  EXPECT_FALSE(list.IsChecked(0) || list.IsChecked(1));
}

TEST_F(FindJob, ExcludedEntriesAreNotFiledAndAJobWithoutRowsLeavesOnlyTheJobButtons) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Empty]\n");
  m.Touch("C:\\Tidemarrow\\Exclusions.txt",
          "L (K)\r\nMajor Keys\r\nSoftware\\Empty\r\nEmpty\r\ndefault\r\nnull\r\nanything\r\n\r\n");
  m.Touch("C:\\Tidemarrow\\Problems.txt", "stale\r\n");
  RunFind();
  EXPECT_EQ(commands.Exclusions().size(), 8u) << "reloaded from the ExclusionsFile before the job";
  EXPECT_EQ(dialog.GetText(IDC_FOUND_COUNT), "0");
  EXPECT_TRUE(list.Rows().empty());
  EXPECT_EQ(m.HostFile("drive_c/Tidemarrow/Problems.txt"), "") << "emptied at the start of the job";
  EXPECT_EQ(EnabledButtons(),
            (std::vector<int>{IDC_FIND, IDC_USER_DETERMINES, IDC_RESTORE, IDC_DISPLAY_EXCLUSIONS, IDC_EXIT}));
}

TEST_F(FindJob, ACancelDuringASectionLetsItFinishAndStopsBeforeTheNext) {
  commands.SetScannerFactory([](const plat::Platform& p) {
    auto scanners = BuildSectionScanners(p);
    scanners[3] = std::make_unique<CancellingScanner>(p);
    return scanners;
  });
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Empty]\n");
  RunFind();
  for (int i = 0; i <= 3; ++i) EXPECT_EQ(Cell(i), " Done => " + BuildSectionTable()[i].displayName);
  for (int i = 4; i < 15; ++i) EXPECT_EQ(Cell(i), "") << i;
  EXPECT_EQ(dialog.GetText(IDC_FOUND_COUNT), "2") << "Major Keys' one problem and the cancelled section's";
  EXPECT_TRUE(list.Rows().empty()) << "the display stops at its first check";
  EXPECT_NE(m.HostFile("drive_c/Tidemarrow/Problems.txt"), "") << "what was filed stays filed";
  EXPECT_EQ(dialog.GetText(IDC_STATUS), "Tidemarrow Finds Problems => Completed.");
  EXPECT_EQ(m.atoms.Find(kCancelAtomName), 0) << "every instance of the atom is removed";
  EXPECT_FALSE(dialog.IsEnabled(IDC_CANCEL_ACTIONS));
}

TEST_F(FindJob, ACancelRaisedBeforeTheJobStartsStillRestoresTheButtons) {
  m.atoms.Add(kCancelAtomName);
  RunFind();
  EXPECT_EQ(EnabledButtons(),
            (std::vector<int>{IDC_FIND, IDC_USER_DETERMINES, IDC_RESTORE, IDC_DISPLAY_EXCLUSIONS, IDC_EXIT}));
  EXPECT_EQ(m.atoms.Find(kCancelAtomName), 0);
  EXPECT_EQ(dialog.GetText(IDC_STATUS), "") << "no part of the body ran";
}

TEST_F(FindJob, TheWorkerKeepsTheKnownDirectoryWhenTheProductKeyIsGone) {
  SetInstallDirectory("C:\\Tidemarrow\\");
  m.Reg("[-HKEY_LOCAL_MACHINE\\Software\\Brindlecote]\n");
  plat::memory::HeadlessDialog d;
  CDialogJobView view(d);
  plat::memory::HeadlessListView l;
  std::vector<std::string> exclusions;
  auto job = std::make_unique<CFindRegistryProblems>(m.platform, &exclusions, &l, "C:\\Tidemarrow\\Problems.txt",
                                                     kJobFixSelected, &view);
  EXPECT_EQ(job->InstallationDirectory(), "C:\\Tidemarrow\\");
  ASSERT_EQ(m.messages.Boxes().size(), 1u);
  EXPECT_EQ(m.messages.Boxes()[0].text, "Registry values for Tidemarrow are missing.  Contact support.");
  EXPECT_FALSE(d.IsEnabled(IDC_FIND));
  EXPECT_TRUE(d.IsEnabled(IDC_CANCEL_ACTIONS));
  m.Touch("C:\\Tidemarrow\\Problems.txt", "old\r\n");
  job->InitInstance();
  EXPECT_EQ(m.HostFile("drive_c/Tidemarrow/Problems.txt"), "") << "every job empties the ProblemsFile";
  EXPECT_EQ(d.GetText(IDC_STATUS), "Fixing Selected Problems => Completed.");
}

TEST(MainCommands, StartUpChecksShowTheirMessages) {
  TestMachine m;
  plat::memory::HeadlessDialog d;
  plat::memory::HeadlessListView l;
  CMainCommands commands(m.platform, d, l);
  m.environment.Set("OS", "Windows_95");
  EXPECT_FALSE(commands.CheckOperatingSystem());
  m.environment.Set("OS", "windows_nt");
  EXPECT_TRUE(commands.CheckOperatingSystem());
  m.environment.Unset("OS");
  EXPECT_FALSE(commands.CheckOperatingSystem());
  EXPECT_FALSE(commands.CheckInstallDirectory());
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Brindlecote\\Tidemarrow]\n");
  EXPECT_FALSE(commands.CheckInstallDirectory());
  std::vector<std::string> texts;
  for (const auto& b : m.messages.Boxes()) texts.push_back(b.text);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Tidemarrow will only operate on Windows 2000 and XP operating systems.",
                       "Tidemarrow will only operate on Windows 2000 and XP operating systems.",
                       "Registry values for Tidemarrow are missing.  Contact support.",
                       "Problem obtaining install directory in registry.\nContact support.",
                       "Install directory not found in registry.\nContact support."}));
}
