#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/memory/mapped_drive.h"
#include "tests/support/test_machine.h"

using plat::memory::MappedDrive;
using testing_support::TestMachine;

TEST(MappedDrive, FindsFilesAsWindowsDoes) {
  TestMachine m;
  m.Touch("C:\\Program Files\\Tidemarrow\\Tidemarrow.exe");
  m.Touch("C:\\Documents and Settings\\User\\ntuser.ini");
  m.Touch("C:\\WINDOWS\\system32\\shell32.dll");
  auto& d = m.drive;
  EXPECT_TRUE(d.CanOpenForRead("C:\\program files\\TIDEMARROW\\tidemarrow.EXE"));
  EXPECT_TRUE(d.CanOpenForRead("c:/Program Files/Tidemarrow/Tidemarrow.exe")) << "forward slashes";
  EXPECT_TRUE(d.CanOpenForRead("C:\\PROGRA~1\\TIDEMA~1\\Tidemarrow.exe")) << "8.3 short names";
  EXPECT_TRUE(d.CanOpenForRead("C:\\DOCUME~1\\User\\ntuser.ini"));
  EXPECT_TRUE(d.CanOpenForRead("C:\\WINDOWS\\system32\\..\\system32\\.\\shell32.dll"));
  EXPECT_TRUE(d.CanOpenForRead("C:\\WINDOWS\\system32\\shell32.dll. ")) << "trailing dots and blanks dropped";
  EXPECT_FALSE(d.CanOpenForRead("C:\\WINDOWS\\system32")) << "a directory is not a file";
  std::filesystem::permissions(m.HostPath("drive_c/WINDOWS/system32/shell32.dll"), std::filesystem::perms::none);
  EXPECT_TRUE(d.CanOpenForRead("C:\\WINDOWS\\system32\\shell32.dll"))
      << "a file the host's modes keep from this user is there all the same";
  EXPECT_FALSE(d.CanOpenForRead("D:\\WINDOWS\\system32\\shell32.dll")) << "a drive that is not mapped";
  EXPECT_FALSE(d.CanOpenForRead("\\\\server\\share\\shell32.dll")) << "UNC paths";
  EXPECT_FALSE(d.CanOpenForRead("C:\\WINDOWS\\system32\\shell32.dll,1"));
  EXPECT_FALSE(d.CanOpenForRead("C:\\WINDOWS\\system32\\shell*.dll")) << "wildcards name no file";
  EXPECT_FALSE(d.CanOpenForRead("C:\\" + std::string(300, 'a') + "\\x.dll")) << "longer than MAX_PATH";
  EXPECT_FALSE(d.CanOpenForRead(""));
  d.SetWorkingDirectory("C:\\Program Files\\Tidemarrow\\");
  EXPECT_TRUE(d.CanOpenForRead("Tidemarrow.exe")) << "relative to the current directory";
  EXPECT_TRUE(d.CanOpenForRead("..\\Tidemarrow\\Tidemarrow.exe"));
  EXPECT_TRUE(d.CanOpenForRead("\\WINDOWS\\system32\\shell32.dll")) << "root of the current drive";
}

TEST(MappedDrive, EveryFileOfALargeDirectoryIsFoundByAnySpelling) {
  TestMachine m;
  constexpr int kFiles = 2000;
  for (int i = 0; i < kFiles; ++i) m.Touch("C:\\WINDOWS\\system32\\Lib" + std::to_string(i) + ".dll");
  m.Touch("C:\\WINDOWS\\system32\\Common Controls.dll");
  int found = 0, foundUpper = 0;
  for (int i = 0; i < kFiles; ++i) {
    found += m.drive.CanOpenForRead("C:\\WINDOWS\\system32\\Lib" + std::to_string(i) + ".dll");
    foundUpper += m.drive.CanOpenForRead("C:\\windows\\SYSTEM32\\LIB" + std::to_string(i) + ".DLL");
  }
  EXPECT_EQ(found, kFiles);
  EXPECT_EQ(foundUpper, kFiles);
  EXPECT_FALSE(m.drive.CanOpenForRead("C:\\WINDOWS\\system32\\Lib" + std::to_string(kFiles) + ".dll"));
  EXPECT_TRUE(m.drive.CanOpenForRead("C:\\WINDOWS\\system32\\COMMON~1.DLL")) << "short names still found";
  // Right after a file of the same directory, spelled alike up to the name.
  const std::string dir = "C:\\WINDOWS\\system32\\";
  for (const auto& [name, exists] : std::vector<std::pair<std::string, bool>>{
           {"Lib1.dll. ", true},
           {"Lib1.dll\\", true},
           {"..\\system32\\Lib1.dll", true},
           {"..", false},
           {".", false},
           {"Lib1.dll,1", false},
           {"Lib*.dll", false},
           {std::string(260, 'a'), false}}) {
    ASSERT_TRUE(m.drive.CanOpenForRead(dir + "Lib0.dll"));
    EXPECT_EQ(m.drive.CanOpenForRead(dir + name), exists) << name;
  }
}

