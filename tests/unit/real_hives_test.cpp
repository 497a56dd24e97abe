// Hives Windows itself wrote (see tests/fixtures/hives/README.md): dirty ones
// with their logs and the hives Windows made by replaying them, cut and
// damaged ones, and one whose names lie outside the code page.
#include <gtest/gtest.h>
#include <hivex.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/codepage.h"
#include "platform/hive/hive_log.h"
#include "platform/hive/hive_store.h"
#include "platform/registry_tree.h"

namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = TIDEMARROW_HIVE_FIXTURES;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Every key and value as libhivex reads them, names and bytes exactly.
std::string Dump(const fs::path& hive) {
  hive_h* h = hivex_open(hive.c_str(), 0);
  if (!h) return "<unreadable>";
  std::string out;
  std::vector<std::pair<hive_node_h, std::string>> pending{{hivex_root(h), ""}};
  while (!pending.empty()) {
    auto [node, path] = pending.back();
    pending.pop_back();
    out += "[" + path + "]\n";
    if (hive_value_h* values = hivex_node_values(h, node)) {
      for (std::size_t i = 0; values[i]; ++i) {
        char* key = hivex_value_key(h, values[i]);
        hive_type t;
        std::size_t len = 0;
        char* data = hivex_value_value(h, values[i], &t, &len);
        out += std::string(key ? key : "?") + "=" + std::to_string(t) + ":" + std::string(data ? data : "", data ? len : 0) + "\n";
        std::free(key);
        std::free(data);
      }
      std::free(values);
    }
    if (hive_node_h* children = hivex_node_children(h, node)) {
      for (std::size_t i = 0; children[i]; ++i) {
        char* name = hivex_node_name(h, children[i]);
        pending.push_back({children[i], path + "\\" + (name ? name : "?")});
        std::free(name);
      }
      std::free(children);
    }
  }
  hivex_close(h);
  return out;
}

class RealHives : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir = fs::temp_directory_path() / ("tidemarrow-real-" + std::to_string(random()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  // A copy of a fixture directory or file to work on.
  fs::path Copy(const std::string& name) {
    fs::copy(kFixtures / name, dir / name, fs::copy_options::recursive);
    return dir / name;
  }
  fs::path dir;
};

}  // namespace

TEST_F(RealHives, ReplayingEitherLogFormatGivesWhatWindowsGave) {
  for (const auto& [hive, windows] : {std::pair{"OldDirtyHive/OldDirtyHive", "OldDirtyHive/RecoveredHive_Windows7"},
                                      std::pair{"NewDirtyHive1/NewDirtyHive", "NewDirtyHive1/RecoveredHive_Windows10"}}) {
    SCOPED_TRACE(hive);
    const plat::hive::LogRecovery r = plat::hive::RecoverHive((kFixtures / hive).string());
    ASSERT_TRUE(r.dirty);
    ASSERT_TRUE(r.recovered) << r.reason;
    std::ofstream(dir / "recovered", std::ios::binary | std::ios::trunc) << r.hive;
    const std::string expected = Dump(kFixtures / windows);
    EXPECT_NE(Dump(kFixtures / hive), expected) << "the dirty hive alone lacks what its logs hold";
    EXPECT_EQ(Dump(dir / "recovered"), expected);
    EXPECT_EQ(plat::hive::ReadHiveHeader((dir / "recovered").string()).state, plat::hive::HiveHeader::State::kClean);
  }
  EXPECT_EQ(plat::hive::RecoverHive((kFixtures / "NewDirtyHive1/NewDirtyHive").string()).logsUsed.size(), 2u)
      << "entries of both new-format logs";
}

TEST_F(RealHives, ALogEntryWithAWrongHashStopsTheReplayThere) {
  const fs::path hive = Copy("NewDirtyHive1") / "NewDirtyHive";
  std::string log = Slurp(hive.string() + ".LOG2");
  log[512 + 4096] ^= 1;  // a byte of the first entry's pages
  std::ofstream(hive.string() + ".LOG2", std::ios::binary | std::ios::trunc) << log;
  const plat::hive::LogRecovery r = plat::hive::RecoverHive(hive.string());
  EXPECT_EQ(r.logsUsed.size(), 1u) << "LOG1's entries only";
}

