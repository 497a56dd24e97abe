// The Major Keys and Run Apps sections on small images, and the section
// codes the table gives each section.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "demo/demo_image.h"
#include "records/problem_entry.h"
#include "platform/memory/machine_image.h"
#include "refcheck/registry_util.h"
#include "scanners/major_keys_scanner.h"
#include "scanners/run_apps_scanner.h"
#include "scanners/section_table.h"
#include "tests/support/test_machine.h"

using testing_support::TestMachine;

namespace {

constexpr const char* kProblems = "C:\\Problems.txt";

std::vector<ProblemRecord> Filed(TestMachine& m) {
  CRegistryUtil util(m.platform);
  std::vector<std::string> lines;
  util.ReadLines(lines, kProblems);
  return RecordsOf(lines);
}

template <typename Scanner>
std::vector<ProblemRecord> Scan(TestMachine& m, const std::vector<std::string>& exclusions = {},
                                int* found = nullptr, int* examined = nullptr) {
  Scanner scanner(m.platform);
  scanner.Scan(exclusions, kProblems);
  if (found) *found = scanner.GetProblemsFound();
  if (examined) *examined = scanner.GetKeysExamined();
  return Filed(m);
}

}  // namespace

TEST(MajorKeysScanner, ReportsOnlyCompletelyEmptyDirectChildren) {
  TestMachine m;
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Empty]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\EmptyDefault]\n@=\"\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\WithDefault]\n@=\"x\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Named]\n\"n\"=\"\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\DefaultAndChild\\Deep]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Run]\n[HKEY_LOCAL_MACHINE\\Software\\run]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\MSVSDG]\n[HKEY_LOCAL_MACHINE\\TopLevel]\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Stub]\n");
  m.registry.DenyWriteAccess(plat::kLocalMachine, "Software\\Named");
  int found = 0;
  auto records = Scan<CMajorKeysScanner>(m, {}, &found);
  std::vector<std::string> keys;
  for (const auto& r : records) keys.push_back(r[2]);
  // "Run" is never examined but "run" is; they are one key, listed as first
  // written. Deep is two levels down; Named opens only for reading.
  EXPECT_EQ(keys, (std::vector<std::string>{"TopLevel", "Software\\Empty",
                                            "Software\\EmptyDefault", "Software\\Microsoft\\Windows NT\\CurrentVersion\\Stub"}))
      << "DefaultAndChild has a child; TopLevel under the hive root has no leading backslash";
  EXPECT_EQ(found, static_cast<int>(records.size()));
  ASSERT_GE(records.size(), 3u);
  EXPECT_EQ(records[1], (ProblemRecord{"L (K)", "Major Keys", "Software\\Empty", "Empty", "default", "null",
                                       "No values or subkeys for this key.", ""}));
  EXPECT_EQ(records[2][5], "") << "an empty default value is shown as read";
  EXPECT_EQ(records.back()[0], "U (K)");
}

TEST(MajorKeysScanner, TheRunNameIsSkippedCaseSensitively) {
  TestMachine m;
  m.Reg("[HKEY_CURRENT_USER\\Software\\run]\n[HKEY_CURRENT_USER\\Software\\Run2]\n");
  auto records = Scan<CMajorKeysScanner>(m);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0][3], "run");
  TestMachine exact;
  exact.Reg("[HKEY_CURRENT_USER\\Software\\Run]\n");
  EXPECT_TRUE(Scan<CMajorKeysScanner>(exact).empty());
}

TEST(MajorKeysScanner, ExcludedEntriesAreNeitherFiledNorCounted) {
  TestMachine m;
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\A]\n[HKEY_LOCAL_MACHINE\\Software\\B]\n");
  const ProblemRecord a{"L (K)", "Major Keys", "Software\\A", "A", "default", "null", "whatever", ""};
  int found = 0;
  auto records = Scan<CMajorKeysScanner>(m, std::vector<std::string>(a.begin(), a.end()), &found);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0][2], "Software\\B");
  EXPECT_EQ(found, 1);
}

