// The hive backend: a machine converted to hive files gives the same scan as
// its registry file; a fix on hives followed by a restore gives the hives
// back; a commit that cannot finish leaves every hive as it was.
#include <gtest/gtest.h>
#include <hivex.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "app/main_commands.h"
#include "demo/demo_image.h"
#include "engine/install_directory.h"
#include "platform/hive/read_pages.h"
#include "platform/hive/stored_cells.h"
#include "platform/hive/windows_installation.h"
#include "platform/memory/headless_dialog.h"
#include "platform/memory/host_files.h"
#include "platform/memory/memory_shell.h"
#include "platform/memory/reg_text.h"
#include "platform/codepage.h"
#include "platform/registry_tree.h"
#include "resources/resource_ids.h"
#include "restore/restore_logic.h"
#include "tests/support/hive_writer.h"

namespace fs = std::filesystem;
using plat::memory::MachineImage;

namespace {

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Writes `source`'s SOFTWARE tree as a hive file and reads it back into reg.
testing::AssertionResult WriteAndReadSoftware(plat::IRegistry& source, const fs::path& file,
                                              plat::memory::MemoryRegistry& reg, plat::hive::HiveStore& store,
                                              std::vector<std::string>& notes) {
  std::string error;
  if (!testing_support::WriteHive(source, plat::kLocalMachine, "SOFTWARE", file.string(), error))
    return testing::AssertionFailure() << "writing: " << error;
  if (!store.Load({{file.string(), plat::kLocalMachine, "SOFTWARE"}}, reg, notes, error))
    return testing::AssertionFailure() << "reading: " << error;
  return testing::AssertionSuccess();
}

// Every key with its values as a set: what a restore must bring back.
std::map<std::string, std::set<std::string>> Content(plat::IRegistry& reg, plat::HKey hive, const std::string& path) {
  std::map<std::string, std::set<std::string>> out;
  std::vector<std::string> pending{path};
  while (!pending.empty()) {
    const std::string p = pending.back();
    pending.pop_back();
    plat::HKey key = 0;
    if (reg.OpenKeyEx(hive, p.c_str(), 0, plat::kKeyRead, &key) != 0) continue;
    auto& values = out[plat::LowerAscii(p)];
    char name[4096];
    std::uint8_t data[8192];
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t nl = sizeof name, type = 0, size = sizeof data;
      if (reg.EnumValue(key, i, name, &nl, &type, data, &size) != 0) break;
      values.insert(std::string(name, nl) + "|" + std::to_string(type) + "|" + std::string(reinterpret_cast<char*>(data), size));
    }
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t nl = sizeof name;
      if (reg.EnumKeyEx(key, i, name, &nl) != 0) break;
      pending.push_back(p.empty() ? std::string(name, nl) : p + "\\" + std::string(name, nl));
    }
    reg.CloseKey(key);
  }
  return out;
}

class Hives : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    root = fs::temp_directory_path() / ("tidemarrow-hives-" + std::to_string(random()));
    std::string error;
    ASSERT_TRUE(demo::WriteDemoImage((root / "image").string(), error)) << error;
    // The running machine's HARDWARE key is never in a hive: the image the
    // hives are made from leaves it out too.
    MachineImage image;
    ASSERT_TRUE(image.Load(plat::memory::ImageDirectory((root / "image").string()), error)) << error;
    plat::DeleteTree(image.registry(), plat::kLocalMachine, "HARDWARE");
    ASSERT_TRUE(image.SaveRegistry(error)) << error;
    ASSERT_TRUE(testing_support::WriteWindowsPartition(image.registry(), (root / "image" / "drive_c").string(),
                                                       (root / "c").string(), "User", error))
        << error;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  bool OpenWindows(MachineImage& image, std::unique_ptr<plat::hive::HiveStore>& store, std::vector<std::string>& notes) {
    std::string error;
    const bool ok = plat::hive::LoadWindowsInstallation({(root / "c").string(), "", (root / "work").string()}, image,
                                                        store, notes, error);
    EXPECT_TRUE(ok) << error;
    return ok;
  }
  // Runs a job of the main dialog's commands on the image and waits for it.
  void Find(MachineImage& image, plat::memory::HeadlessDialog& dialog, plat::memory::HeadlessListView& list,
            std::unique_ptr<CMainCommands>& commands) {
    commands = std::make_unique<CMainCommands>(image.platform(), dialog, list);
    ASSERT_TRUE(commands->CheckOperatingSystem());
    ASSERT_TRUE(commands->CheckInstallDirectory());
    image.drive().SetWorkingDirectory(InstallDirectory());
    commands->Initialise();
    std::promise<void> done;
    commands->OnFindProblems([&] { done.set_value(); });
    done.get_future().wait();
  }
  fs::path Hive(const char* name) { return root / "c" / "WINDOWS" / "system32" / "config" / name; }
  fs::path root;
};

}  // namespace

