// The sections that check files named by values: Fonts, Help, ODBC, Shared
// Tools and Uninstall.
#include <gtest/gtest.h>

#include "records/problem_entry.h"
#include "refcheck/registry_util.h"
#include "scanners/fonts_scanner.h"
#include "scanners/help_scanner.h"
#include "scanners/odbc_scanner.h"
#include "scanners/shared_tools_scanner.h"
#include "scanners/uninstall_scanner.h"
#include "tests/support/test_machine.h"

using testing_support::TestMachine;

namespace {

constexpr const char* kProblems = "C:\\Problems.txt";
constexpr const char* kExtensions =
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.dll]\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.exe]\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.ttf]\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.hlp]\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.chm]\n";

template <typename Scanner>
std::vector<std::string> Scan(TestMachine& m, int* examined = nullptr,
                              const std::vector<std::string>& exclusions = {}) {
  m.drive.Remove(kProblems);
  Scanner scanner(m.platform);
  scanner.Scan(exclusions, kProblems);
  if (examined) *examined = scanner.GetKeysExamined();
  CRegistryUtil util(m.platform);
  std::vector<std::string> lines;
  util.ReadLines(lines, kProblems);
  std::vector<std::string> out;
  for (const auto& r : RecordsOf(lines)) out.push_back(r[0] + " " + r[3] + " " + r[4] + " = " + r[5] + ": " + r[6]);
  EXPECT_EQ(scanner.GetProblemsFound(), static_cast<int>(out.size()));
  return out;
}

}  // namespace

TEST(FontsScanner, BareNamesAreLookedForInTheFontsFolder) {
  TestMachine m;
  m.Touch("C:\\WINDOWS\\Fonts\\arial.ttf");
  m.Touch("C:\\Other\\full.ttf");
  m.Reg(std::string(kExtensions) +
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\n"
        "\"Arial\"=\"ARIAL.TTF\"\n\"Full\"=\"C:\\\\Other\\\\full.ttf\"\n\"Gone\"=\"gone.ttf\"\n"
        "\"Gone full\"=\"C:\\\\Other\\\\gone.ttf\"\n\"Empty\"=\"\"\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\n\"User\"=\"\"\n");
  EXPECT_EQ(Scan<CFontsScanner>(m), (std::vector<std::string>{"L (V) Fonts Gone = gone.ttf: Font does not exist.",
                                                              "L (V) Fonts Gone full = C:\\Other\\gone.ttf: Font does not exist.",
                                                              "L (V) Fonts Empty = : No data for this value."}));
  m.environment.SetWindowsDirectory("C:\\" + std::string(250, 'w'));
  EXPECT_EQ(Scan<CFontsScanner>(m).size(), 4u) << "a path longer than MAX_PATH is a font that does not exist";
  // More problems than one batch of records holds: every one is in the file
  // when Scan returns, in the order found.
  std::string lost = "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\n";
  for (int i = 0; i < 1000; ++i) lost += "\"Lost " + std::to_string(i) + "\"=\"lost.ttf\"\n";
  m.Reg(lost);
  const std::vector<std::string> found = Scan<CFontsScanner>(m);
  ASSERT_EQ(found.size(), 1004u);
  EXPECT_EQ(found[4], "L (V) Fonts Lost 0 = lost.ttf: Font does not exist.");
  EXPECT_EQ(found.back(), "L (V) Fonts Lost 999 = lost.ttf: Font does not exist.");
}

TEST(HelpScanner, FolderAndNameJoinWithOneBackslash) {
  TestMachine m;
  m.Touch("C:\\WINDOWS\\Help\\notepad.hlp");
  m.Touch("C:\\Apps\\app.chm");
  m.Reg(std::string(kExtensions) +
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Help]\n"
        "\"notepad.hlp\"=\"C:\\\\WINDOWS\\\\Help\"\n\"gone.hlp\"=\"C:\\\\WINDOWS\\\\Help\\\\\"\n\"blank.hlp\"=\"\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\HTML Help]\n"
        "\"app.chm\"=\"C:\\\\Apps\\\\\"\n\"gone.chm\"=\"C:\\\\Apps\"\n");
  EXPECT_EQ(Scan<CHelpScanner>(m), (std::vector<std::string>{
                                      "L (V) Help gone.hlp = C:\\WINDOWS\\Help\\: Help file does not exist.",
                                      "L (V) Help blank.hlp = : No data for this value.",
                                      "L (V) HTML Help gone.chm = C:\\Apps: Help file does not exist."}));
  m.Reg("[-HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Help]\n");
  EXPECT_TRUE(Scan<CHelpScanner>(m).empty()) << "without the Help key the HTML Help key is not examined";
}