TEST(RunAppsScanner, ReportsMissingDataAndMissingPrograms) {
  TestMachine m;
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.exe]\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
        "\"empty\"=\"\"\n"
        "\"bare\"=\"notepad.exe\"\n"
        "\"bare with args\"=\"notepad.exe /min\"\n"
        "\"quoted\"=\"\\\"C:\\\\Program Files\\\\App\\\\app.exe\\\" /tray\"\n"
        "\"gone\"=\"C:\\\\Program Files\\\\Gone\\\\gone.exe\"\n"
        "\"rundll\"=\"rundll32.exe C:\\\\nowhere\\\\x.dll,Init\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
        "\"empty\"=\"\"\n"
        "\"big\"=hex:" + std::string("41,") + "42\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce]\n");
  m.Touch("C:\\WINDOWS\\notepad.exe");
  m.Touch("C:\\Program Files\\App\\app.exe");
  plat::HKey key = 0;
  m.registry.OpenKeyEx(plat::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                       plat::kKeyAllAccess, &key);
  const std::string huge(5000, 'h');
  m.registry.SetValueEx(key, "huge", plat::regtype::kSz, reinterpret_cast<const std::uint8_t*>(huge.c_str()), 5001);
  m.registry.CloseKey(key);
  int found = 0;
  auto records = Scan<CRunAppsScanner>(m, {}, &found);
  std::vector<std::string> summary;
  for (const auto& r : records) summary.push_back(r[0] + " " + r[4] + ": " + r[6]);
  EXPECT_EQ(summary, (std::vector<std::string>{
                         "U (V) empty: No data for this value.",
                         "U (V) bare with args: Run file does not exist.",
                         "U (V) gone: Run file does not exist.",
                         "L (V) empty: No data for this value.",
                         "L (V) big: Run file does not exist.",
                         "L (V) huge: No data for this value.",
                     }))
      << "bare names go to the search path whole, arguments included; 'big' reads as the text AB";
  // Without .exe registered no file name is recognised in the same text.
  TestMachine bare;
  bare.Reg("[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
           "\"gone\"=\"C:\\\\Program Files\\\\Gone\\\\gone.exe\"\n");
  EXPECT_TRUE(Scan<CRunAppsScanner>(bare).empty());
  EXPECT_EQ(found, 6);
  EXPECT_EQ(records[0], (ProblemRecord{"U (V)", "Run", "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Run",
                                       "empty", "", "No data for this value.", ""}));
  EXPECT_EQ(records[5][5], "null");
}

TEST(RunAppsScanner, CountsEveryOpenListingAndRead) {
  TestMachine m;
  m.Reg("[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices]\n\"a\"=\"\"\n\"b\"=\"\"\n");
  int examined = 0;
  Scan<CRunAppsScanner>(m, {}, nullptr, &examined);
  // Construction: open and one listing call of HKEY_CLASSES_ROOT, one failed
  // App Paths open (3); ten opens; the one key lists three times and reads twice.
  EXPECT_EQ(examined, 3 + 10 + 3 + 2);
}

// The fix command ticks a section's rows by the codes the table lists for it,
// so every code a scanner files must be there. The demo machine has problems
// in every section.
TEST(SectionTable, EverySectionFilesOnlyTheCodesTheTableGivesIt) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("tidemarrow-sections-" + std::to_string(std::random_device{}()));
  std::string error;
  ASSERT_TRUE(demo::WriteDemoImage(root.string(), error)) << error;
  plat::memory::MachineImage image;
  ASSERT_TRUE(image.Load(plat::memory::ImageDirectory(root.string()), error)) << error;
  const SectionTable table = BuildSectionTable();
  auto scanners = BuildSectionScanners(image.platform());
  ASSERT_EQ(scanners.size(), table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE(table[i].displayName);
    CRegistryUtil util(image.platform());
    ASSERT_TRUE(util.WriteLines({}, kProblems, false, true));
    scanners[i]->Scan({}, kProblems);
    std::vector<std::string> lines;
    ASSERT_TRUE(util.ReadLines(lines, kProblems));
    const std::vector<ProblemRecord> filed = RecordsOf(lines);
    EXPECT_FALSE(filed.empty());
    for (const ProblemRecord& record : filed)
      EXPECT_NE(std::find(table[i].codes.begin(), table[i].codes.end(), record[1]), table[i].codes.end())
          << "section code " << record[1];
  }
  std::error_code ec;
  fs::remove_all(root, ec);
}
