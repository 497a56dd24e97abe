#include <gtest/gtest.h>

#include "records/problem_entry.h"
#include "refcheck/registry_util.h"
#include "tests/support/test_machine.h"

using testing_support::TestMachine;

namespace {

ProblemEntry Entry(const std::string& key, const std::string& data = "null") {
  ProblemEntry e;
  e.marker = "L (K)";
  e.section = "Major Keys";
  e.fullKey = key;
  e.mainKey = "Main";
  e.valueName = "default";
  e.valueData = data;
  e.problem = "No values or subkeys for this key.";
  e.deleteKey = "";
  e.valueData2 = "never filed";
  return e;
}

constexpr const char* kFile = "C:\\Problems.txt";

}  // namespace

TEST(ProblemRecords, RecordsAreAppendedAsEightCrLfLinesAndReadBack) {
  TestMachine m;
  CRegistryUtil util(m.platform);
  EXPECT_TRUE(util.AddProblem(Entry("Software\\A"), kFile, true, false)) << "created when missing";
  EXPECT_TRUE(util.AddProblem(Entry("Software\\B", ""), kFile, true, false));
  EXPECT_EQ(m.HostFile("drive_c/Problems.txt"),
            "L (K)\r\nMajor Keys\r\nSoftware\\A\r\nMain\r\ndefault\r\nnull\r\nNo values or subkeys for this key.\r\n\r\n"
            "L (K)\r\nMajor Keys\r\nSoftware\\B\r\nMain\r\ndefault\r\n\r\nNo values or subkeys for this key.\r\n\r\n");
  std::vector<std::string> lines{"before"};
  EXPECT_TRUE(util.ReadLines(lines, kFile));
  ASSERT_EQ(lines.size(), 17u) << "appended after what the list held";
  std::vector<std::string> read(lines.begin() + 1, lines.end());
  const auto records = RecordsOf(read);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], RecordOf(Entry("Software\\A")));
  EXPECT_EQ(records[1][5], "");
  EXPECT_EQ(records[0][5], "null");
  // Emptying, as every job does at its start.
  EXPECT_TRUE(util.WriteLines({}, kFile, false, true));
  EXPECT_EQ(m.HostFile("drive_c/Problems.txt"), "");
}

TEST(ProblemRecords, ATrailingPartialGroupIsNotARecord) {
  std::vector<std::string> lines(17, "x");
  std::size_t leftover = 0;
  EXPECT_EQ(RecordsOf(lines, &leftover).size(), 2u);
  EXPECT_EQ(leftover, 1u);
  EXPECT_EQ(TextModeLines("a\r\nb"), (std::vector<std::string>{"a", "b"})) << "a last line without line end";
  EXPECT_EQ(TextModeLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(TextModeLines("a\rb\n"), (std::vector<std::string>{"a\rb"})) << "a lone CR stays";
  EXPECT_EQ(TextModeLines("\r\r\nx\r"), (std::vector<std::string>{"\r", "x\r"})) << "only the CR before a LF goes";
  EXPECT_EQ(TextModeLines("\n\r\n"), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(TextModeBytes({"a\nb\n", "", "c"}), "a\r\nb\r\n\r\n\r\nc\r\n") << "every LF gets its CR";
}

TEST(ProblemRecords, LineEndsInsideATextDoNotShiftLaterRecords) {
  TestMachine m;
  CRegistryUtil util(m.platform);
  ProblemEntry odd = Entry("Software\\Odd", "two\r\nlines\nhere");
  odd.valueName = "name\rwith CR";
  util.AddProblem(odd, kFile, true, false);
  util.AddProblem(Entry("Software\\Next"), kFile, true, false);
  std::vector<std::string> lines;
  ASSERT_TRUE(util.ReadLines(lines, kFile));
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[5], "two  lines here");
  EXPECT_EQ(lines[4], "name with CR");
  EXPECT_EQ(lines[10], "Software\\Next");
  EXPECT_TRUE(util.IsExcluded(lines, odd)) << "the entry matches the record it was filed as";
}

TEST(ProblemRecords, ExclusionComparesTheFirstSixFieldsExactly) {
  TestMachine m;
  CRegistryUtil util(m.platform);
  // The util and the scanners' index give the same answers.
  auto excluded = [&](const std::vector<std::string>& lines, const ProblemEntry& e) {
    const bool plain = util.IsExcluded(lines, e);
    EXPECT_EQ(ExclusionIndex(lines).Holds(e), plain) << e.fullKey;
    return plain;
  };
  const ProblemRecord r = RecordOf(Entry("Software\\A"));
  std::vector<std::string> exclusions(r.begin(), r.end());
  ProblemEntry other = Entry("Software\\A");
  other.problem = "another problem";
  other.deleteKey = "Software";
  EXPECT_TRUE(excluded(exclusions, other)) << "Problem and Delete Key are not compared";
  EXPECT_FALSE(excluded(exclusions, Entry("software\\a"))) << "case-sensitive";
  EXPECT_FALSE(excluded(exclusions, Entry("Software\\A ")));
  EXPECT_FALSE(excluded({}, other));
  // A trailing group with its first six lines takes part.
  std::vector<std::string> partial(r.begin(), r.end());
  const ProblemRecord b = RecordOf(Entry("Software\\B"));
  partial.insert(partial.end(), b.begin(), b.begin() + 6);
  EXPECT_TRUE(excluded(partial, Entry("Software\\B")));
  partial.pop_back();
  EXPECT_FALSE(excluded(partial, Entry("Software\\B")));
}

TEST(ProblemRecords, FileFailuresAreResultsAndChangeNothing) {
  TestMachine m;
  CRegistryUtil util(m.platform);
  std::vector<std::string> lines{"kept"};
  EXPECT_FALSE(util.ReadLines(lines, "C:\\Missing.txt"));
  EXPECT_EQ(lines, std::vector<std::string>{"kept"});
  EXPECT_FALSE(util.AddProblem(Entry("A"), "C:\\No Such Dir\\Problems.txt", true, false));
  EXPECT_FALSE(util.WriteLines({"x"}, "Q:\\Problems.txt", false, false)) << "a drive that is not mapped";
  m.Touch("C:\\Locked.txt", "old");
  m.drive.SetAttributes("C:\\Locked.txt", plat::attr::kReadOnly);
  EXPECT_FALSE(util.WriteLines({}, "C:\\Locked.txt", false, true));
  EXPECT_EQ(m.HostFile("drive_c/Locked.txt"), "old");
  EXPECT_FALSE(util.FileExists("C:\\Missing.txt"));
  EXPECT_TRUE(util.FileExists("C:\\Locked.txt"));
}