TEST_F(Hives, TheHivesOfAMachineScanAsItsRegistryFileDoes) {
  MachineImage fromFile;
  std::string error;
  ASSERT_TRUE(fromFile.Load(plat::memory::ImageDirectory((root / "image").string()), error));
  plat::memory::HeadlessDialog d1, d2;
  plat::memory::HeadlessListView l1, l2;
  std::unique_ptr<CMainCommands> c1, c2;
  Find(fromFile, d1, l1, c1);
  const std::string problemsFromFile = Slurp(root / "image" / "drive_c" / "Program Files" / "Tidemarrow" / "Problems.txt");

  MachineImage fromHives;
  std::unique_ptr<plat::hive::HiveStore> store;
  std::vector<std::string> notes;
  ASSERT_TRUE(OpenWindows(fromHives, store, notes));
  EXPECT_TRUE(notes.empty()) << notes[0];
  Find(fromHives, d2, l2, c2);
  const std::string problemsFromHives = Slurp(root / "c" / "Program Files" / "Tidemarrow" / "Problems.txt");
  EXPECT_FALSE(problemsFromFile.empty());
  EXPECT_EQ(problemsFromHives, problemsFromFile);
  EXPECT_EQ(d2.GetText(IDC_EXAMINED_COUNT), d1.GetText(IDC_EXAMINED_COUNT));
  EXPECT_EQ(d2.GetText(IDC_FOUND_COUNT), d1.GetText(IDC_FOUND_COUNT));
  EXPECT_EQ(l2.Rows().size(), l1.Rows().size());
  // The top level of HKEY_LOCAL_MACHINE is the hives the installation has.
  plat::HKey key = 0;
  EXPECT_EQ(fromHives.registry().OpenKeyEx(plat::kLocalMachine, "HARDWARE", 0, plat::kKeyRead, &key), 2);
  EXPECT_EQ(fromHives.registry().OpenKeyEx(plat::kLocalMachine, "Software\\Classes\\.txt", 0, plat::kKeyRead, &key), 0)
      << "names without case, through the hive";
  fromHives.registry().CloseKey(key);
  EXPECT_EQ(fromHives.registry().OpenKeyEx(plat::kClassesRoot, ".log", 0, plat::kKeyRead, &key), 0)
      << "the user's classes come from UsrClass.dat";
  fromHives.registry().CloseKey(key);
}

TEST_F(Hives, AFixWritesTheHivesAndItsBackupRestoresThem) {
  MachineImage before;
  std::unique_ptr<plat::hive::HiveStore> beforeStore;
  std::vector<std::string> notes;
  ASSERT_TRUE(OpenWindows(before, beforeStore, notes));
  const auto software = Content(before.registry(), plat::kLocalMachine, "SOFTWARE");
  const auto user = Content(before.registry(), plat::kCurrentUser, "");
  {
    MachineImage image;
    std::unique_ptr<plat::hive::HiveStore> store;
    ASSERT_TRUE(OpenWindows(image, store, notes));
    plat::memory::HeadlessDialog dialog;
    plat::memory::HeadlessListView list;
    std::unique_ptr<CMainCommands> commands;
    Find(image, dialog, list, commands);
    ASSERT_GT(list.GetItemCount(), 10);
    for (int r = 0; r < list.GetItemCount(); ++r) list.SetChecked(r, true);
    std::promise<void> fixed;
    commands->OnFixSelected([&] { fixed.set_value(); });
    fixed.get_future().wait();
    EXPECT_EQ(list.GetItemCount(), 0);
    std::string error;
    ASSERT_TRUE(image.SaveRegistry(error)) << error;
    EXPECT_EQ(store->Written().size(), 2u) << "SOFTWARE and NTUSER.DAT changed";
  }
  std::vector<std::string> kept;
  for (const auto& e : fs::directory_iterator(Hive("").parent_path()))
    if (e.path().filename().string().find(".tidemarrow-") != std::string::npos) kept.push_back(e.path().string());
  EXPECT_EQ(kept.size(), 1u) << "the original SOFTWARE hive is kept";
  {
    MachineImage fixedImage;
    std::unique_ptr<plat::hive::HiveStore> store;
    ASSERT_TRUE(OpenWindows(fixedImage, store, notes));
    EXPECT_NE(Content(fixedImage.registry(), plat::kLocalMachine, "SOFTWARE"), software) << "the fix reached the hive";
    plat::memory::MemoryShell shell(fixedImage.registry(), fixedImage.drive());
    SetInstallDirectory("C:\\Program Files\\Tidemarrow\\");
    CRestoreLogic restore(fixedImage.platform(), shell, InstallDirectory());
    const auto backups = restore.ListBackups();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_TRUE(restore.Restore(backups));
    std::string error;
    ASSERT_TRUE(fixedImage.SaveRegistry(error)) << error;
  }
  MachineImage after;
  std::unique_ptr<plat::hive::HiveStore> afterStore;
  ASSERT_TRUE(OpenWindows(after, afterStore, notes));
  EXPECT_EQ(Content(after.registry(), plat::kLocalMachine, "SOFTWARE"), software);
  EXPECT_EQ(Content(after.registry(), plat::kCurrentUser, ""), user);
}

