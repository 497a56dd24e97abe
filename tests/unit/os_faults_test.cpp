// Faults where the operating system makes them: a write that the system
// ends at every byte offset of a backup block (a file size limit), a full
// disk (a small tmpfs, where the machine lets a test mount one), and a fix
// killed at random points. Afterwards the registry and its backups always
// give the original back.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "engine/fix_selected_problems.h"
#include "engine/problem_list_display.h"
#include "engine/recorded_job_view.h"
#include "platform/memory/headless_dialog.h"
#include "platform/memory/machine_image.h"
#include "platform/memory/reg_text.h"
#include "registry/backup_format.h"
#include "tests/support/registry_dump.h"
#include "tests/support/test_machine.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr const char* kDir = "C:\\Tidemarrow\\";

// A key whose backup runs to a few hundred bytes over several blocks, and a
// value elsewhere, each with content that needs escaping or hex.
constexpr const char* kImage =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Victim]\r\n\"path\"=\"C:\\\\a \\\"b\\\"\"\r\n\"n\"=dword:0000001a\r\n"
    "\"bin\"=hex:00,1f,0a,ff\r\n\"ex\"=hex(2):25,00,41,00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Victim\\Child]\r\n@=\"x\"\r\n\"multi\"=hex(7):61,00,62,00,00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n\"gone\"=\"C:\\\\missing.exe\"\r\n\"keep\"=\"1\"\r\n";

// Values in name order: a value restored alone goes to the end of its key's
// list (the property test checks the order where it is kept).
RegistryDump DumpAll(plat::IRegistry& registry) {
  RegistryDump dump = DumpTree(registry, plat::kLocalMachine, "Software");
  for (auto& [key, values] : dump) std::sort(values.begin(), values.end());
  return dump;
}

void Tick(plat::memory::HeadlessListView& list) {
  // Visited from the bottom up: the value first, then the key.
  AddListRow(list, {"L (K)", "S", "Software\\Victim", "Victim", "default", "", "p", ""});
  AddListRow(list, {"L (V)", "Run", "Software\\Other", "Other", "gone", "C:\\missing.exe", "p", ""});
  for (int r = 0; r < list.GetItemCount(); ++r) list.SetChecked(r, true);
}

// Imports every backup of the directory as the restore dialog offers them
// (Backup*.reg), the working file too (as the next job names it: cut to its
// whole lines). A temporary file an atomic write left behind is no backup.
void RestoreAll(plat::IRegistry& registry, const fs::path& directory) {
  for (const auto& entry : fs::directory_iterator(directory)) {
    std::string name = entry.path().filename().string();
    for (auto& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name.rfind("backup", 0) != 0 || name.size() < 4 || name.compare(name.size() - 4, 4, ".reg") != 0) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    text.resize(WholeLinesLength(text));
    const auto r = plat::memory::ImportRegText(text, registry);
    ASSERT_TRUE(r.ok) << entry.path() << ": " << r.Message();
  }
}

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

 private:
  rlimit old_{};
};

}  // namespace

TEST(OsFaults, ABackupWriteEndedAtEveryByteOffsetDeletesNothingUncoveredAndImports) {
  // The system ends a write where the file reaches its size limit; the
  // signal it also sends is ignored, as a full disk sends none.
  signal(SIGXFSZ, SIG_IGN);
  std::size_t fullSize = 0;
  {
    TestMachine m(fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path());
    m.Touch("C:\\Tidemarrow\\Tidemarrow.exe");
    m.Reg(kImage);
    CRecordedJobView view;
    plat::memory::HeadlessListView list;
    Tick(list);
    FixSelectedProblems(m.platform, list, view, kDir);
    ASSERT_EQ(list.GetItemCount(), 0);
    for (const auto& e : fs::directory_iterator(m.HostPath("drive_c/Tidemarrow")))
      if (e.path().filename().string().rfind("Backup-", 0) == 0) fullSize = fs::file_size(e.path());
  }
  ASSERT_GT(fullSize, 300u);
  for (std::size_t limit = 0; limit < fullSize; ++limit) {
    SCOPED_TRACE("file size limit " + std::to_string(limit));
    TestMachine m(fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path());
    m.Touch("C:\\Tidemarrow\\Tidemarrow.exe");
    m.Reg(kImage);
    const RegistryDump original = DumpAll(m.registry);
    CRecordedJobView view;
    plat::memory::HeadlessListView list;
    Tick(list);
    {
      FileSizeLimit cap(limit);
      FixSelectedProblems(m.platform, list, view, kDir);
    }
    const auto boxes = m.messages.Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(boxes.back().text.find("Nothing more was deleted"), std::string::npos) << boxes.back().text;
    RestoreAll(m.registry, m.HostPath("drive_c/Tidemarrow"));
    ASSERT_TRUE(DumpAll(m.registry) == original);
    if (HasFailure()) break;
  }
}

