// The class-based sections on small images: what each must report, the
// healthy entries it must not, its Delete Key and its count.
#include <gtest/gtest.h>

#include "records/problem_entry.h"
#include "refcheck/registry_util.h"
#include "scanners/app_ids_scanner.h"
#include "scanners/app_paths_scanner.h"
#include "scanners/clsid_scanner.h"
#include "scanners/com_names_scanner.h"
#include "scanners/extensions_scanner.h"
#include "scanners/file_types_scanner.h"
#include "scanners/interface_scanner.h"
#include "scanners/type_libs_scanner.h"
#include "tests/support/faulty_registry.h"
#include "tests/support/test_machine.h"

using testing_support::TestMachine;

namespace {

constexpr const char* kProblems = "C:\\Problems.txt";
constexpr const char* kGood = "{00000000-0000-0000-0000-00000000600d}";

struct Result {
  std::vector<ProblemRecord> records;
  int found = 0;
  int examined = 0;
  // "Main Key: Problem" per record, for compact expectations.
  std::vector<std::string> Summary() const {
    std::vector<std::string> out;
    for (const auto& r : records) out.push_back(r[3] + ": " + r[6]);
    return out;
  }
};

template <typename Scanner>
Result ScanWith(TestMachine& m, const std::vector<std::string>& exclusions = {}) {
  Scanner scanner(m.platform);
  scanner.Scan(exclusions, kProblems);
  Result result;
  result.found = scanner.GetProblemsFound();
  result.examined = scanner.GetKeysExamined();
  CRegistryUtil util(m.platform);
  std::vector<std::string> lines;
  util.ReadLines(lines, kProblems);
  result.records = RecordsOf(lines);
  EXPECT_EQ(result.found, static_cast<int>(result.records.size()));
  return result;
}

// A registered class whose server exists, and the extensions that let file
// names be recognised.
std::string Base() {
  return std::string("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.dll]\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.exe]\n") +
         "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\" + kGood + "]\n@=\"Good Class\"\n" +
         "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\" + kGood + "\\InProcServer32]\n@=\"C:\\\\ok\\\\good.dll\"\n";
}

}  // namespace

TEST(ClsidScanner, ReportsClassesWhoseServersAreAllMissing) {
  TestMachine m;
  m.Touch("C:\\ok\\good.dll");
  m.Touch("C:\\ok\\server.exe");
  m.Reg(Base() +
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{A}\\InProcServer32]\n@=\"C:\\\\gone\\\\a.dll\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{B}\\InProcServer32]\n@=\"C:\\\\gone\\\\b.dll\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{B}\\LocalServer32]\n@=\"C:\\\\ok\\\\server.exe /auto\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{C}\\InProcServer32]\n@=\"\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{D}\\InProcServer32]\n@=\"\"\n\"ThreadingModel\"=\"Both\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{E}\\InProcServer32]\n@=\"rundll32.exe C:\\\\gone\\\\x.dll\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{F}\\LocalServer32]\n@=\"\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{G}\\InProcServer32]\n@=\"C:\\\\gone\\\\g.dll\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{G}\\LocalServer32]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{H}]\n@=\"no server keys\"\n"
        "[HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{U}\\InProcServer32]\n@=\"C:\\\\gone\\\\u.dll\"\n");
  const Result r = ScanWith<CClsidScanner>(m);
  EXPECT_EQ(r.Summary(), (std::vector<std::string>{"InProcServer32: Class id references file that does not exist.",
                                                   "InProcServer32: File name is missing for this key."}))
      << "B has a server that exists, D a named value, E runs rundll32, F only a LocalServer32, G a second "
         "server key without a default value (null counts as existing), H no server key, U only the user's";
  ASSERT_EQ(r.records.size(), 2u);
  EXPECT_EQ(r.records[0], (ProblemRecord{"L (K)", "CLSID", "Software\\Classes\\CLSID\\{A}\\InProcServer32",
                                         "InProcServer32", "default", "C:\\gone\\a.dll",
                                         "Class id references file that does not exist.", "Software\\Classes\\CLSID\\{A}"}));
  EXPECT_EQ(r.records[1][2], "Software\\Classes\\CLSID\\{C}\\InProcServer32");
}

TEST(ClsidScanner, CountsItsListingOpensAndReads) {
  TestMachine m;
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{A}\\LocalServer32]\n");
  const Result r = ScanWith<CClsidScanner>(m);
  // Util: open and two listing calls of the classes root (CLSID), a failed
  // App Paths open. Scan: open and two listing calls of CLSID, three server
  // opens, one read.
  EXPECT_EQ(r.examined, 4 + 3 + 3 + 1);
  EXPECT_TRUE(r.records.empty());
}

