// The restore proof on the real registry: keys and values of every type are
// deleted through the fixer, then the backup is imported with the system's
// own "reg.exe import", and the registry must be as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "engine/fix_selected_problems.h"
#include "engine/problem_list_display.h"
#include "engine/recorded_job_view.h"
#include "platform/memory/headless_dialog.h"
#include "platform/memory/memory_services.h"
#include "platform/registry_tree.h"
#include "platform/win32/win32_platform.h"
#include "tests/support/registry_dump.h"
#include "tests/support/registry_generator.h"

namespace {

constexpr const char* kRoot = "Software\\TidemarrowRestoreProof";

// Every key below the root with its values (name, type, bytes), values as a
// set: Wine lists them sorted, Windows in creation order.
using Snapshot = std::map<std::string, std::set<std::string>>;

void Take(plat::IRegistry& reg, const std::string& path, Snapshot& out) {
  plat::HKey key = 0;
  if (reg.OpenKeyEx(plat::kCurrentUser, path.c_str(), 0, plat::kKeyRead, &key) != 0) return;
  auto& values = out[path];
  char name[4096];
  std::uint8_t data[8192];
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t nameLength = sizeof name, type = 0, size = sizeof data;
    if (reg.EnumValue(key, i, name, &nameLength, &type, data, &size) != 0) break;
    values.insert(std::string(name, nameLength) + "|" + std::to_string(type) + "|" +
                  std::string(reinterpret_cast<char*>(data), size));
  }
  std::vector<std::string> children;
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t length = sizeof name;
    if (reg.EnumKeyEx(key, i, name, &length) != 0) break;
    children.emplace_back(name, length);
  }
  reg.CloseKey(key);
  for (const auto& c : children) Take(reg, path + "\\" + c, out);
}

void Set(plat::IRegistry& reg, const std::string& path, const char* name, std::uint32_t type, const std::string& data) {
  plat::HKey key = 0;
  ASSERT_EQ(reg.CreateKeyEx(plat::kCurrentUser, path.c_str(), &key), 0);
  // One byte past the data is not zero, so the registry stores exactly these bytes.
  const std::string padded = data + 'X';
  ASSERT_EQ(reg.SetValueEx(key, name, type, reinterpret_cast<const std::uint8_t*>(padded.data()),
                           static_cast<std::uint32_t>(data.size())),
            0);
  reg.CloseKey(key);
}

bool RunRegImport(const std::string& file) {
  std::string command = "reg.exe import \"" + file + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                        &pi))
    return false;
  ::WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 1;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return code == 0;
}

}  // namespace

