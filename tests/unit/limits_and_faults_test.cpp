// Limits and faults: deep and wide registries, names and data around the
// 4096-byte buffers, and a registry that fails part way through a fix.
#include <gtest/gtest.h>

#include "app/main_commands.h"
#include "engine/fix_selected_problems.h"
#include "engine/problem_list_display.h"
#include "engine/recorded_job_view.h"
#include "platform/memory/headless_dialog.h"
#include "platform/memory/reg_text.h"
#include "platform/registry_tree.h"
#include "refcheck/registry_util.h"
#include "scanners/major_keys_scanner.h"
#include "tests/support/faulty_registry.h"
#include "tests/support/test_machine.h"

using testing_support::FaultyRegistry;
using testing_support::TestMachine;

TEST(Limits, KeysDeeperThanTheRegistryAllowsAreRefusedByLineAndNothingLoads) {
  std::string deep = "[HKEY_LOCAL_MACHINE\\Top";
  for (int i = 1; i < 512; ++i) deep += "\\k";
  plat::memory::MemoryRegistry ok;
  EXPECT_TRUE(plat::memory::ImportRegText("REGEDIT4\n" + deep + "]\n\"v\"=\"1\"\n", ok).ok) << "512 levels load";
  EXPECT_EQ(plat::DeleteTree(ok, plat::kLocalMachine, "Top"), 0) << "and delete again";
  plat::memory::MemoryRegistry refused;
  const auto r = plat::memory::ImportRegText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Other]\n" + deep + "\\k]\n", refused);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.line, 3);
  EXPECT_NE(r.reason.find("512 levels"), std::string::npos);
  plat::HKey key = 0;
  EXPECT_EQ(refused.OpenKeyEx(plat::kLocalMachine, "Other", 0, plat::kKeyRead, &key), 2);
}

TEST(Limits, AHundredThousandSubkeysUnderOneKey) {
  plat::memory::MemoryRegistry reg;
  plat::HKey parent = 0;
  ASSERT_EQ(reg.CreateKeyEx(plat::kLocalMachine, "Software\\Wide", &parent), 0);
  for (int i = 99999; i >= 0; --i) {  // worst order for a sorted list
    plat::HKey child = 0;
    ASSERT_EQ(reg.CreateKeyEx(parent, ("k" + std::to_string(i)).c_str(), &child), 0);
    reg.CloseKey(child);
  }
  reg.CloseKey(parent);
  testing_support::TestMachine m;  // its own registry; the wide key is counted here
  plat::Platform platform{reg, m.environment, m.drive, m.atoms, m.messages, m.clock};
  CRegistryKey key(platform);
  ASSERT_TRUE(key.OpenAndListLocalMachine("Software\\Wide"));
  EXPECT_EQ(key.SubkeyNames().size(), 100000u);
  EXPECT_EQ(key.SubkeyNames().front(), "k0");
  EXPECT_EQ(key.GetOperationCount(), 100002);
  CMajorKeysScanner scanner(platform);
  scanner.Scan({}, "C:\\Problems.txt");
  EXPECT_EQ(scanner.GetProblemsFound(), 0) << "Wide has subkeys; its children are two levels down";
}

TEST(Faults, ARegistryThatFailsPartWayThroughAFixLosesNothing) {
  const std::string image =
      "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"x\"=\"1\"\n\"y\"=hex(2):41,00\n[HKEY_LOCAL_MACHINE\\Software\\A\\B]\n"
      "\"z\"=dword:00000003\n[HKEY_LOCAL_MACHINE\\Software\\C]\n\"w\"=\"2\"\n";
  for (long failFrom = 1; failFrom < 60; ++failFrom) {
    SCOPED_TRACE(failFrom);
    TestMachine m;
    m.Touch("C:\\T\\x");
    m.Reg(image);
    std::string before, error;
    ASSERT_TRUE(plat::memory::ExportRegText(m.registry, plat::memory::RegTextEncoding::kAnsi, before, error));
    FaultyRegistry faulty(m.registry);
    faulty.failFrom = failFrom;
    plat::Platform platform{faulty, m.environment, m.drive, m.atoms, m.messages, m.clock};
    CRecordedJobView view;
    plat::memory::HeadlessListView list;
    AddListRow(list, {"L (K)", "S", "Software\\A", "A", "", "", "", ""});
    AddListRow(list, {"L (V)", "S", "Software\\C", "C", "w", "", "", ""});
    list.SetChecked(0, true);
    list.SetChecked(1, true);
    FixSelectedProblems(platform, list, view, "C:\\T\\");
    // Whatever was deleted before the registry failed is in the backup.
    std::vector<std::string> names;
    m.drive.ListFiles("C:\\T", names);
    for (const auto& n : names) {
      if (n == "x") continue;
      std::string bytes;
      ASSERT_TRUE(m.drive.ReadFile("C:\\T\\" + n, bytes));
      ASSERT_TRUE(plat::memory::ImportRegText(bytes, m.registry).ok) << n;
    }
    std::string after;
    ASSERT_TRUE(plat::memory::ExportRegText(m.registry, plat::memory::RegTextEncoding::kAnsi, after, error));
    std::vector<std::string> a = TextModeLines(before), b = TextModeLines(after);
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    EXPECT_EQ(a, b);
    EXPECT_EQ(m.registry.OpenHandleCount(), 0u) << "no handle left open by a fault";
    // A row that was not fixed was said so.
    std::size_t told = 0;
    for (const auto& box : m.messages.Boxes())
      if (box.text.rfind("Could not fix...", 0) == 0 || box.text.find("could not") != std::string::npos) ++told;
    EXPECT_GE(told, list.Rows().empty() ? 0u : 1u);
  }
}