TEST(ComNamesScanner, ProgramIdsNeedRegisteredClassesAndCommandsExistingPrograms) {
  TestMachine m;
  m.Touch("C:\\ok\\good.dll");
  m.Touch("C:\\ok\\viewer.exe");
  m.Reg(Base() +
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Good.Prog\\CLSID]\n@=\"" + kGood + "\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Bad.Prog]\n@=\"Bad Program\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Bad.Prog\\CLSID]\n@=\"{MISSING}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Renamed.Prog]\n@=\"Good Class\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Renamed.Prog\\CLSID]\n@=\"{MISSING}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CSSFile\\CLSID]\n@=\"{MISSING}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Microsoft.VSWizards.1\\CLSID]\n@=\"{MISSING}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Both.Prog\\CLSID]\n@=\"" + kGood + "\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Both.Prog\\Shell\\Open\\Command]\n@=\"C:\\\\gone\\\\x.exe\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Viewer.Doc\\Shell\\Open\\Command]\n@=\"\\\"C:\\\\ok\\\\viewer.exe\\\" %1\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Gone.Doc\\Shell\\Print\\Command]\n@=\"C:\\\\gone\\\\print.exe %1\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Empty.Doc\\Shell\\Open\\Command]\n@=\"\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\NoDefault.Doc\\Shell\\Open\\Command]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.ext\\CLSID]\n@=\"{MISSING}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Folder\\Shell\\scan\\Command]\n@=\"C:\\\\gone\\\\scan.exe\"\n");
  const Result r = ScanWith<CComNamesScanner>(m);
  std::vector<std::string> keys;
  for (const auto& rec : r.records) keys.push_back(rec[1] + " " + rec[7] + ": " + rec[6]);
  EXPECT_EQ(keys, (std::vector<std::string>{
                      "COM App Software\\Classes\\Bad.Prog: COM App references class id that does not exist.",
                      "COM App Software\\Classes\\Empty.Doc: COM App references file that does not exist.",
                      "COM App Software\\Classes\\Gone.Doc: COM App references file that does not exist.",
                      "COM Names Software\\Classes\\Folder\\Shell\\scan: COM App references file that does not exist.",
                  }));
  EXPECT_EQ(r.records.back()[2], "Software\\Classes\\Folder\\Shell\\scan\\Command");
  EXPECT_EQ(r.records.back()[3], "Command");
  EXPECT_EQ(r.records[0][3], "CLSID");
}

TEST(ExtensionsScanner, HandlersCommandsAndExtensionLists) {
  TestMachine m;
  m.Touch("C:\\ok\\good.dll");
  m.Touch("C:\\ok\\play.exe");
  m.Reg(Base() +
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.good\\PersistentHandler]\n@=\"" + kGood + "\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.bad\\PersistentHandler]\n@=\"{MISSING}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\nodot\\PersistentHandler]\n@=\"{MISSING}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\SystemFileAssociations\\audio\\Shell\\Open\\Command]\n"
        "@=\"C:\\\\gone\\\\player.exe %1\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\SystemFileAssociations\\audio\\ShellEx\\{X}]\n@=\"{MISSING}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\SystemFileAssociations\\video\\Shell\\Open\\Command]\n"
        "@=\"C:\\\\ok\\\\play.exe %1\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\SystemFileAssociations\\image\\ShellEx\\PropertyHandler]\n"
        "@=\"{MISSING}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\SystemFileAssociations\\image\\ShellEx\\{Y}]\n@=\"" + kGood + "\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\SystemFileAssociations\\image\\ShellEx\\ContextMenuHandlers]\n"
        "@=\"{MISSING}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Extensions]\n"
        "\"xyz\"=\"C:\\\\gone\\\\xyz.exe ^.xyz\"\n\"ok\"=\"C:\\\\ok\\\\play.exe ^.ok\"\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Extensions]\n"
        "\"xyz\"=\"C:\\\\gone\\\\xyz.exe ^.xyz\"\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Extensions]\n"
        "\"nt\"=\"C:\\\\gone\\\\nt.exe ^.nt\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Extensions]\n"
        "\"never\"=\"C:\\\\gone\\\\never.exe\"\n");
  const Result r = ScanWith<CExtensionsScanner>(m);
  std::vector<std::string> out;
  for (const auto& rec : r.records) out.push_back(rec[0] + " " + rec[3] + " [" + rec[7] + "] " + rec[6]);
  EXPECT_EQ(out, (std::vector<std::string>{
                     "L (K) PersistentHandler [Software\\Classes\\.bad] PersistentHandler references class id that "
                     "does not exist.",
                     "L (K) Command [Software\\Classes\\SystemFileAssociations\\audio] Shell Command references file "
                     "that does not exist.",
                     "L (K) PropertyHandler [Software\\Classes\\SystemFileAssociations\\image] ShellEx references "
                     "class id that does not exist.",
                     "L (V) Extensions [] Window Extensions references file that does not exist.",
                     "U (V) Extensions [] Window Extensions references file that does not exist.",
                     "U (V) Extensions [] Window Extensions references file that does not exist.",
                 }))
      << "audio is judged by its command alone; the NT list is read only for the user";
  EXPECT_EQ(r.records[5][2], "Software\\Microsoft\\Windows NT\\CurrentVersion\\Extensions");
  EXPECT_EQ(r.records[3][4], "xyz");
}

