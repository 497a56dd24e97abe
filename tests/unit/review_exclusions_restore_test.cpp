// The user-determined review, the exclusion round trip and the restore
// commands, headless.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>

#include "app/main_commands.h"
#include "engine/install_directory.h"
#include "engine/problem_list_display.h"
#include "exclusions/exclusion_commands.h"
#include "platform/memory/headless_dialog.h"
#include "platform/memory/memory_shell.h"
#include "platform/memory/reg_text.h"
#include "resources/resource_ids.h"
#include "restore/restore_logic.h"
#include "tests/support/test_machine.h"

using testing_support::TestMachine;

namespace {

class Loop : public ::testing::Test {
 protected:
  void SetUp() override {
    m.Touch("C:\\Tidemarrow\\Tidemarrow.exe");
    m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Brindlecote\\Tidemarrow]\n\"Path\"=\"C:\\\\Tidemarrow\"\n");
  }
  void Ready() {
    ASSERT_TRUE(commands.CheckInstallDirectory());
    commands.Initialise();
  }
  template <typename F>
  void Job(F start) {
    std::promise<void> done;
    start([&done] { done.set_value(); });
    ASSERT_EQ(done.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
  }
  std::vector<std::string> Column(int c) {
    std::vector<std::string> out;
    for (const auto& row : list.Rows()) out.push_back(row.cells[c]);
    return out;
  }
  int Row(const std::string& fullKey, const std::string& valueName = "") {
    const auto rows = list.Rows();
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (rows[i].cells[2] == fullKey && (valueName.empty() || rows[i].cells[4] == valueName)) return static_cast<int>(i);
    return -1;
  }

  TestMachine m;
  plat::memory::HeadlessDialog dialog;
  plat::memory::HeadlessListView list;
  CMainCommands commands{m.platform, dialog, list};
};

}  // namespace

TEST_F(Loop, TheReviewListsItsSixGroupsInOrder) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.txt]\n@=\"txtfile\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\txtfile]\n@=\"Text Document\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.orphan]\n@=\"nosuchtype\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Vendor]\n[HKEY_LOCAL_MACHINE\\Software\\ODBC]\n[HKEY_LOCAL_MACHINE\\Software\\odbc2]\n"
        "[HKEY_CURRENT_USER\\Software\\Program Groups]\n[HKEY_CURRENT_USER\\Software\\program groups x]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App]\n\"DisplayName\"=\"App 1\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n\"Agent\"=\"agent.exe\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Run]\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs]\n\"url1\"=\"http://example.com/\"\n");
  Ready();
  Job([&](auto done) { commands.OnUserDetermines(done); });
  EXPECT_EQ(Column(1), (std::vector<std::string>{"File Extensions", "Companies", "Companies", "Companies",
                                                 "Companies", "Uninstall Products", "Run Upon Startup",
                                                 "Run Upon Startup", "Internet Explorer History"}))
      << ".orphan names no file type key; ODBC, Microsoft, Classes and Program Groups are left out";
  EXPECT_EQ(Column(2)[0], "Software\\Classes\\.txt");
  EXPECT_EQ(Column(5)[0], "Text Document") << "the file type's description";
  EXPECT_EQ(Column(3)[1], "Brindlecote");
  const auto mainKeys = Column(3);
  EXPECT_EQ(std::count(mainKeys.begin(), mainKeys.end(), "ODBC"), 0);
  EXPECT_EQ(std::count(mainKeys.begin(), mainKeys.end(), "odbc2"), 1);
  EXPECT_EQ(std::count(mainKeys.begin(), mainKeys.end(), "program groups x"), 1);
  EXPECT_EQ(Column(0)[7], "L (K)") << "an empty Run key is a row for the key itself";
  EXPECT_EQ(Column(0)[8], "U (V)");
  EXPECT_EQ(Column(6), std::vector<std::string>(9, "")) << "no problem texts";
  EXPECT_EQ(dialog.GetText(IDC_FOUND_COUNT), "") << "only the examined counter is written";
  EXPECT_NE(dialog.GetText(IDC_EXAMINED_COUNT), "");
  EXPECT_EQ(dialog.GetText(IDC_FIX), "&Fix Selected Entries");
  // Fixing a review asks first; No leaves everything as it was.
  list.SetChecked(8, true);
  EXPECT_FALSE(commands.OnFixSelected());
  ASSERT_EQ(m.messages.Boxes().size(), 1u);
  EXPECT_EQ(m.messages.Boxes()[0].text.rfind("You have determined that the registry entries in the list can be removed", 0), 0u);
  EXPECT_EQ(list.GetItemCount(), 9);
  m.messages.QueueAnswer(plat::mb::kIdYes);
  Job([&](auto done) { EXPECT_TRUE(commands.OnFixSelected(done)); });
  EXPECT_EQ(list.GetItemCount(), 8);
  EXPECT_EQ(dialog.GetText(IDC_FIXED_COUNT), "1");
}