TEST(OsFaults, AFullDiskStopsTheFixAndTheBackupImports) {
  const fs::path mount = fs::temp_directory_path() / ("tidemarrow-full-" + std::to_string(getpid()));
  fs::create_directories(mount);
  if (geteuid() != 0 || ::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=16k") != 0) {
    fs::remove(mount);
    GTEST_SKIP() << "no small tmpfs can be mounted here (needs root); the file size limit test covers the same";
  }
  {
    TestMachine m(mount);
    m.Touch("C:\\Tidemarrow\\Tidemarrow.exe");
    // Leaves a little room: the header and the first block, not the rest.
    m.Reg(kImage);
    plat::HKey key = 0;
    ASSERT_EQ(m.registry.OpenKeyEx(plat::kLocalMachine, "Software\\Victim", 0, plat::kKeyAllAccess, &key), 0);
    const std::string big(6000, 'x');
    m.registry.SetValueEx(key, "big", plat::regtype::kBinary, reinterpret_cast<const std::uint8_t*>(big.data()),
                          static_cast<std::uint32_t>(big.size()));
    m.registry.CloseKey(key);
    const RegistryDump original = DumpAll(m.registry);
    {
      std::ofstream filler(m.HostPath("filler"), std::ios::binary);
      filler << std::string(8 * 1024, 'f');
    }
    CRecordedJobView view;
    plat::memory::HeadlessListView list;
    Tick(list);
    FixSelectedProblems(m.platform, list, view, kDir);
    const auto boxes = m.messages.Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(boxes.back().text.find("Nothing more was deleted"), std::string::npos) << boxes.back().text;
    EXPECT_EQ(list.GetItemCount(), 1) << "the value's row was fixed, the key's was not";
    RestoreAll(m.registry, m.HostPath("drive_c/Tidemarrow"));
    EXPECT_TRUE(DumpAll(m.registry) == original);
  }
  ::umount(mount.c_str());
  fs::remove_all(mount);
}

TEST(OsFaults, AFixKilledAtRandomPointsLosesNothing) {
  std::mt19937 random(7);
  for (int round = 0; round < 25; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const fs::path dir = (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
                         ("tidemarrow-kill-" + std::to_string(getpid()) + "-" + std::to_string(round));
    fs::create_directories(dir / "drive_c" / "Tidemarrow");
    {
      std::ofstream(dir / "registry.reg", std::ios::binary) << kImage;
    }
    plat::memory::MemoryRegistry original;
    ASSERT_TRUE(plat::memory::ImportRegText(kImage, original).ok);
    const pid_t child = fork();
    if (child == 0) {
      plat::memory::MachineImage image;
      std::string error;
      if (!image.Load(plat::memory::ImageDirectory(dir.string()), error)) _exit(3);
      CRecordedJobView view;
      plat::memory::HeadlessListView list;
      Tick(list);
      FixSelectedProblems(image.platform(), list, view, kDir);
      _exit(image.SaveRegistry(error) ? 0 : 4);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    // What is on the disk now: the registry file as it was or as the fix
    // left it (never a mixture), and the backups.
    plat::memory::MachineImage after;
    std::string error;
    ASSERT_TRUE(after.Load(plat::memory::ImageDirectory(dir.string()), error)) << error;
    RestoreAll(after.registry(), dir / "drive_c" / "Tidemarrow");
    EXPECT_TRUE(DumpAll(after.registry()) == DumpAll(original));
    fs::remove_all(dir);
  }
}
