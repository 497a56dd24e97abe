// Fixing ticked rows: the backup file byte for byte, the order of the rows,
// and that nothing is ever lost, whatever fails.
#include <gtest/gtest.h>

#include "engine/fix_selected_problems.h"
#include "engine/problem_list_display.h"
#include "app/dialog_job_view.h"
#include "platform/memory/headless_dialog.h"
#include "platform/memory/reg_text.h"
#include "resources/resource_ids.h"
#include "tests/support/faulty_files.h"
#include "tests/support/test_machine.h"

using testing_support::FaultyFiles;
using testing_support::TestMachine;

namespace {

constexpr const char* kDir = "C:\\Tidemarrow\\";

class FixJob : public ::testing::Test {
 protected:
  void SetUp() override {
    m.Touch("C:\\Tidemarrow\\Tidemarrow.exe");
    m.clock.Set(plat::LocalTime{2002, 12, 5, 18, 30, 12});
  }
  void AddRow(const std::string& marker, const std::string& fullKey, const std::string& valueName = "default",
              const std::string& deleteKey = "", bool ticked = true) {
    AddListRow(list, {marker, "S", fullKey, "main", valueName, "data", "problem", deleteKey});
    list.SetChecked(list.GetItemCount() - 1, ticked);
  }
  void Fix() { FixSelectedProblems(platform(), list, view, kDir); }
  const plat::Platform& platform() { return faulty ? faultyPlatform : m.platform; }
  std::string Export() {
    std::string out, error;
    EXPECT_TRUE(plat::memory::ExportRegText(m.registry, plat::memory::RegTextEncoding::kAnsi, out, error));
    return out;
  }
  std::vector<std::string> Backups() {
    std::vector<std::string> names;
    m.drive.ListFiles("C:\\Tidemarrow", names);
    std::vector<std::string> backups;
    for (const auto& n : names)
      if (n.rfind("Backup", 0) == 0 || n.rfind("backup", 0) == 0) backups.push_back(n);
    std::sort(backups.begin(), backups.end());
    return backups;
  }
  std::string BackupText(const std::string& name) { return m.HostFile("drive_c/Tidemarrow/" + name); }
  // Imports a backup the way the restore dialog's registry tool does.
  void Restore(const std::string& name) {
    auto r = plat::memory::ImportRegText(BackupText(name), m.registry);
    ASSERT_TRUE(r.ok) << r.Message();
  }

  TestMachine m;
  plat::memory::HeadlessDialog dialog;
  CDialogJobView view{dialog};
  plat::memory::HeadlessListView list;
  FaultyFiles files{m.drive};
  bool faulty = false;
  plat::Platform faultyPlatform{m.registry, m.environment, files, m.atoms, m.messages, m.clock};
};

}  // namespace

TEST_F(FixJob, TheBackupOfAKeyListsChildrenFirstAndGetsItsDatedReadOnlyName) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\A]\n\"x\"=\"C:\\\\a\"\n[HKEY_LOCAL_MACHINE\\Software\\A\\B]\n");
  AddRow("L (K)", "Software\\A");
  Fix();
  ASSERT_EQ(Backups(), std::vector<std::string>{"Backup-021205-183012.reg"});
  EXPECT_EQ(BackupText("Backup-021205-183012.reg"),
            "Windows Registry Editor Version 5.00\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\A\\B]\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"x\"=\"C:\\\\a\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n");
  EXPECT_FALSE(m.drive.AppendFile("C:\\Tidemarrow\\Backup-021205-183012.reg", "x")) << "read-only";
  EXPECT_EQ(list.GetItemCount(), 0);
  EXPECT_EQ(dialog.GetText(IDC_FIXED_LABEL), "Problems Fixed:");
  EXPECT_EQ(dialog.GetText(IDC_FIXED_COUNT), "1");
  Restore("Backup-021205-183012.reg");
  plat::HKey key = 0;
  EXPECT_EQ(m.registry.OpenKeyEx(plat::kLocalMachine, "Software\\A\\B", 0, plat::kKeyRead, &key), 0);
  m.registry.CloseKey(key);
  EXPECT_EQ(m.registry.OpenHandleCount(), 0u);
}