TEST_F(Loop, ExclusionsAreAddedShownDeletedAndHonouredByTheNextScan) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\EmptyA]\n[HKEY_LOCAL_MACHINE\\Software\\EmptyB]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\EmptyC]\n");
  Ready();
  Job([&](auto done) { commands.OnFindProblems(done); });
  ASSERT_EQ(list.GetItemCount(), 3);
  list.SetChecked(0, true);
  list.SetChecked(2, true);
  commands.OnAddExclusions();
  EXPECT_EQ(m.messages.Boxes().back().text, "Exclusions successfully added.");
  EXPECT_FALSE(list.IsChecked(0)) << "rows are unticked and stay";
  list.SetChecked(0, true);
  commands.OnAddExclusions();
  EXPECT_EQ(m.messages.Boxes().back().text, "Exclusion successfully added.") << "already there: nothing added";
  EXPECT_EQ(dialog.GetText(IDC_STATUS), "Completed adding exclusions.");

  Job([&](auto done) { commands.OnFindProblems(done); });
  EXPECT_EQ(Column(2), std::vector<std::string>{"Software\\EmptyB"}) << "excluded entries are not reported";

  Job([&](auto done) { commands.OnDisplayExclusions(done); });
  EXPECT_EQ(Column(2), (std::vector<std::string>{"Software\\EmptyA", "Software\\EmptyC"}));
  EXPECT_EQ(Column(6), (std::vector<std::string>{"", ""})) << "the Problem is never copied";
  EXPECT_TRUE(dialog.IsEnabled(IDC_DELETE_EXCLUSIONS));
  EXPECT_FALSE(dialog.IsEnabled(IDC_ADD_EXCLUSIONS));
  EXPECT_FALSE(dialog.IsEnabled(IDC_FIX));
  list.SetChecked(0, true);
  commands.OnDeleteExclusions();
  EXPECT_EQ(Column(2), std::vector<std::string>{"Software\\EmptyC"});
  EXPECT_EQ(dialog.GetText(IDC_STATUS), "Completed deleting exclusions.");
  list.SetChecked(0, true);
  commands.OnDeleteExclusions();
  EXPECT_EQ(m.HostFile("drive_c/Tidemarrow/Exclusions.txt"), "<missing>") << "no record left: no file";
  commands.OnDisplayExclusions();
  EXPECT_EQ(dialog.GetText(IDC_STATUS), "No exclusions to display.");
}

TEST_F(Loop, DeletingAfterACancelledDisplayKeepsTheRecordsNotShown) {
  Ready();
  std::string file;
  for (const char* key : {"A", "B", "C"})
    file += std::string("L (K)\r\nMajor Keys\r\nSoftware\\") + key + "\r\n" + key + "\r\ndefault\r\nnull\r\n\r\n\r\n";
  m.Touch("C:\\Tidemarrow\\Exclusions.txt", file);
  // A display cut short after its first record.
  AddListRow(list, {"L (K)", "Major Keys", "Software\\A", "A", "default", "null", "", ""});
  list.SetChecked(0, true);
  commands.OnDeleteExclusions();
  const std::string left = m.HostFile("drive_c/Tidemarrow/Exclusions.txt");
  EXPECT_EQ(left.find("Software\\A\r\n"), std::string::npos);
  EXPECT_NE(left.find("Software\\B\r\n"), std::string::npos);
  EXPECT_NE(left.find("Software\\C\r\n"), std::string::npos);
}