TEST_F(Hives, ACommitThatCannotFinishLeavesTheHiveAsItWas) {
  const std::string original = Slurp(Hive("SOFTWARE"));
  MachineImage image;
  std::unique_ptr<plat::hive::HiveStore> store;
  std::vector<std::string> notes;
  ASSERT_TRUE(OpenWindows(image, store, notes));
  ASSERT_EQ(plat::DeleteTree(image.registry(), plat::kLocalMachine, "SOFTWARE\\OldShareware"), 0);
  fs::create_directories(Hive("SOFTWARE.tmp-tidemarrow"));  // the temporary file cannot be made
  std::string error;
  EXPECT_FALSE(image.SaveRegistry(error));
  EXPECT_NE(error.find("cannot be written"), std::string::npos) << error;
  EXPECT_EQ(Slurp(Hive("SOFTWARE")), original);
}

TEST_F(Hives, AHiveWithUnsavedLogChangesIsNeverWritten) {
  {
    // The secondary sequence number ahead of the primary, with the header's
    // checksum written again, as Windows leaves a hive whose log it has not
    // yet replayed.
    std::fstream f(Hive("SOFTWARE"), std::ios::in | std::ios::out | std::ios::binary);
    std::uint32_t header[128];
    f.read(reinterpret_cast<char*>(header), sizeof header);
    header[2] = 7;
    header[127] = 0;
    for (int i = 0; i < 127; ++i) header[127] ^= header[i];
    f.seekp(0);
    f.write(reinterpret_cast<const char*>(header), sizeof header);
  }
  const std::string original = Slurp(Hive("SOFTWARE"));
  MachineImage image;
  std::unique_ptr<plat::hive::HiveStore> store;
  std::vector<std::string> notes;
  ASSERT_TRUE(OpenWindows(image, store, notes));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("never written"), std::string::npos);
  // The registry refuses every change to it, so a job cannot even begin one.
  EXPECT_EQ(plat::DeleteTree(image.registry(), plat::kLocalMachine, "SOFTWARE\\OldShareware"), plat::err::kAccessDenied);
  EXPECT_NE(store->ReadOnlyReason(plat::kLocalMachine, "SOFTWARE\\OldShareware").find("sequence numbers"),
            std::string::npos);
  std::string error;
  EXPECT_TRUE(image.SaveRegistry(error)) << error;
  EXPECT_TRUE(store->Written().empty());
  EXPECT_EQ(Slurp(Hive("SOFTWARE")), original);
}