TEST(AppIdsAndAppPathsScanners, ReportMissingIdsAndPrograms) {
  TestMachine m;
  m.Touch("C:\\ok\\good.dll");
  m.Touch("C:\\ok\\tool.exe");
  m.Reg(Base() +
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\AppID\\{APP}]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\AppID\\registered.exe]\n\"AppID\"=\"{APP}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\AppID\\asclass.exe]\n\"AppID\"=\"" + kGood + "\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\AppID\\gone.exe]\n\"AppID\"=\"{GONE}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\AppID\\noid.exe]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\AppID\\{BRACED}]\n\"AppID\"=\"{GONE}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tool.exe]\n"
        "@=\"\\\"C:\\\\ok\\\\tool.exe\\\"\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone.exe]\n"
        "@=\"\\\"C:\\\\gone\\\\gone.exe\\\"\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\bare.exe]\n@=\"bare.exe\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\empty.exe]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\pathonly.exe]\n"
        "\"Path\"=\"C:\\\\x\"\n");
  EXPECT_EQ(ScanWith<CAppIdScanner>(m).Summary(),
            (std::vector<std::string>{"gone.exe: AppID references id that does not exist.",
                                      "noid.exe: App id is missing for this key."}));
  m.drive.Remove("C:\\Problems.txt");
  EXPECT_EQ(ScanWith<CAppPathsScanner>(m).Summary(),
            (std::vector<std::string>{"empty.exe: No values for this key.", "gone.exe: File does not exist."}))
      << "bare.exe is found through App Paths under its own name";
}

TEST(InterfaceTypeLibsAndFileTypesScanners, ReportUnregisteredClassesAndMissingLibraries) {
  TestMachine m;
  m.Touch("C:\\ok\\good.dll");
  m.Touch("C:\\ok\\good.tlb");
  m.Reg(Base() + "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.tlb]\n" +
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Interface\\{I1}\\ProxyStubClsid32]\n@=\"" + kGood + "\"\n" +
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Interface\\{I2}\\ProxyStubClsid32]\n@=\"{GONE}\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Interface\\{I3}]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\TypeLib\\{L1}\\1.0\\0\\win32]\n@=\"C:\\\\ok\\\\good.tlb\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\TypeLib\\{L1}\\1.0\\FLAGS]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\TypeLib\\{L1}\\1.0\\HelpDir]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\TypeLib\\{L1}\\nodot]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\TypeLib\\{L2}]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\TypeLib\\{L3}\\1.0\\0\\win32]\n@=\"C:\\\\gone\\\\gone.tlb\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\TypeLib\\{L3}\\2.0]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\TypeLib\\{L4}\\1.0\\409\\WIN32]\n@=\"\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\TypeLib\\{L4}\\1.0\\409\\win16]\n@=\"C:\\\\gone\\\\16.tlb\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\FileType\\" + kGood + "]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\FileType\\not a class id]\n");
  const Result interfaces = ScanWith<CInterfaceScanner>(m);
  ASSERT_EQ(interfaces.records.size(), 1u);
  EXPECT_EQ(interfaces.records[0], (ProblemRecord{"L (K)", "Interface", "Software\\Classes\\Interface\\{I2}\\ProxyStubClsid32",
                                                  "ProxyStubClsid32", "default", "{GONE}",
                                                  "Interface references class id that does not exist.",
                                                  "Software\\Classes\\Interface\\{I2}"}));
  m.drive.Remove("C:\\Problems.txt");
  const Result libs = ScanWith<CTypeLibsScanner>(m);
  EXPECT_EQ(libs.Summary(), (std::vector<std::string>{"{L2}: No subkeys for this key.",
                                                      "win32: TypeLib file does not exist.",
                                                      "2.0: No subkeys for this key.",
                                                      "win32: TypeLib file is blank."}));
  ASSERT_EQ(libs.records.size(), 4u);
  EXPECT_EQ(libs.records[1][7], "Software\\Classes\\TypeLib\\{L3}\\1.0") << "the fix removes the version";
  EXPECT_EQ(libs.records[2][7], "") << "and the Delete Key is empty again after";
  EXPECT_EQ(libs.records[2][5], "") << "a version's Value Data is empty after an earlier judged one";
  EXPECT_EQ(libs.records[3][2], "Software\\Classes\\TypeLib\\{L4}\\1.0\\409\\win32");
  m.drive.Remove("C:\\Problems.txt");
  const Result types = ScanWith<CFileTypesScanner>(m);
  ASSERT_EQ(types.records.size(), 1u);
  EXPECT_EQ(types.records[0], (ProblemRecord{"L (K)", "FileType", "Software\\Classes\\FileType\\not a class id",
                                             "not a class id", "", "",
                                             "FileType references class id that does not exist.", ""}));
  const ProblemRecord& excluded = types.records[0];
  m.drive.Remove("C:\\Problems.txt");
  EXPECT_TRUE(ScanWith<CFileTypesScanner>(m, std::vector<std::string>(excluded.begin(), excluded.end())).records.empty());
}