TEST(OdbcScanner, DriversAndDataSourcesNeedTheirLibraries) {
  TestMachine m;
  m.Touch("C:\\WINDOWS\\system32\\good.dll");
  m.Reg(std::string(kExtensions) +
        "[HKEY_LOCAL_MACHINE\\Software\\ODBC\\ODBCINST.INI\\Good]\n\"Driver\"=\"C:\\\\WINDOWS\\\\system32\\\\good.dll\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\ODBC\\ODBCINST.INI\\Gone]\n\"Driver\"=\"C:\\\\gone\\\\d.dll\"\n"
        "\"Setup\"=\"C:\\\\WINDOWS\\\\system32\\\\good.dll\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\ODBC\\ODBCINST.INI\\SetupOnly]\n\"Driver\"=\"\"\n\"Setup\"=\"C:\\\\gone\\\\s.dll\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\ODBC\\ODBCINST.INI\\ODBC Drivers]\n\"Good\"=\"Installed\"\n"
        "[HKEY_CURRENT_USER\\Software\\ODBC\\ODBC.INI\\Source]\n\"Driver\"=\"C:\\\\gone\\\\u.dll\"\n");
  EXPECT_EQ(Scan<CODBCScanner>(m), (std::vector<std::string>{
                                      "L (K) Gone Driver = C:\\gone\\d.dll: ODBC File does not exist.",
                                      "L (K) SetupOnly Setup = C:\\gone\\s.dll: ODBC File does not exist.",
                                      "U (K) Source Driver = C:\\gone\\u.dll: ODBC File does not exist."}));
  m.Reg("[-HKEY_LOCAL_MACHINE\\Software\\ODBC]\n");
  EXPECT_TRUE(Scan<CODBCScanner>(m).empty()) << "without the drivers the user's data sources are not examined";
}

TEST(SharedToolsScanner, OnlyAPathNamingAMissingFileIsReported) {
  TestMachine m;
  m.Touch("C:\\Shared\\ok.exe");
  int examined = 0;
  m.Reg(std::string(kExtensions) +
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Shared Tools\\Ok]\n\"Path\"=\"C:\\\\Shared\\\\ok.exe\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Shared Tools\\Gone]\n\"Path\"=\"C:\\\\Shared\\\\gone.exe\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Shared Tools\\NoPath]\n\"Version\"=\"1\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Shared Tools\\EmptyPath]\n\"Path\"=\"\"\n");
  EXPECT_EQ(Scan<CSharedToolsScanner>(m, &examined),
            (std::vector<std::string>{"L (K) Gone Path = C:\\Shared\\gone.exe: Shared Tools file does not exist."}));
  // Util: 1 open and 6 listing calls of the classes root (five extensions),
  // 1 failed App Paths open. Scan: 1 open and 5 listing calls, then an open
  // and a read per key.
  EXPECT_EQ(examined, 8 + 6 + 4 * 2);
}

TEST(UninstallScanner, EntriesWithoutValuesAndMissingUninstallers) {
  TestMachine m;
  m.Touch("C:\\Program Files\\Ok\\unins000.exe");
  const std::string root = "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  m.Reg(std::string(kExtensions) + root + "Ok]\n\"uninstallSTRING\"=\"\\\"C:\\\\Program Files\\\\Ok\\\\unins000.exe\\\"\"\n" +
        root + "Gone]\n\"UninstallString\"=\"\\\"C:\\\\Program Files\\\\Gone\\\\UNINS000.EXE\\\" /silent\"\n" + root +
        "Isu]\n\"UninstallString\"=\"C:\\\\Program Files\\\\Ok\\\\unins000.exe -f\\\"D:\\\\logs\\\\app.isu\\\"\"\n" +
        root + "Empty]\n" + root + "DefaultOnly]\n@=\"something\"\n" + root + "Named]\n\"DisplayName\"=\"x\"\n" +
        root + "Msi]\n\"UninstallString\"=\"MsiExec.exe /X{1}\"\n" + root +
        "Colon]\n\"UninstallString\"=\":\\\\gone\\\\setup.exe\"\n");
  EXPECT_EQ(Scan<CUninstallScanner>(m),
            (std::vector<std::string>{
                "L (K) Colon UninstallString = :\\gone\\setup.exe: Uninstall file does not exist on computer.",
                "L (K) Empty default = null: No values for this key.",
                "L (K) Gone UninstallString = \"C:\\Program Files\\Gone\\UNINS000.EXE\" /silent: Uninstall file does "
                "not exist on computer.",
                "L (K) Isu UninstallString = C:\\Program Files\\Ok\\unins000.exe -f\"D:\\logs\\app.isu\": Uninstall "
                "file does not exist on computer."}))
      << "the .isu log is searched first; a colon opening the text starts the path at its first character";
  CUninstallScanner scanner(m.platform);
  EXPECT_TRUE(scanner.UninstallFileExists("RunDll32 setupapi,InstallHinfSection")) << "no drive: accepted";
  // An exclusion with the uninstall command suppresses the problem.
  const std::vector<std::string> exclusion{
      "L (K)", "Uninstall", "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Gone", "Gone", "UninstallString",
      "\"C:\\Program Files\\Gone\\UNINS000.EXE\" /silent", "", ""};
  EXPECT_EQ(Scan<CUninstallScanner>(m, nullptr, exclusion).size(), 3u);
}