TEST_F(FixJob, EveryValueTypeGetsALineThatImportsBackAsItWas) {
  m.Reg("[HKEY_CURRENT_USER\\Software\\V]\n"
        "@=\"default \\\"quoted\\\"\"\n"
        "\"dword\"=dword:0000001a\n"
        "\"binary\"=hex:00,1f,0a\n"
        "\"empty binary\"=hex:\n"
        "\"expand\"=hex(2):25,53,52,25,00\n"
        "\"multi\"=hex(7):61,00,62,00,00\n"
        "\"none\"=hex(0):41,42\n"
        "\"lines\"=hex(1):61,0d,0a,62,00\n"
        "\"quote\\\"name\"=\"v\"\n"
        "\"qword\"=hex(b):01,02,03,04,05,06,07,08\n"
        "\"short dword\"=hex(4):05,00\n");
  const std::string before = Export();
  AddRow("U (K)", "Software\\V");
  Fix();
  ASSERT_EQ(Backups().size(), 1u);
  const std::string text = BackupText(Backups()[0]);
  const std::string key = "\r\n[HKEY_CURRENT_USER\\Software\\V]\r\n";
  for (const char* line :
       {"@=\"default \\\"quoted\\\"\"", "\"dword\"=dword: 1a", "\"binary\"=hex: 0,1f,a", "\"empty binary\"=hex: ",
        "\"expand\"=hex(2):25,53,52,25,00", "\"multi\"=hex(7):61,00,62,00,00",
        "\"none\"=hex(0):41,42", "\"lines\"=hex(1):61,0d,0a,62,00", "\"quote\\\"name\"=\"v\"",
        "\"qword\"=hex(b):01,02,03,04,05,06,07,08", "\"short dword\"=hex(4):05,00"})
    EXPECT_NE(text.find(key + line + "\r\n"), std::string::npos) << line;
  EXPECT_EQ(Export().find("Software\\V"), std::string::npos) << "the key is gone";
  Restore(Backups()[0]);
  EXPECT_EQ(Export(), before) << "every value back with its type and bytes";
}

TEST_F(FixJob, RowsAreFixedFromTheBottomUpAndValueRowsDeleteOnlyTheValue) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\R]\n\"one\"=\"1\"\n\"two\"=\"2\"\n\"three\"=\"3\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Parent\\Child]\n");
  AddRow("L (V)", "Software\\R", "one", "", false);
  AddRow("L (V)", "Software\\R", "two");
  AddRow("L (V)", "Software\\R", "three", "", false);
  AddRow("L (V)", "Software\\R", "gone already", "", false);
  AddRow("L (K)", "Software\\Parent\\Child", "default", "Software\\Parent");
  AddRow("L (V)", "Software\\R", "never existed", "", false);
  list.SetChecked(3, true);
  Fix();
  // Rows 5 (index 4) and 2 (index 1) were ticked, and row 4 (index 3).
  EXPECT_EQ(list.GetItemCount(), 3);
  EXPECT_EQ(dialog.GetText(IDC_FIXED_COUNT), "3");
  const std::string text = BackupText(Backups()[0]);
  const auto parent = text.find("[HKEY_LOCAL_MACHINE\\Software\\Parent]");
  const auto two = text.find("\"two\"=\"2\"");
  ASSERT_NE(parent, std::string::npos) << "the Delete Key names the parent: it goes with everything below";
  ASSERT_NE(two, std::string::npos);
  EXPECT_LT(parent, two) << "the lower row first";
  EXPECT_EQ(text.find("gone already"), std::string::npos) << "a value already gone writes nothing";
  const std::string after = Export();
  EXPECT_NE(after.find("\"one\"="), std::string::npos);
  EXPECT_EQ(after.find("\"two\"="), std::string::npos);
  EXPECT_EQ(after.find("Software\\Parent"), std::string::npos);
  EXPECT_TRUE(m.messages.Boxes().empty());
}

TEST_F(FixJob, RowsThatCannotBeFixedStayTickedWithTheirMessage) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Keep]\n\"v\"=\"1\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Locked]\n\"v\"=\"1\"\n[HKEY_LOCAL_MACHINE\\Software\\Locked\\Stuck]\n");
  m.registry.DenyWriteAccess(plat::kLocalMachine, "Software\\Locked\\Stuck");
  AddRow("L (K)", "Software\\Missing");
  AddRow("X (K)", "Software\\Keep");
  AddRow("L (Q)", "Software\\Keep");
  AddRow("L (K)", "");
  AddRow("L (K)", "Software\\Locked");
  const std::string before = Export();
  Fix();
  EXPECT_EQ(list.GetItemCount(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(list.IsChecked(i));
  ASSERT_EQ(m.messages.Boxes().size(), 5u);
  EXPECT_EQ(m.messages.Boxes()[0].text,
            "Could not fix...\n\nKey: Software\\Locked\nValue Name: default\n\nYou should add this entry as an exclusion.")
      << "a child that cannot be deleted keeps its parent";
  EXPECT_EQ(m.messages.Boxes()[4].text,
            "Could not fix...\n\nKey: Software\\Missing\nValue Name: default\n\nYou should add this entry as an exclusion.");
  EXPECT_EQ(Export(), before) << "nothing deleted";
  EXPECT_EQ(dialog.GetText(IDC_FIXED_COUNT), "");
}

TEST_F(FixJob, ACancelStopsBeforeTheNextRowAndTheBackupIsStillNamed) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\A]\n[HKEY_LOCAL_MACHINE\\Software\\B]\n");
  AddRow("L (K)", "Software\\A");
  AddRow("L (K)", "Software\\Missing");
  AddRow("L (K)", "Software\\B");
  // The user presses Cancel while the message about the missing key is up.
  m.messages.SetObserver([this](const std::string&, unsigned, int answer) {
    m.atoms.Add(kCancelAtomName);
    return answer;
  });
  Fix();
  EXPECT_EQ(list.GetItemCount(), 2) << "B fixed, the missing row kept, A not reached";
  EXPECT_EQ(Backups(), std::vector<std::string>{"Backup-021205-183012.reg"});
  EXPECT_NE(Export().find("Software\\A]"), std::string::npos);
}

