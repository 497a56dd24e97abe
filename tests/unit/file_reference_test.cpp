#include <gtest/gtest.h>

#include "refcheck/registry_util.h"
#include "tests/support/test_machine.h"

using testing_support::TestMachine;

namespace {

class FileReferenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.Reg("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.exe]\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.dll]\n"
          "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.DOC]\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.html]\n"
          "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Gone.exe]\n"
          "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tool.exe]\n"
          "\"Path\"=\"C:\\\\Tools;\"\n"
          "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\two.exe]\n"
          "\"Path\"=\"C:\\\\A;C:\\\\B\"\n");
    m.Touch("C:\\Program Files\\App\\app.exe");
    m.Touch("C:\\WINDOWS\\system32\\shell32.dll");
    m.Touch("C:\\WINDOWS\\notepad.exe");
    m.Touch("C:\\Tools\\helper.exe");
    m.Touch("C:\\B\\inb.exe");
    m.Touch("C:\\x\\f.ax,");
    m.Touch("C:\\rooted.exe");
  }
  CRegistryUtil& Util() {
    if (!util) {
      util = std::make_unique<CRegistryUtil>(m.platform);
      util->LoadAppPaths();
    }
    return *util;
  }
  TestMachine m;
  std::unique_ptr<CRegistryUtil> util;
};

}  // namespace

TEST_F(FileReferenceTest, TextsThatAreNotJudgedCountAsExisting) {
  auto& u = Util();
  EXPECT_FALSE(u.FileReferenceExists(""));
  EXPECT_TRUE(u.FileReferenceExists("null")) << "no extension, so no file name";
  EXPECT_TRUE(u.FileReferenceExists("RunDll32.EXE C:\\missing\\gone.dll,Entry")) << "rundll32 in any case";
  EXPECT_TRUE(u.FileReferenceExists("c:\\app\\run.exe /log c:\\temp\\x")) << "the last component has no extension";
  EXPECT_TRUE(u.FileReferenceExists("C:\\docs\\letter.DOC")) << "a registered .DOC never matches lower-cased text";
  EXPECT_TRUE(u.FileReferenceExists("C:\\site\\index.html")) << "five-character entries are never searched";
}

TEST_F(FileReferenceTest, CommandLinesResolveToTheirProgram) {
  auto& u = Util();
  EXPECT_EQ(u.ExtractFileName("\"C:\\Program Files\\App\\app.exe\" %1"), "c:\\program files\\app\\app.exe");
  EXPECT_TRUE(u.FileReferenceExists("\"C:\\Program Files\\App\\app.exe\" %1"));
  EXPECT_TRUE(u.FileReferenceExists("%SystemRoot%\\system32\\shell32.dll,-4"));
  EXPECT_EQ(u.ExtractFileName("%SYSTEMROOT%\\system32\\x.dll"), "C:\\WINDOWS\\system32\\x.dll")
      << "the directory keeps its case";
  EXPECT_TRUE(u.FileReferenceExists("%ProgramFiles%\\App\\app.exe"));
  EXPECT_FALSE(u.FileReferenceExists("%windir%\\notepad.exe")) << "only two variables are expanded";
  EXPECT_FALSE(u.FileReferenceExists("\"C:\\Program Files\\Gone\\gone.exe\""));
  EXPECT_EQ(u.ExtractFileName("c:\\x\\f.ax,1"), "c:\\x\\f.ax,") << "a three-character entry keeps one more";
  EXPECT_TRUE(u.FileReferenceExists("c:\\x\\f.ax,1"));
  EXPECT_EQ(u.ExtractFileName("C:\\x\\app.exe^arg"), "c:\\x\\app.exe");
  EXPECT_EQ(u.ExtractFileName("  plain words  "), "#");
  // The first listed extension that occurs wins: .dll comes before .exe here
  // (registered extensions in listing order, ".dll" < ".exe").
  EXPECT_EQ(u.FindExtension("c:\\a\\run.exe.dll"), 12);
  EXPECT_EQ(u.FindExtension("noext"), -1);
}

TEST_F(FileReferenceTest, BareNamesAreFoundThroughAppPathsAndThePath) {
  auto& u = Util();
  EXPECT_TRUE(u.FileReferenceExists("notepad.exe")) << "in C:\\WINDOWS on the PATH";
  EXPECT_TRUE(u.FindOnSearchPath("gone.EXE")) << "registered under App Paths: its file is not looked for";
  EXPECT_TRUE(u.FindOnSearchPath("helper.exe")) << "in an App Paths directory with a trailing ';'";
  EXPECT_FALSE(u.FindOnSearchPath("inb.exe")) << "two App Paths directories run together";
  EXPECT_FALSE(u.FindOnSearchPath("nowhere.exe"));
  m.environment.Set("Path", "C:\\WINDOWS;;;;");
  EXPECT_TRUE(u.FindOnSearchPath("rooted.exe")) << "a PATH ending in ';' searches the root \\";
  m.environment.Set("Path", std::string(5000, 'p'));
  EXPECT_FALSE(u.FindOnSearchPath("notepad.exe")) << "a PATH that does not fit counts as empty";
  EXPECT_FALSE(u.FileReferenceExists("C:\\" + std::string(5000, 'd') + "\\x.exe")) << "longer than MAX_PATH";
}