TEST(ComNamesScanner, TheWow64ViewAndActivatableClassesAreNoProgramIds) {
  TestMachine m;
  m.Touch("C:\\ok\\good.dll");
  const std::string only32 = "{00000000-0000-0000-0000-000000003232}";
  m.Reg(Base() +
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\CLSID\\" + only32 + "]\n@=\"Thirty Two\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\ActivatableClasses\\CLSID]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Old.Prog\\CLSID]\n@=\"" + only32 + "\"\n");
  EXPECT_TRUE(ScanWith<CComNamesScanner>(m).records.empty());
}

TEST(ComNamesScanner, ARegistryWithoutA64BitViewCountsAsBefore) {
  TestMachine m;
  m.Touch("C:\\ok\\good.dll");
  m.Reg(Base() + "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Bad.Prog\\CLSID]\n@=\"{MISSING}\"\n");
  const Result r = ScanWith<CComNamesScanner>(m);
  ASSERT_EQ(r.records.size(), 1u);
  TestMachine w;
  w.Touch("C:\\ok\\good.dll");
  w.Reg(Base() + "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Bad.Prog\\CLSID]\n@=\"{MISSING}\"\n"
                 "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\CLSID]\n");
  const Result r64 = ScanWith<CComNamesScanner>(w);
  EXPECT_EQ(r64.records.size(), 1u);
  // HKEY_CLASSES_ROOT lists one key more, twice (the extension list and the
  // program ids), and the missing class is asked for once more in the
  // 32-bit view; without that view nothing more is counted.
  EXPECT_EQ(r64.examined, r.examined + 3);
}

TEST(ComNamesScanner, AnOfflineImageCountsAsTheWalkItReplays) {
  // Program ids whose classes are missing, some named as classes that do
  // exist (early, late, twice), some not: each check on an offline image is
  // answered from one walk, and must count what its own walk would have;
  // and so when a class's name is too long to read, which makes every
  // check walk.
  for (const bool longName : {false, true}) {
    TestMachine m;
    m.Touch("C:\\ok\\good.dll");
    std::string reg = Base();
    for (int i = 0; i < 40; ++i)
      reg += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{C" + std::to_string(100 + i) + "}]\n@=\"Class " +
             std::to_string(i % 30) + "\"\n";
    reg += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{NoName}]\n";
    if (longName) reg += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{Long}]\n@=\"" + std::string(5000, 'x') + "\"\n";
    for (int i = 0; i < 25; ++i)
      reg += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\P" + std::to_string(i) + ".Prog]\n@=\"Class " +
             std::to_string(i * 3) + "\"\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\P" + std::to_string(i) +
             ".Prog\\CLSID]\n@=\"{MISSING}\"\n";
    m.Reg(reg);
    const Result replayed = ScanWith<CComNamesScanner>(m);
    testing_support::FaultyRegistry live(m.registry);  // a registry others may change: every check walks
    plat::Platform platform{live, m.environment, m.drive, m.atoms, m.messages, m.clock};
    CComNamesScanner walking(platform);
    walking.Scan({}, "C:\\Walked.txt");
    std::vector<std::string> lines;
    CRegistryUtil(m.platform).ReadLines(lines, "C:\\Walked.txt");
    EXPECT_EQ(RecordsOf(lines), replayed.records) << longName;
    EXPECT_EQ(walking.GetKeysExamined(), replayed.examined) << longName;
    EXPECT_EQ(replayed.records.size(), 15u) << "\"Class 30\" and beyond name no class";
  }
}
