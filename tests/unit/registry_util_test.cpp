#include <gtest/gtest.h>

#include "refcheck/registry_util.h"
#include "tests/support/test_machine.h"

using testing_support::TestMachine;

namespace {

const std::vector<std::string> kFixed = {".isu", ".ax",  ".aw",  ".acm", ".olb", ".pkg", ".exd", ".twd",
                                         ".awx", ".flt", ".dep", ".vsk", ".srg", ".tip", ".lex", ".pfc"};

std::vector<std::string> WithFixed(std::vector<std::string> listed) {
  listed.insert(listed.end(), kFixed.begin(), kFixed.end());
  return listed;
}

}  // namespace

TEST(RegistryUtil, ExtensionListTakesRegisteredExtensionsAsListedThenTheFixedOnes) {
  TestMachine m;
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.html]\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.DOC]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.acm]\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\txtfile]\n[HKEY_CURRENT_USER\\Software\\Classes\\.log]\n");
  CRegistryUtil util(m.platform);
  EXPECT_EQ(util.ExtensionList(), WithFixed({".acm", ".DOC", ".html", ".log"}));
  EXPECT_EQ(util.GetOperationCount(), 8) << "one open and seven listing calls for six root keys";
  EXPECT_TRUE(util.AppPathsNames().empty()) << "only LoadAppPaths fills them";
  EXPECT_EQ(util.SystemRootDirectory(), "C:\\WINDOWS");
  EXPECT_EQ(util.ProgramFilesDirectory(), "C:\\Program Files");

  // Utils alive together keep each its own machine's list, whether or not
  // an equal one is shared.
  CRegistryUtil same(m.platform);
  TestMachine other;
  other.Reg("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.txt]\n");
  CRegistryUtil different(other.platform);
  EXPECT_EQ(&same.ExtensionList(), &util.ExtensionList()) << "an equal list is held once";
  EXPECT_EQ(different.ExtensionList(), WithFixed({".txt"}));
  EXPECT_EQ(util.ExtensionList(), WithFixed({".acm", ".DOC", ".html", ".log"}));

  // Made one after another on an unchanged machine, a util counts as its
  // listing would; once a class is added, the next one lists it.
  CRegistryUtil first(m.platform);
  CRegistryUtil next(m.platform);
  EXPECT_EQ(next.GetOperationCount(), 8);
  EXPECT_EQ(&next.ExtensionList(), &first.ExtensionList());
  plat::HKey key = 0;
  ASSERT_EQ(m.platform.registry.CreateKeyEx(plat::kLocalMachine, "Software\\Classes\\.new", &key),
            plat::err::kSuccess);
  m.platform.registry.CloseKey(key);
  CRegistryUtil later(m.platform);
  EXPECT_EQ(later.ExtensionList(), WithFixed({".acm", ".DOC", ".html", ".log", ".new"}));
  EXPECT_EQ(later.GetOperationCount(), 9);
}

TEST(RegistryUtil, WithoutClassesOnlyTheFixedExtensionsAndEnvironmentThatDoesNotFitIsEmpty) {
  TestMachine m;
  m.environment.Set("ProgramFiles", std::string(259, 'p'));
  m.environment.Set("SystemRoot", std::string(260, 's'));
  CRegistryUtil util(m.platform);
  EXPECT_EQ(util.ExtensionList(), kFixed);
  EXPECT_EQ(util.ProgramFilesDirectory(), std::string(259, 'p')) << "259 characters fit the 260-byte buffer";
  EXPECT_EQ(util.SystemRootDirectory(), "");
  m.environment.Unset("ProgramFiles");
  CRegistryUtil unset(m.platform);
  EXPECT_EQ(unset.ProgramFilesDirectory(), "");
}

TEST(RegistryUtil, AppPathsListsAreLowerCasedAndParallel) {
  TestMachine m;
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\APP.EXE]\n"
        "\"Path\"=\"C:\\\\Apps\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\nopath.exe]\n"
        "@=\"C:\\\\x\\\\nopath.exe\"\n");
  CRegistryUtil util(m.platform);
  const int before = util.GetOperationCount();
  util.LoadAppPaths();
  EXPECT_EQ(util.AppPathsNames(), (std::vector<std::string>{"app.exe", "nopath.exe"}));
  EXPECT_EQ(util.AppPathsPaths(), (std::vector<std::string>{"C:\\Apps", "null"}));
  EXPECT_EQ(util.GetOperationCount() - before, 1 + 3 + 2 * 2) << "open-and-list, then an open and a read each";
}