// A host directory may hold names that differ only in case; a directory is
// first asked for one file as spelled and listed only when asked again, and
// either way the same file answers.
TEST(MappedDrive, NamesThatDifferOnlyInCaseAreFoundAsSpelled) {
  TestMachine m;
  std::filesystem::create_directories(m.HostPath("drive_c/Dir/Sub"));
  std::ofstream(m.HostPath("drive_c/Dir/Twin.dll")) << "a";
  std::ofstream(m.HostPath("drive_c/Dir/TWIN.dll")) << "b";
  auto& d = m.drive;
  std::string text;
  EXPECT_FALSE(d.CanOpenForRead("C:\\Dir\\Sub")) << "a directory is not a file, found before any listing";
  ASSERT_TRUE(d.ReadFile("C:\\Dir\\TWIN.dll", text));
  EXPECT_EQ(text, "b");
  ASSERT_TRUE(d.ReadFile("C:\\Dir\\Twin.dll", text));
  EXPECT_EQ(text, "a");
  ASSERT_TRUE(d.ReadFile("C:\\Dir\\TWIN.dll", text));
  EXPECT_EQ(text, "b") << "the listed directory answers as the first look-up did";
  ASSERT_TRUE(d.ReadFile("C:\\Dir\\twin.DLL", text));
  EXPECT_TRUE(text == "a" || text == "b") << "another spelling finds one of them";
  EXPECT_FALSE(d.CanOpenForRead("C:\\Dir\\Twins.dll"));
}

TEST(MappedDrive, ShortNamesFollowTheNtfsPattern) {
  const std::vector<std::string> siblings{"Program Files", "Program Data", "WINDOWS", "My.Long.Name.text"};
  EXPECT_EQ(MappedDrive::ShortName("Program Data", siblings), "PROGRA~1");
  EXPECT_EQ(MappedDrive::ShortName("Program Files", siblings), "PROGRA~2");
  EXPECT_EQ(MappedDrive::ShortName("WINDOWS", siblings), "WINDOWS");
  EXPECT_EQ(MappedDrive::ShortName("My.Long.Name.text", siblings), "MYLONG~1.TEX");
  EXPECT_EQ(MappedDrive::ShortName("a+b.txt", siblings), "A_B~1.TXT");
}

TEST(MappedDrive, WritesAreAtomicAndHonourReadOnly) {
  TestMachine m;
  m.Touch("C:\\Data\\keep.txt", "old");
  auto& d = m.drive;
  EXPECT_TRUE(d.AppendFile("C:\\Data\\new.txt", "a"));
  EXPECT_TRUE(d.AppendFile("C:\\data\\NEW.txt", "b")) << "an existing file is found without case";
  EXPECT_EQ(m.HostFile("drive_c/Data/new.txt"), "ab");
  EXPECT_FALSE(d.AppendFile("C:\\Missing\\x.txt", "a")) << "the directory must exist";
  EXPECT_TRUE(d.SetAttributes("C:\\Data\\keep.txt", plat::attr::kReadOnly));
  EXPECT_FALSE(d.ReplaceFileContents("C:\\Data\\keep.txt", "new"));
  EXPECT_FALSE(d.AppendFile("C:\\Data\\keep.txt", "new"));
  EXPECT_FALSE(d.Remove("C:\\Data\\keep.txt")) << "read-only files are not deleted";
  EXPECT_EQ(m.HostFile("drive_c/Data/keep.txt"), "old");
  EXPECT_TRUE(d.SetAttributes("C:\\Data\\keep.txt", 0));
  EXPECT_TRUE(d.ReplaceFileContents("C:\\Data\\keep.txt", "new"));
  EXPECT_EQ(m.HostFile("drive_c/Data/keep.txt"), "new");
  EXPECT_FALSE(d.Rename("C:\\Data\\new.txt", "C:\\Data\\keep.txt")) << "rename does not overwrite";
  EXPECT_TRUE(d.CanOpenForRead("C:\\Data\\new.txt"));
  EXPECT_TRUE(d.Rename("C:\\Data\\new.txt", "C:\\Data\\renamed.txt"));
  EXPECT_FALSE(d.CanOpenForRead("C:\\Data\\new.txt")) << "a directory just read is seen as it is now";
  EXPECT_TRUE(d.CanOpenForRead("C:\\Data\\renamed.txt"));
  EXPECT_TRUE(d.AppendFile("C:\\Data\\renamed.txt", "c"));
  EXPECT_TRUE(d.Rename("C:\\Data\\renamed.txt", "C:\\Data\\moved.txt"));
  EXPECT_TRUE(d.AppendFile("C:\\Data\\renamed.txt", "d")) << "an append goes to the file the path names now";
  EXPECT_EQ(m.HostFile("drive_c/Data/moved.txt"), "abc");
  EXPECT_TRUE(d.Remove("C:\\Data\\moved.txt"));
  std::vector<std::string> names;
  ASSERT_TRUE(d.ListFiles("C:\\Data", names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"keep.txt", "renamed.txt"})) << "no temporary files left";
  EXPECT_EQ(m.HostFile("drive_c/Data/renamed.txt"), "d");
  EXPECT_TRUE(d.Remove("C:\\Data\\renamed.txt"));
  EXPECT_FALSE(d.CanOpenForRead("C:\\Data\\renamed.txt"));
}