TEST_F(Loop, TheRestoreCommandsListImportDeleteAndView) {
  SetInstallDirectory("C:\\Tidemarrow\\");
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Kept]\n");
  m.Touch("C:\\Tidemarrow\\Backup-021205-183012.reg",
          "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Restored]\r\n\"x\"=\"1\"\r\n");
  m.Touch("C:\\Tidemarrow\\Backup-030101-000000.reg", "not a registry file\r\n");
  m.Touch("C:\\Tidemarrow\\backup.reg", "working file");
  m.Touch("C:\\Tidemarrow\\Backup.reg", "");
  m.Touch("C:\\Tidemarrow\\Backup my copy.reg",
          "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Blank]\r\n");
  m.Touch("C:\\Tidemarrow\\notes.txt");
  plat::memory::MemoryShell shell(m.registry, m.drive);
  std::vector<std::string> viewed;
  shell.SetViewer([&](const std::string& path, const std::string&) { viewed.push_back(path); });
  CRestoreLogic logic(m.platform, shell, InstallDirectory());
  const auto names = logic.ListBackups();
  // The working file "backup.reg" is never listed; on a case-blind disk it and
  // "Backup.reg" are one file.
  for (const auto& n : names) EXPECT_NE(n, "backup.reg");
  EXPECT_EQ(names, (std::vector<std::string>{"Backup.reg", "Backup-030101-000000.reg", "Backup-021205-183012.reg",
                                             "Backup my copy.reg"}))
      << "by name, descending: the newest dated backup before the older; Backup.reg (capital B) is listed";

  EXPECT_TRUE(logic.Restore({"Backup-021205-183012.reg", "Backup my copy.reg"}));
  EXPECT_EQ(m.messages.Boxes().back().text, "Successfully restored backups.");
  plat::HKey key = 0;
  EXPECT_EQ(m.registry.OpenKeyEx(plat::kLocalMachine, "Software\\Restored", 0, plat::kKeyRead, &key), 0);
  m.registry.CloseKey(key);
  EXPECT_EQ(m.registry.OpenKeyEx(plat::kLocalMachine, "Software\\Blank", 0, plat::kKeyRead, &key), 0)
      << "a name with a blank is passed quoted";
  m.registry.CloseKey(key);
  EXPECT_EQ(CRestoreLogic::ImportParameters("Backup my copy.reg"), "Import \"Backup my copy.reg\"");
  EXPECT_FALSE(logic.Restore({"Backup-030101-000000.reg"}));
  EXPECT_EQ(m.messages.Boxes().back().text, "Error restoring backup.") << "a failed import is not a success";

  logic.View({"Backup-021205-183012.reg"});
  EXPECT_EQ(viewed, std::vector<std::string>{"C:\\Tidemarrow\\Backup-021205-183012.reg"});

  EXPECT_FALSE(logic.Delete({"Backup-021205-183012.reg"})) << "the question answered Cancel";
  EXPECT_TRUE(m.drive.CanOpenForRead("C:\\Tidemarrow\\Backup-021205-183012.reg"));
  m.drive.SetAttributes("C:\\Tidemarrow\\Backup-021205-183012.reg", plat::attr::kReadOnly);
  m.messages.QueueAnswer(plat::mb::kIdOk);
  EXPECT_TRUE(logic.Delete({"Backup-021205-183012.reg", "Backup-missing.reg"}));
  const auto boxes = m.messages.Boxes();
  EXPECT_EQ(boxes[boxes.size() - 3].text, "Are you sure you want to delete the selected backup(s)?");
  EXPECT_EQ(boxes[boxes.size() - 2].text, "Error: Unable to delete C:\\Tidemarrow\\Backup-missing.reg");
  EXPECT_EQ(boxes.back().text, "Successfully deleted backup.") << "a read-only backup is deleted; the count is what went";
  EXPECT_FALSE(m.drive.CanOpenForRead("C:\\Tidemarrow\\Backup-021205-183012.reg"));
}