TEST_F(Hives, ProtectedKeysAnswerAccessDeniedAndCurrentControlSetLinks) {
  MachineImage source;
  std::string error;
  source.registry();
  plat::memory::ImportRegText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SAM\\SAM\\Domains]\n[HKEY_LOCAL_MACHINE\\SECURITY\\Policy]\n"
                              "[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\n\"Current\"=dword:00000002\n"
                              "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002\\Services\\Cdrom]\n\"AutoRun\"=dword:00000001\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft]\n[HKEY_CURRENT_USER\\Software]\n",
                              source.registry());
  const fs::path other = root / "other";
  fs::create_directories(other / "drive");
  ASSERT_TRUE(testing_support::WriteWindowsPartition(source.registry(), (other / "drive").string(), (other / "c").string(),
                                                     "Only", error));
  MachineImage image;
  std::unique_ptr<plat::hive::HiveStore> store;
  std::vector<std::string> notes;
  ASSERT_TRUE(plat::hive::LoadWindowsInstallation({(other / "c").string(), "", (other / "work").string()}, image,
                                                  store, notes, error))
      << error;
  plat::HKey key = 0;
  EXPECT_EQ(image.registry().OpenKeyEx(plat::kLocalMachine, "SAM\\SAM\\Domains", 0, plat::kKeyAllAccess, &key), 5);
  EXPECT_EQ(image.registry().OpenKeyEx(plat::kLocalMachine, "SECURITY", 0, plat::kKeyAllAccess, &key), 5);
  EXPECT_EQ(image.registry().OpenKeyEx(plat::kLocalMachine, "SAM", 0, plat::kKeyAllAccess, &key), 0);
  image.registry().CloseKey(key);
  ASSERT_EQ(image.registry().OpenKeyEx(plat::kLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Cdrom", 0,
                                       plat::kKeyRead, &key),
            0);
  image.registry().CloseKey(key);
  ASSERT_EQ(notes.size(), 1u) << "Tidemarrow is not installed there";
  EXPECT_NE(notes[0].find("its files go to"), std::string::npos);
  // Writing back keeps the link and the program's own key out of the hives.
  ASSERT_EQ(plat::DeleteTree(image.registry(), plat::kLocalMachine, "SOFTWARE\\Microsoft"), 0);
  ASSERT_TRUE(image.SaveRegistry(error)) << error;
  MachineImage again;
  std::unique_ptr<plat::hive::HiveStore> againStore;
  ASSERT_TRUE(plat::hive::LoadWindowsInstallation({(other / "c").string(), "", (other / "work").string()}, again,
                                                  againStore, notes, error));
  std::unique_ptr<plat::hive::HiveStore> raw = std::make_unique<plat::hive::HiveStore>();
  plat::memory::MemoryRegistry plain;
  std::vector<std::string> n2;
  ASSERT_TRUE(raw->Load({{(other / "c" / "WINDOWS" / "system32" / "config" / "SYSTEM").string(), plat::kLocalMachine, "SYSTEM"},
                         {(other / "c" / "WINDOWS" / "system32" / "config" / "SOFTWARE").string(), plat::kLocalMachine, "SOFTWARE"}},
                        plain, n2, error));
  EXPECT_EQ(plain.OpenKeyEx(plat::kLocalMachine, "SYSTEM\\CurrentControlSet", 0, plat::kKeyRead, &key), 2);
  EXPECT_EQ(plain.OpenKeyEx(plat::kLocalMachine, "SOFTWARE\\Brindlecote", 0, plat::kKeyRead, &key), 2);
  EXPECT_EQ(plain.OpenKeyEx(plat::kLocalMachine, "SOFTWARE\\Microsoft", 0, plat::kKeyRead, &key), 2);
}

TEST(HiveFiles, ValuesOfAnyTypeAndDeepTreesReadBackWhole) {
  // Found by fuzzing: a value type outside the names Windows gives them.
  plat::memory::MemoryRegistry source;
  plat::HKey key = 0;
  source.CreateKeyEx(plat::kLocalMachine, "SOFTWARE\\Odd", &key);
  const std::string bytes = "abc";
  source.SetValueEx(key, "t", 100728833u, reinterpret_cast<const std::uint8_t*>(bytes.data()), 3);
  source.CloseKey(key);
  std::string deep = "SOFTWARE";
  for (int i = 1; i < 512; ++i) deep += "\\k";
  ASSERT_EQ(source.CreateKeyEx(plat::kLocalMachine, deep.c_str(), &key), 0) << "as deep as the registry allows";
  source.CloseKey(key);
  EXPECT_EQ(source.CreateKeyEx(plat::kLocalMachine, (deep + "\\k").c_str(), &key), 87) << "and no deeper";
  const auto file = fs::temp_directory_path() / "tidemarrow-odd-type.hive";
  plat::memory::MemoryRegistry reg;
  plat::hive::HiveStore store;
  std::vector<std::string> notes;
  ASSERT_TRUE(WriteAndReadSoftware(source, file, reg, store, notes));
  ASSERT_EQ(reg.OpenKeyEx(plat::kLocalMachine, "SOFTWARE\\Odd", 0, plat::kKeyRead, &key), 0);
  std::uint32_t type = 0, size = 16;
  char data[16];
  EXPECT_EQ(reg.QueryValueEx(key, "t", &type, reinterpret_cast<std::uint8_t*>(data), &size), 0);
  EXPECT_EQ(type, 100728833u);
  EXPECT_EQ(std::string(data, size), "abc");
  reg.CloseKey(key);
  // The whole depth is read, without recursion.
  EXPECT_EQ(reg.OpenKeyEx(plat::kLocalMachine, deep.c_str(), 0, plat::kKeyRead, &key), 0);
  reg.CloseKey(key);
  fs::remove(file);
}