TEST_F(FixJob, NoTickedRowWritesNoBackupAndChangesNoLabel) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\A]\n");
  AddRow("L (K)", "Software\\A", "default", "", false);
  Fix();
  EXPECT_TRUE(Backups().empty());
  EXPECT_EQ(dialog.GetText(IDC_FIXED_LABEL), "");
}

TEST_F(FixJob, ABackupThatCannotBeWrittenStopsEveryDeletion) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\A]\n\"x\"=\"1\"\n[HKEY_LOCAL_MACHINE\\Software\\B]\n\"y\"=\"2\"\n");
  const std::string before = Export();
  faulty = true;
  files.failDurableAppendFrom = 1;  // not even the header
  AddRow("L (K)", "Software\\A");
  AddRow("L (K)", "Software\\B");
  Fix();
  EXPECT_EQ(Export(), before);
  EXPECT_EQ(list.GetItemCount(), 2);
  ASSERT_EQ(m.messages.Boxes().size(), 1u);
  EXPECT_NE(m.messages.Boxes()[0].text.find("could not be written"), std::string::npos);
}

TEST_F(FixJob, AWriteThatFailsHalfWayLeavesEveryDeletionSoFarBackedUp) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\A]\n\"x\"=\"1\"\n\"y\"=\"2\"\n[HKEY_LOCAL_MACHINE\\Software\\A\\C]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\B]\n\"z\"=\"3\"\n");
  const std::string before = Export();
  faulty = true;
  for (int from = 2; from <= 7; ++from) {
    SCOPED_TRACE(from);
    files.durableAppends = 0;
    files.failDurableAppendFrom = from;
    list.DeleteAll();
    AddRow("L (K)", "Software\\A");
    AddRow("L (K)", "Software\\B");
    Fix();
    for (const auto& name : Backups()) Restore(name);
    EXPECT_EQ(Export(), before) << "what was deleted is in the backup";
    for (const auto& name : Backups()) {
      m.drive.SetAttributes(std::string(kDir) + name, 0);
      m.drive.Remove(std::string(kDir) + name);
    }
  }
}

TEST_F(FixJob, NoBackupIsEverOverwritten) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\A]\n[HKEY_LOCAL_MACHINE\\Software\\B]\n[HKEY_LOCAL_MACHINE\\Software\\C]\n");
  faulty = true;
  files.failRename = true;
  AddRow("L (K)", "Software\\A");
  Fix();
  EXPECT_EQ(Backups(), std::vector<std::string>{"Backup.Reg"}) << "the rename failed: the working name stays";
  ASSERT_EQ(m.messages.Boxes().size(), 1u);
  EXPECT_NE(m.messages.Boxes()[0].text.find("kept as C:\\Tidemarrow\\Backup.Reg"), std::string::npos);
  files.failRename = false;
  AddRow("L (K)", "Software\\B");
  Fix();
  AddRow("L (K)", "Software\\C");
  Fix();  // the same second: a name of its own
  EXPECT_EQ(Backups(), (std::vector<std::string>{"Backup-021205-183012-2.reg", "Backup-021205-183012-3.reg",
                                                 "Backup-021205-183012.reg"}));
  EXPECT_NE(BackupText("Backup-021205-183012.reg").find("Software\\A]"), std::string::npos)
      << "the earlier working file was kept under a dated name";
}

TEST_F(FixJob, RowsNamingKeysNoWorkingSystemCanLoseAreRefused) {
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{X}]\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows]\n"
        "[HKEY_CURRENT_USER\\Software\\Old]\n");
  const std::string before = Export();
  for (const char* key : {"Software", "Software\\Classes", "Software\\Classes\\CLSID", "Software\\Microsoft"})
    AddRow("L (K)", "Software\\Classes\\CLSID\\{X}", "default", key);
  AddRow("U (K)", "Software");
  Fix();
  EXPECT_EQ(list.GetItemCount(), 5);
  EXPECT_EQ(Export(), before);
  EXPECT_EQ(m.messages.Boxes().size(), 5u);
}

TEST_F(FixJob, ARowWhoseFiledNameMayStandForALineEndNameIsRefused) {
  plat::HKey parent = 0;
  ASSERT_EQ(m.registry.CreateKeyEx(plat::kLocalMachine, "Software\\P", &parent), 0);
  for (const char* name : {"a\nb", "a b"}) {
    plat::HKey k = 0;
    m.registry.CreateKeyEx(parent, name, &k);
    m.registry.CloseKey(k);
  }
  m.registry.CloseKey(parent);
  AddRow("L (K)", RecordField("Software\\P\\a\nb"));
  Fix();
  EXPECT_EQ(list.GetItemCount(), 1) << "\"a b\" may not be the key the scan found";
  plat::HKey k = 0;
  EXPECT_EQ(m.registry.OpenKeyEx(plat::kLocalMachine, "Software\\P\\a b", 0, plat::kKeyRead, &k), 0);
  m.registry.CloseKey(k);
}