TEST_F(Loop, AnExclusionsFileCutOrEditedByHandLosesOnlyItsDamagedRecord) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\EmptyA]\n[HKEY_LOCAL_MACHINE\\Software\\EmptyB]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\EmptyC]\n");
  const auto record = [](const std::string& key) {
    return "L (K)\r\nMajor Keys\r\nSoftware\\" + key + "\r\n" + key + "\r\ndefault\r\nnull\r\n\r\nSoftware\\" + key +
           "\r\n";
  };
  // The first record torn after three lines (a full disk, an edit), and no
  // line end after the last one.
  std::string file = "L (K)\r\nMajor Keys\r\nSoftware\\EmptyA\r\n" + record("EmptyB") + record("EmptyC");
  file.resize(file.size() - 2);
  m.Touch("C:\\Tidemarrow\\Exclusions.txt", file);
  Ready();
  Job([&](auto done) { commands.OnFindProblems(done); });
  EXPECT_EQ(Column(2), std::vector<std::string>{"Software\\EmptyA"}) << "B and C stay excluded";
  ASSERT_FALSE(m.messages.Boxes().empty());
  EXPECT_NE(m.messages.Boxes().front().text.find("line 1: a record cut short after 3 of its 8 lines"),
            std::string::npos) << m.messages.Boxes().front().text;

  list.SetChecked(0, true);
  commands.OnAddExclusions();
  EXPECT_EQ(m.messages.Boxes().back().text, "Exclusion successfully added.");
  Job([&](auto done) { commands.OnFindProblems(done); });
  EXPECT_EQ(list.GetItemCount(), 0) << "the new record starts on a line of its own";
  const std::string now = m.HostFile("drive_c/Tidemarrow/Exclusions.txt");
  EXPECT_NE(now.find("Software\\EmptyC\r\nL (K)\r\nMajor Keys\r\nSoftware\\EmptyA\r\nEmptyA\r\n"), std::string::npos);
}

TEST_F(Loop, AddingExclusionsThatCannotBeWrittenSaysSoAndKeepsTheTicks) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\EmptyA]\n");
  Ready();
  Job([&](auto done) { commands.OnFindProblems(done); });
  ASSERT_EQ(list.GetItemCount(), 1);
  // The exclusions file is a directory of that name: nothing can be added.
  std::filesystem::create_directory(m.HostPath("drive_c/Tidemarrow/Exclusions.txt"));
  list.SetChecked(0, true);
  commands.OnAddExclusions();
  EXPECT_EQ(m.messages.Boxes().back().text.rfind("Error: Unable to update C:\\Tidemarrow\\Exclusions.txt", 0), 0u);
  EXPECT_TRUE(list.IsChecked(0));
}

TEST_F(Loop, ExclusionsAreNeverWrittenThroughALinkOffTheDrive) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\EmptyA]\n");
  const std::string outside = m.HostPath("outside.txt");
  { std::ofstream(outside) << "keep"; }
  std::filesystem::create_symlink(outside, m.HostPath("drive_c/Tidemarrow/Exclusions.txt"));
  Ready();
  Job([&](auto done) { commands.OnFindProblems(done); });
  list.SetChecked(0, true);
  commands.OnAddExclusions();
  EXPECT_EQ(m.HostFile("outside.txt"), "keep");
  EXPECT_EQ(m.messages.Boxes().back().text.rfind("Error: Unable to update", 0), 0u);
}

TEST_F(Loop, AScanWhoseProblemsFileCannotBeWrittenSaysSo) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\EmptyA]\n");
  Ready();
  std::filesystem::create_directory(m.HostPath("drive_c/Tidemarrow/Problems.txt"));
  Job([&](auto done) { commands.OnFindProblems(done); });
  ASSERT_FALSE(m.messages.Boxes().empty());
  EXPECT_EQ(m.messages.Boxes().back().text, "Error: Unable to write C:\\Tidemarrow\\Problems.txt");
  EXPECT_TRUE(dialog.IsEnabled(IDC_FIND)) << "the buttons come back";
}

TEST_F(Loop, RunningOutOfMemoryEndsTheJobWithAMessage) {
  Ready();
  commands.SetScannerFactory([](const plat::Platform&) -> std::vector<std::unique_ptr<CSectionScanner>> {
    throw std::bad_alloc();
  });
  Job([&](auto done) { commands.OnFindProblems(done); });
  EXPECT_EQ(m.messages.Boxes().back().text, "Out of memory: the job was stopped.");
  EXPECT_TRUE(dialog.IsEnabled(IDC_FIND));
  EXPECT_FALSE(commands.JobRunning());
}