TEST(HiveFiles, ACommitKeepsTheOriginalBesideEveryEarlierCopy) {
  // Copies kept in the same second are numbered; a hundred of them once
  // made the next commit overwrite the last, losing that original.
  plat::memory::MemoryRegistry source;
  plat::HKey key = 0;
  source.CreateKeyEx(plat::kLocalMachine, "SOFTWARE\\Kept", &key);
  source.CloseKey(key);
  const auto dir = fs::temp_directory_path() / ("tidemarrow-kept-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir);
  const auto file = dir / "SOFTWARE";
  plat::memory::MemoryRegistry reg;
  plat::hive::HiveStore store;
  std::vector<std::string> notes;
  ASSERT_TRUE(WriteAndReadSoftware(source, file, reg, store, notes));
  const std::string original = Slurp(file);
  const std::string stamp = file.string() + ".tidemarrow-260101-000000";
  std::string why;
  for (int n = 1; n < 150; ++n)
    ASSERT_TRUE(plat::memory::WriteHostFileAtomically(n == 1 ? stamp : stamp + "-" + std::to_string(n),
                                                      "copy " + std::to_string(n), why));
  ASSERT_EQ(plat::DeleteTree(reg, plat::kLocalMachine, "SOFTWARE\\Kept"), 0);
  std::string error;
  ASSERT_TRUE(store.Commit(reg, plat::LocalTime{2026, 1, 1, 0, 0, 0}, error)) << error;
  for (int n = 1; n < 150; ++n)
    EXPECT_EQ(Slurp(n == 1 ? stamp : stamp + "-" + std::to_string(n)), "copy " + std::to_string(n));
  EXPECT_EQ(Slurp(stamp + "-150"), original);
  fs::remove_all(dir);
}

TEST(HiveFiles, AKeyWhoseSubkeysSpanSeveralListsReadsBackInOrder) {
  // More subkeys than one list holds are written as Windows writes them: an
  // index list of several lists. Reading that many keys also gives the
  // file's mapped pages back several times on the way: what is read after
  // must still be whole.
  plat::memory::MemoryRegistry source;
  plat::HKey key = 0;
  constexpr int kCount = 40000;
  for (int i = 0; i < kCount; ++i) {
    const std::string id = "{" + std::to_string(100000 + i) + "}";
    const std::string path = "SOFTWARE\\Classes\\CLSID\\" + id;
    source.CreateKeyEx(plat::kLocalMachine, path.c_str(), &key);
    source.SetValueEx(key, "", plat::regtype::kSz, reinterpret_cast<const std::uint8_t*>(id.c_str()),
                      static_cast<std::uint32_t>(id.size() + 1));
    source.CloseKey(key);
  }
  const auto file = fs::temp_directory_path() / "tidemarrow-index-list.hive";
  plat::memory::MemoryRegistry reg;
  plat::hive::HiveStore store;
  std::vector<std::string> notes;
  ASSERT_TRUE(WriteAndReadSoftware(source, file, reg, store, notes));
  EXPECT_TRUE(notes.empty());
  {
    hive_h* h = hivex_open(file.string().c_str(), 0);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(plat::hive::ReadPages(file.string()).Found()) << "libhivex's mapping of the file is found";
    hivex_close(h);
  }
  ASSERT_EQ(reg.OpenKeyEx(plat::kLocalMachine, "SOFTWARE\\Classes\\CLSID", 0, plat::kKeyRead, &key), 0);
  char name[64];
  int listed = 0, whole = 0;
  bool inOrder = true;
  for (std::uint32_t i = 0; reg.EnumKey(key, i, name, sizeof name) == 0; ++i, ++listed) {
    inOrder = inOrder && std::string(name) == "{" + std::to_string(100000 + i) + "}";
    char data[64] = {};
    std::uint32_t size = sizeof data;
    plat::HKey sub = 0;
    if (reg.OpenKeyEx(key, name, 0, plat::kKeyRead, &sub) == 0 &&
        reg.QueryValueEx(sub, "", nullptr, reinterpret_cast<std::uint8_t*>(data), &size) == 0 &&
        std::string(data) == name)
      ++whole;
    reg.CloseKey(sub);
  }
  EXPECT_EQ(listed, kCount);
  EXPECT_EQ(whole, kCount);
  EXPECT_TRUE(inOrder);
  reg.CloseKey(key);
  fs::remove(file);
}

TEST(HiveFiles, ADamagedHiveWhoseKeyListsItsOwnAncestorIsReadOnce) {
  plat::memory::MemoryRegistry source;
  plat::HKey key = 0;
  source.CreateKeyEx(plat::kLocalMachine, "SOFTWARE\\A", &key);
  source.CloseKey(key);
  const auto file = fs::temp_directory_path() / "tidemarrow-cycle.hive";
  std::string error;
  ASSERT_TRUE(testing_support::WriteHive(source, plat::kLocalMachine, "SOFTWARE", file.string(), error));
  // The root's subkey list now names the root itself.
  std::string bytes = Slurp(file);
  std::uint32_t root = 0;
  std::memcpy(&root, bytes.data() + 36, 4);
  const auto lf = bytes.find(std::string("lf\x01\x00", 4));
  ASSERT_NE(lf, std::string::npos);
  std::memcpy(bytes.data() + lf + 4, &root, 4);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  plat::memory::MemoryRegistry reg;
  plat::hive::HiveStore store;
  std::vector<std::string> notes;
  store.Load({{file.string(), plat::kLocalMachine, "SOFTWARE"}}, reg, notes, error);  // returns, read or refused
  fs::remove(file);
}

TEST(HiveFiles, AHiveIsReadWithoutLibhivexOnlyWhereLibhivexWouldOpenItStrictly) {
  // Variants of a small hive with bytes changed where libhivex's strict open
  // looks (base block, hive bin headers, cell lengths, the root key), each
  // with its checksum left wrong or made right again, and cut short: the
  // store reads one without libhivex only where that open accepts it, and
  // finds the same root key.
  plat::memory::MemoryRegistry source;
  plat::HKey key = 0;
  for (const char* path : {"SOFTWARE\\A\\B", "SOFTWARE\\C"}) {
    source.CreateKeyEx(plat::kLocalMachine, path, &key);
    source.SetValueEx(key, "v", plat::regtype::kSz, reinterpret_cast<const std::uint8_t*>("text"), 5);
    source.CloseKey(key);
  }
  const auto file = fs::temp_directory_path() / "tidemarrow-strict.hive";
  std::string error;
  ASSERT_TRUE(testing_support::WriteHive(source, plat::kLocalMachine, "SOFTWARE", file.string(), error));
  const std::string hive = Slurp(file);
  std::uint32_t root = 0;
  std::memcpy(&root, hive.data() + 36, 4);
  std::vector<std::size_t> places = {0, 3, 20, 21, 23, 36, 37, 39, 40, 41, 42, 43, 508, 511};
  for (std::size_t at = 0x1000; at < 0x1030; ++at) places.push_back(at);
  for (std::size_t at = 0x1000 + root; at < 0x1000 + root + 8; ++at) places.push_back(at);
  auto makeSumRight = [](std::string& bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 508; i += 4) {
      std::uint32_t word;
      std::memcpy(&word, bytes.data() + i, 4);
      sum ^= word;
    }
    std::memcpy(bytes.data() + 508, &sum, 4);
  };
  std::vector<std::string> variants;
  for (const std::size_t at : places)
    for (const unsigned char to : {0x00, 0x01, 0x04, 0x10, 0x20, 0x7F, 0x80, 0xFF})
      for (const bool sumMadeRight : {false, true}) {
        std::string bytes = hive;
        bytes[at] = static_cast<char>(to);
        if (sumMadeRight) makeSumRight(bytes);
        variants.push_back(bytes);
      }
  // The root's offset and the bins' end, which libhivex adds to in 32 bits.
  for (const std::size_t at : {36, 40})
    for (const std::uint32_t to : {0xFFFFF000u, 0xFFFFFFFFu, 0x7FFFFFFFu}) {
      std::string bytes = hive;
      std::memcpy(bytes.data() + at, &to, 4);
      makeSumRight(bytes);
      variants.push_back(bytes);
    }
  for (const std::size_t cut : {std::size_t{1}, std::size_t{4}, std::size_t{4096}}) variants.push_back(hive.substr(0, hive.size() - cut));
  int accepted = 0, refused = 0;
  for (const std::string& bytes : variants) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    const plat::hive::StoredCells cells(bytes);
    hive_h* h = hivex_open(file.string().c_str(), 0);
    if (cells.Accepted()) {
      ++accepted;
      EXPECT_NE(h, nullptr) << "read here, refused by libhivex: variant " << accepted + refused;
      if (h) {
        EXPECT_EQ(cells.Root(), hivex_root(h));
      }
    } else {
      ++refused;
    }
    if (h) hivex_close(h);
  }
  EXPECT_GT(accepted, 50);
  EXPECT_GT(refused, 50);
  fs::remove(file);
}