TEST(RestoreProof, RegExeImportOfTheBackupBringsEveryValueBack) {
  plat::win32::Win32PlatformWith<plat::memory::RecordedMessageBoxes> windows;
  plat::win32::Win32Registry& reg = windows.registry;
  plat::memory::RecordedMessageBoxes& messages = windows.messages;
  const plat::Platform& platform = windows.platform;
  plat::DeleteTree(reg, plat::kCurrentUser, kRoot);

  const std::string a = std::string(kRoot) + "\\A";
  Set(reg, a, "", plat::regtype::kSz, std::string("default \"q\" C:\\x\0", 17));
  Set(reg, a, "dword", plat::regtype::kDword, std::string("\x1a\0\0\0", 4));
  Set(reg, a, "binary", plat::regtype::kBinary, std::string("\x00\x1f\x0a", 3));
  Set(reg, a, "empty binary", plat::regtype::kBinary, "");
  Set(reg, a, "expand", plat::regtype::kExpandSz, std::string("%SystemRoot%\\x\0", 15));
  Set(reg, a, "multi", plat::regtype::kMultiSz, std::string("a\0b\0\0", 5));
  Set(reg, a, "qword", plat::regtype::kQword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
  Set(reg, a, "quote\"name", plat::regtype::kSz, std::string("v\0", 2));
  Set(reg, a + "\\Child\\Grandchild", "deep", plat::regtype::kSz, std::string("d\0", 2));
  Set(reg, a + "\\Child", "", plat::regtype::kDword, std::string("\x05\0\0\0", 4));
  Set(reg, a + "\\Child", "lines", plat::regtype::kSz, std::string("one\r\ntwo\0", 9));
  Set(reg, a + "\\Child", "none", plat::regtype::kNone, std::string("AB", 2));
  Set(reg, a + "\\Child", "high", plat::regtype::kSz, std::string("caf\xE9\0", 5));
  Set(reg, std::string(kRoot) + "\\V", "keep", plat::regtype::kSz, std::string("k\0", 2));
  Set(reg, std::string(kRoot) + "\\V", "remove", plat::regtype::kExpandSz, std::string("%TEMP%\0", 7));
  Snapshot before;
  Take(reg, kRoot, before);

  char temp[MAX_PATH];
  ::GetTempPathA(sizeof temp, temp);
  const std::string dir = std::string(temp) + "TidemarrowRestoreProof\\";
  ::CreateDirectoryA(dir.c_str(), nullptr);
  plat::memory::HeadlessListView list;
  CRecordedJobView view;
  AddListRow(list, {"U (K)", "S", a, "A", "default", "", "p", ""});
  AddListRow(list, {"U (V)", "S", std::string(kRoot) + "\\V", "V", "remove", "", "p", ""});
  list.SetChecked(0, true);
  list.SetChecked(1, true);
  FixSelectedProblems(platform, list, view, dir);
  EXPECT_TRUE(messages.Boxes().empty()) << messages.Boxes()[0].text;
  EXPECT_EQ(list.GetItemCount(), 0);
  Snapshot fixed;
  Take(reg, kRoot, fixed);
  EXPECT_EQ(fixed.count(a), 0u);
  EXPECT_EQ(fixed[std::string(kRoot) + "\\V"].size(), 1u);

  WIN32_FIND_DATAA found;
  HANDLE h = ::FindFirstFileA((dir + "Backup-*.reg").c_str(), &found);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << "a dated backup file";
  const std::string backup = dir + found.cFileName;
  ::FindClose(h);
  EXPECT_TRUE(::GetFileAttributesA(backup.c_str()) & FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(RunRegImport(backup));
  Snapshot after;
  Take(reg, kRoot, after);
  EXPECT_EQ(after, before);

  ::SetFileAttributesA(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(backup.c_str());
  ::RemoveDirectoryA(dir.c_str());
  plat::DeleteTree(reg, plat::kCurrentUser, kRoot);
}

TEST(RestoreProof, RegExeImportsGeneratedBackupsBackToTheSameRegistry) {
  // Registries with every kind of hard content, fixed through the real
  // registry's A calls; whatever the fixer deleted, the real reg.exe brings
  // back from its backup. (Wine lists values sorted; they are compared as
  // sets here, their order is checked by the native property test.)
  plat::win32::Win32PlatformWith<plat::memory::RecordedMessageBoxes> windows;
  plat::win32::Win32Registry& reg = windows.registry;
  const std::string root = "Software\\TidemarrowGenerated";
  char temp[MAX_PATH];
  ::GetTempPathA(sizeof temp, temp);
  const std::string dir = std::string(temp) + "TidemarrowGenerated\\";
  int fixedRows = 0;
  for (std::uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    plat::DeleteTree(reg, plat::kCurrentUser, root);
    ::CreateDirectoryA(dir.c_str(), nullptr);
    testing_support::RegistryGenerator gen(seed);
    testing_support::GeneratedTree tree;
    gen.Fill(reg, plat::kCurrentUser, root, tree);
    auto sorted = [&] {
      auto dump = testing_support::DumpTree(reg, plat::kCurrentUser, root);
      for (auto& [key, values] : dump) std::sort(values.begin(), values.end());
      return dump;
    };
    const auto before = sorted();
    plat::memory::HeadlessListView list;
    CRecordedJobView view;
    for (std::size_t i = 0; i < tree.keys.size() && i < 4; ++i)
      AddListRow(list, {"U (K)", "S", RecordField(tree.keys[i * 7 % tree.keys.size()]), "m", "default", "", "p", ""});
    for (std::size_t i = 0; i < tree.values.size() && i < 4; ++i) {
      const auto& v = tree.values[i * 5 % tree.values.size()];
      if (!v.name.empty()) AddListRow(list, {"U (V)", "S", RecordField(v.path), "m", RecordField(v.name), "", "p", ""});
    }
    for (int r = 0; r < list.GetItemCount(); ++r) list.SetChecked(r, true);
    const int rows = list.GetItemCount();
    FixSelectedProblems(windows.platform, list, view, dir);
    fixedRows += rows - list.GetItemCount();
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((dir + "Backup-*.reg").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        const std::string backup = dir + found.cFileName;
        EXPECT_TRUE(RunRegImport(backup)) << backup;
        ::SetFileAttributesA(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(backup.c_str());
      } while (::FindNextFileA(h, &found));
      ::FindClose(h);
    }
    EXPECT_TRUE(sorted() == before);
    ::RemoveDirectoryA(dir.c_str());
  }
  plat::DeleteTree(reg, plat::kCurrentUser, root);
  std::printf("generated registries: %d rows fixed and restored by reg.exe\n", fixedRows);
  EXPECT_GT(fixedRows, 10);
}