TEST_F(RealHives, RecoverWritesTheHiveOnceAndSetsItsLogsAside) {
  const fs::path hive = Copy("NewDirtyHive1") / "NewDirtyHive";
  const std::string original = Slurp(hive);
  const plat::hive::LogRecovery r = plat::hive::RecoverHive(hive.string());
  std::vector<std::string> kept;
  std::string error;
  ASSERT_TRUE(plat::hive::WriteRecoveredHive(hive.string(), r, "261207-120000", kept, error)) << error;
  EXPECT_EQ(Dump(hive), Dump(kFixtures / "NewDirtyHive1" / "RecoveredHive_Windows10"));
  EXPECT_EQ(Slurp(hive.string() + ".tidemarrow-261207-120000"), original);
  EXPECT_TRUE(fs::exists(hive.string() + ".LOG1.tidemarrow-261207-120000"));
  EXPECT_TRUE(plat::hive::HiveLogs(hive.string()).empty());
  EXPECT_FALSE(plat::hive::RecoverHive(hive.string()).dirty) << "a second recover has nothing to do";
}

TEST_F(RealHives, DirtyCutAndDamagedHivesAreReadButNeverWritten) {
  const fs::path dirty = Copy("OldDirtyHive") / "OldDirtyHive";
  const fs::path cut = Copy("TruncatedHive");
  const fs::path bad = Copy("BadListHive");
  const std::string before = Slurp(dirty) + Slurp(cut) + Slurp(bad);
  plat::memory::MemoryRegistry registry;
  plat::hive::HiveStore store;
  std::vector<std::string> notes;
  std::string error;
  ASSERT_TRUE(store.Load({{dirty.string(), plat::kLocalMachine, "DIRTY"},
                          {cut.string(), plat::kLocalMachine, "CUT"},
                          {bad.string(), plat::kLocalMachine, "BAD"}},
                         registry, notes, error))
      << error;
  for (const auto& st : store.States()) EXPECT_TRUE(st.readOnly) << st.Describe();
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_NE(notes[0].find("logs replayed"), std::string::npos) << notes[0];
  for (const char* root : {"DIRTY", "CUT", "BAD"}) {
    plat::HKey key = 0;
    ASSERT_EQ(registry.OpenKeyEx(plat::kLocalMachine, root, 0, plat::kKeyAllAccess, &key), 0) << "read as far as it goes";
    EXPECT_EQ(registry.CreateKeyEx(key, "New", nullptr), plat::err::kAccessDenied);
    registry.CloseKey(key);
  }
  EXPECT_TRUE(store.Commit(registry, plat::LocalTime{2026, 12, 7, 12, 0, 0}, error)) << error;
  EXPECT_EQ(Slurp(dirty) + Slurp(cut) + Slurp(bad), before);
}

TEST_F(RealHives, NamesOutsideTheCodePageSurviveAChangeBesideThem) {
  const fs::path hive = Copy("UnicodeHive");
  const std::string before = Dump(hive);
  plat::memory::MemoryRegistry registry;
  plat::hive::HiveStore store;
  std::vector<std::string> notes;
  std::string error;
  ASSERT_TRUE(store.Load({{hive.string(), plat::kLocalMachine, "U"}}, registry, notes, error)) << error;
  plat::HKey key = 0;
  ASSERT_EQ(registry.CreateKeyEx(plat::kLocalMachine, "U\\Added", &key), 0);
  registry.CloseKey(key);
  ASSERT_TRUE(store.Commit(registry, plat::LocalTime{2026, 12, 7, 12, 0, 0}, error)) << error;
  std::string after = Dump(hive);
  EXPECT_NE(after.find("\\Added]"), std::string::npos);
  EXPECT_NE(after.find(plat::Utf8FromUtf16(u"\u041f\u0440\u0438\u0432\u0435\u0442")), std::string::npos);
  after.erase(after.find("[\\Added]\n"), std::string("[\\Added]\n").size());
  EXPECT_EQ(after, before) << "everything else is as it was, byte for byte";
}