namespace {

// Adds, with libhivex, a key and values whose names and text lie outside
// the code page, as a Russian or Japanese Windows keeps them.
void AddForeignText(const fs::path& hive) {
  hive_h* h = hivex_open(hive.c_str(), HIVEX_OPEN_WRITE);
  ASSERT_NE(h, nullptr);
  hive_node_h run = hivex_root(h);
  for (const char* part : {"Microsoft", "Windows", "CurrentVersion", "Run"}) run = hivex_node_get_child(h, run, part);
  ASSERT_NE(run, 0u);
  std::u16string text = u"C:\\Program Files\\\u042f\u043d\u0434\u0435\u043a\u0441\\ya.exe";
  std::string data;
  for (char16_t c : text) data += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  data += std::string(2, '\0');
  const std::string name = plat::Utf8FromUtf16(u"\u042f\u043d\u0434\u0435\u043a\u0441");
  hive_set_value v{const_cast<char*>(name.c_str()), hive_t_REG_SZ, data.size(), data.data()};
  ASSERT_EQ(hivex_node_set_value(h, run, &v, 0), 0);
  for (const char16_t* key : {u"\u30c6\u30b9\u30c8A", u"\u30c6\u30b9\u30c8B", u"\u00e9t\u00e9"})
    ASSERT_NE(hivex_node_add_child(h, hivex_root(h), plat::Utf8FromUtf16(key).c_str()), 0u);
  ASSERT_EQ(hivex_commit(h, nullptr, 0), 0);
  hivex_close(h);
}

std::string RawValue(const fs::path& hive, const std::vector<const char*>& path, const std::string& utf8Name) {
  hive_h* h = hivex_open(hive.c_str(), 0);
  if (!h) return "<no hive>";
  hive_node_h node = hivex_root(h);
  for (const char* part : path) node = node ? hivex_node_get_child(h, node, part) : 0;
  std::string out = "<missing>";
  if (node)
    if (hive_value_h v = hivex_node_get_value(h, node, utf8Name.c_str())) {
      hive_type t;
      std::size_t len = 0;
      char* bytes = hivex_value_value(h, v, &t, &len);
      out = std::to_string(t) + ":" + std::string(bytes, len);
      std::free(bytes);
    }
  hivex_close(h);
  return out;
}

}  // namespace