TEST(RegistryUtil, EmptinessTestsLookAtTheOpenKeyWithoutCounting) {
  TestMachine m;
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\DefaultOnly]\n@=\"\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Named]\n\"n\"=\"v\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Parent\\Child]\n");
  CRegistryUtil util(m.platform);
  ASSERT_TRUE(util.Open(plat::kLocalMachine, "Software\\DefaultOnly"));
  const int count = util.GetOperationCount();
  EXPECT_TRUE(util.HasNoNamedValues());
  EXPECT_TRUE(util.HasNoSubkeys());
  ASSERT_TRUE(util.Open(plat::kLocalMachine, "Software\\Named"));
  EXPECT_FALSE(util.HasNoNamedValues());
  ASSERT_TRUE(util.Open(plat::kLocalMachine, "Software\\Parent"));
  EXPECT_FALSE(util.HasNoSubkeys());
  EXPECT_TRUE(util.HasNoNamedValues());
  EXPECT_EQ(util.GetOperationCount(), count + 2) << "only the two opens";
}

TEST(RegistryUtil, InstallDirectoryGetsOneTrailingBackslashThenIsTrimmed) {
  struct Case {
    std::string value;
    std::string expected;
  };
  for (const Case& c : std::vector<Case>{{"C:\\\\Apps\\\\Scan", "C:\\Apps\\Scan\\"},
                                         {"C:\\\\Apps\\\\Scan\\\\", "C:\\Apps\\Scan\\"},
                                         {"  C:\\\\Apps", "C:\\Apps\\"},
                                         {"C:\\\\Apps  ", "C:\\Apps  \\"},
                                         {"", "\\"}}) {
    SCOPED_TRACE(c.value);
    TestMachine m;
    m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Brindlecote\\Tidemarrow]\n\"Path\"=\"" + c.value + "\"\n");
    CRegistryUtil util(m.platform);
    std::vector<std::string> values{"kept"};
    EXPECT_TRUE(util.ReadInstallDirectory(values, "Tidemarrow"));
    EXPECT_EQ(values, (std::vector<std::string>{"kept", c.expected}));
  }
  TestMachine noPath;
  noPath.Reg("[HKEY_LOCAL_MACHINE\\Software\\Brindlecote\\Tidemarrow]\n");
  CRegistryUtil util(noPath.platform);
  std::vector<std::string> values;
  EXPECT_TRUE(util.ReadInstallDirectory(values, "Tidemarrow"));
  EXPECT_EQ(values, std::vector<std::string>{"null"});
  EXPECT_TRUE(noPath.messages.Boxes().empty());

  TestMachine noKey;
  CRegistryUtil missing(noKey.platform);
  values.clear();
  EXPECT_FALSE(missing.ReadInstallDirectory(values, "Tidemarrow"));
  EXPECT_TRUE(values.empty());
  ASSERT_EQ(noKey.messages.Boxes().size(), 1u);
  EXPECT_EQ(noKey.messages.Boxes()[0].text, "Registry values for Tidemarrow are missing.  Contact support.");
}

TEST(RegistryUtil, EnsureTrailingBackslash) {
  EXPECT_EQ(EnsureTrailingBackslash(""), "\\");
  EXPECT_EQ(EnsureTrailingBackslash("C:"), "C:\\");
  EXPECT_EQ(EnsureTrailingBackslash("C:\\"), "C:\\");
}

TEST(RegistryUtil, AClassNameLookupLeavesTheClassIdsAsItsListingEachTime) {
  // On an image the lookups answer from one walk, whose listing the util
  // then holds as if it had walked: taking it must not empty the walk's.
  TestMachine m;
  m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{B}]\n@=\"Second\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{A}]\n@=\"First\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Other]\n");
  const std::vector<std::string> ids{"{A}", "{B}"};
  CRegistryUtil util(m.platform);
  EXPECT_TRUE(util.ClassNameRegistered("Second"));
  EXPECT_EQ(util.SubkeyNames(), ids);
  EXPECT_EQ(util.TakeSubkeyNames(), ids);
  EXPECT_TRUE(util.SubkeyNames().empty());
  EXPECT_FALSE(util.ClassNameRegistered("Third"));
  EXPECT_EQ(util.TakeSubkeyNames(), ids);
  ASSERT_TRUE(util.OpenAndListClassesRoot(""));
  EXPECT_TRUE(util.ClassNameRegistered("First"));
  EXPECT_EQ(util.SubkeyNames(), ids) << "set again after a listing of its own";
  util.ForgetClassNames();
  EXPECT_TRUE(util.SubkeyNames().empty()) << "the listing it left goes with it";
  ASSERT_TRUE(util.OpenAndListClassesRoot(""));
  util.ForgetClassNames();
  EXPECT_EQ(util.SubkeyNames(), (std::vector<std::string>{"CLSID", "Other"})) << "a listing of its own stays";
  EXPECT_TRUE(util.ClassNameRegistered("Second"));
}