TEST_F(Hives, TextOutsideTheCodePageSurvivesAFixOfItsNeighbourByteForByte) {
  AddForeignText(Hive("SOFTWARE"));
  const std::string name = plat::Utf8FromUtf16(u"\u042f\u043d\u0434\u0435\u043a\u0441");
  const std::string before = RawValue(Hive("SOFTWARE"), {"Microsoft", "Windows", "CurrentVersion", "Run"}, name);
  ASSERT_NE(before.find("ya.exe"[0]), std::string::npos);
  MachineImage image;
  std::unique_ptr<plat::hive::HiveStore> store;
  std::vector<std::string> notes;
  ASSERT_TRUE(OpenWindows(image, store, notes));
  // The A calls see "?" where the code page has no character; two keys whose
  // names differ only there stay two keys, and "?" opens neither.
  plat::HKey key = 0;
  std::vector<std::string> names;
  ASSERT_EQ(image.registry().OpenKeyEx(plat::kLocalMachine, "SOFTWARE", 0, plat::kKeyRead, &key), 0);
  char buffer[256];
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t length = sizeof buffer;
    if (image.registry().EnumKeyEx(key, i, buffer, &length) != 0) break;
    names.emplace_back(buffer, length);
  }
  image.registry().CloseKey(key);
  EXPECT_EQ(std::count(names.begin(), names.end(), "???A"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "???B"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "\xe9t\xe9"), 1) << "Latin-1 text reads as it is";
  EXPECT_NE(image.registry().OpenKeyEx(plat::kLocalMachine, "SOFTWARE\\???A", 0, plat::kKeyRead, &key), 0);

  // A fix of the Run section deletes its neighbours; the value the code page
  // cannot carry is refused, and stays byte for byte.
  plat::memory::HeadlessDialog dialog;
  plat::memory::HeadlessListView list;
  std::unique_ptr<CMainCommands> commands;
  Find(image, dialog, list, commands);
  int runRows = 0;
  for (int r = 0; r < list.GetItemCount(); ++r)
    if (list.GetCell(r, 2) == "Software\\Microsoft\\Windows\\CurrentVersion\\Run" ||
        list.GetCell(r, 2) == "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run") {
      list.SetChecked(r, true);
      ++runRows;
    }
  ASSERT_GT(runRows, 0);
  std::promise<void> done;
  commands->OnFixSelected([&] { done.set_value(); });
  done.get_future().wait();
  std::string error;
  ASSERT_TRUE(image.SaveRegistry(error)) << error;
  EXPECT_FALSE(store->Written().empty());
  EXPECT_EQ(RawValue(Hive("SOFTWARE"), {"Microsoft", "Windows", "CurrentVersion", "Run"}, name), before);
}

TEST_F(Hives, DamagedHivesAreReadButNeverWritten) {
  // Cut at half its size: the header claims more hive bins than the file has.
  const std::string whole = Slurp(Hive("SOFTWARE"));
  {
    std::ofstream(Hive("SOFTWARE"), std::ios::binary | std::ios::trunc) << whole.substr(0, whole.size() / 2);
  }
  MachineImage image;
  std::unique_ptr<plat::hive::HiveStore> store;
  std::vector<std::string> notes;
  std::string loadError;
  if (plat::hive::LoadWindowsInstallation({(root / "c").string(), "", (root / "work").string()}, image, store, notes,
                                          loadError)) {
    ASSERT_FALSE(notes.empty());
    EXPECT_NE(notes[0].find("damaged"), std::string::npos) << notes[0];
    EXPECT_NE(notes[0].find("cut short"), std::string::npos) << notes[0];
    EXPECT_NE(store->ReadOnlyReason(plat::kLocalMachine, "SOFTWARE\\Microsoft"), "");
    EXPECT_EQ(store->ReadOnlyReason(plat::kLocalMachine, "SYSTEM\\Select"), "");
    EXPECT_EQ(plat::DeleteTree(image.registry(), plat::kLocalMachine, "SOFTWARE\\Microsoft"), plat::err::kAccessDenied);
    std::string error;
    EXPECT_TRUE(image.SaveRegistry(error));
  }
  else {
    // Where even the root key lies past the cut, nothing can be read: the
    // job does not start, and says why.
    EXPECT_NE(loadError.find("cut short"), std::string::npos) << loadError;
  }
  EXPECT_EQ(Slurp(Hive("SOFTWARE")), whole.substr(0, whole.size() / 2));

  // A header that claims 2 GiB of hive bins, with a checksum that fits.
  {
    std::string bytes = whole;
    const std::uint32_t huge = 0x7FFFF000u;
    std::memcpy(bytes.data() + 40, &huge, 4);
    const std::uint32_t sum = plat::hive::HeaderChecksum(reinterpret_cast<const unsigned char*>(bytes.data()));
    std::memcpy(bytes.data() + 508, &sum, 4);
    std::ofstream(Hive("SOFTWARE"), std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_EQ(plat::hive::ReadHiveHeader(Hive("SOFTWARE")).state, plat::hive::HiveHeader::State::kDamaged);
  }
}

TEST_F(Hives, AProfileUnderUsersLoadsAsTheCurrentUser) {
  fs::rename(root / "c" / "Documents and Settings", root / "c" / "Users");
  fs::create_directories(root / "c" / "Users" / "User" / "AppData" / "Local" / "Microsoft" / "Windows");
  fs::rename(root / "c" / "Users" / "User" / "Local Settings" / "Application Data" / "Microsoft" / "Windows" / "UsrClass.dat",
             root / "c" / "Users" / "User" / "AppData" / "Local" / "Microsoft" / "Windows" / "UsrClass.dat");
  MachineImage image;
  std::unique_ptr<plat::hive::HiveStore> store;
  std::vector<std::string> notes;
  ASSERT_TRUE(OpenWindows(image, store, notes));
  EXPECT_TRUE(notes.empty()) << notes[0];
  std::set<std::string> mounted;
  for (const auto& st : store->States()) mounted.insert(fs::relative(st.mount.hostPath, root / "c").string());
  EXPECT_TRUE(mounted.count("Users/User/NTUSER.DAT"));
  EXPECT_TRUE(mounted.count("Users/User/AppData/Local/Microsoft/Windows/UsrClass.dat"));
  plat::HKey key = 0;
  EXPECT_EQ(image.registry().OpenKeyEx(plat::kCurrentUser, "Software\\Microsoft", 0, plat::kKeyRead, &key), 0);
  image.registry().CloseKey(key);
}

TEST_F(Hives, WhenOneHiveCannotBeReplacedNoneIs) {
  MachineImage image;
  std::unique_ptr<plat::hive::HiveStore> store;
  std::vector<std::string> notes;
  ASSERT_TRUE(OpenWindows(image, store, notes));
  const std::string software = Slurp(Hive("SOFTWARE")), system = Slurp(Hive("SYSTEM"));
  plat::HKey key = 0;
  ASSERT_EQ(image.registry().CreateKeyEx(plat::kLocalMachine, "SOFTWARE\\NewOne", &key), 0);
  image.registry().CloseKey(key);
  ASSERT_EQ(image.registry().CreateKeyEx(plat::kLocalMachine, "SYSTEM\\NewToo", &key), 0);
  image.registry().CloseKey(key);
  // SYSTEM's temporary file is a directory: the second hive cannot be written.
  fs::create_directory(Hive("SYSTEM").string() + ".tmp-tidemarrow");
  std::string error;
  EXPECT_FALSE(image.SaveRegistry(error));
  EXPECT_NE(error.find("no hive was written"), std::string::npos) << error;
  EXPECT_EQ(Slurp(Hive("SOFTWARE")), software);
  EXPECT_EQ(Slurp(Hive("SYSTEM")), system);
  // Once the way is clear, the same changes are written, both.
  fs::remove(Hive("SYSTEM").string() + ".tmp-tidemarrow");
  ASSERT_TRUE(image.SaveRegistry(error)) << error;
  EXPECT_EQ(store->Written().size(), 2u);
  MachineImage again;
  std::unique_ptr<plat::hive::HiveStore> store2;
  ASSERT_TRUE(OpenWindows(again, store2, notes));
  EXPECT_EQ(again.registry().OpenKeyEx(plat::kLocalMachine, "SOFTWARE\\NewOne", 0, plat::kKeyRead, &key), 0);
  again.registry().CloseKey(key);
  EXPECT_EQ(again.registry().OpenKeyEx(plat::kLocalMachine, "SYSTEM\\NewToo", 0, plat::kKeyRead, &key), 0);
  again.registry().CloseKey(key);
}
