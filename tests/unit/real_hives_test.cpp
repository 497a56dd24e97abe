// Hives Windows itself wrote (see tests/fixtures/hives/README.md): dirty ones
// with their logs and the hives Windows made by replaying them, cut and
// damaged ones, and one whose names lie outside the code page.
#include <gtest/gtest.h>
#include <hivex.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/codepage.h"
#include "platform/hive/hive_log.h"
#include "platform/hive/hive_store.h"
#include "platform/hive/stored_names.h"
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

// Names are read from the hive's bytes where that is plain, else through
// libhivex: either way they must be what libhivex reads.
TEST_F(RealHives, NamesReadFromTheFileAreThoseLibhivexReads) {
  std::size_t asked = 0, read = 0, nonAscii = 0;
  for (const char* name : {"OldDirtyHive/RecoveredHive_Windows7", "NewDirtyHive1/RecoveredHive_Windows10",
                           "UnicodeHive", "TruncatedHive", "BadListHive"}) {
    const fs::path path = kFixtures / name;
    const std::string file = Slurp(path);
    const plat::hive::StoredNames names(file);
    hive_h* h = hivex_open(path.c_str(), 0);
    ASSERT_NE(h, nullptr) << name;
    std::u16string stored;
    auto check = [&](char* byLibhivex, bool readHere) {
      ++asked;
      if (readHere) {
        ++read;
        ASSERT_NE(byLibhivex, nullptr) << name;
        EXPECT_EQ(stored, plat::Utf16FromUtf8(byLibhivex)) << name << ": " << byLibhivex;
        nonAscii += std::any_of(stored.begin(), stored.end(), [](char16_t c) { return c >= 0x80; });
      }
      std::free(byLibhivex);
    };
    std::vector<hive_node_h> pending{hivex_root(h)};
    while (!pending.empty()) {
      const hive_node_h node = pending.back();
      pending.pop_back();
      if (hive_value_h* values = hivex_node_values(h, node)) {
        for (std::size_t i = 0; values[i]; ++i)
          check(hivex_value_key(h, values[i]), names.ValueName(values[i], stored));
        std::free(values);
      }
      if (hive_node_h* children = hivex_node_children(h, node)) {
        for (std::size_t i = 0; children[i]; ++i) {
          check(hivex_node_name(h, children[i]), names.KeyName(children[i], stored));
          pending.push_back(children[i]);
        }
        std::free(children);
      }
    }
    hivex_close(h);
  }
  EXPECT_EQ(read, asked) << "every name of these hives is plainly stored";
  EXPECT_GT(nonAscii, 0u);

  // A name that is not plain is left to libhivex.
  auto cell = [](std::string id, std::size_t lengthAt, unsigned length, std::size_t flagsAt, unsigned flags,
                 std::size_t nameAt, const std::string& stored) {
    std::string bytes(nameAt, '\0');
    const std::int32_t size = -static_cast<std::int32_t>(nameAt + stored.size());
    std::memcpy(bytes.data(), &size, 4);
    bytes.replace(4, 2, id);
    bytes[lengthAt] = static_cast<char>(length & 0xFF);
    bytes[lengthAt + 1] = static_cast<char>(length >> 8);
    bytes[flagsAt] = static_cast<char>(flags);
    return bytes + stored;
  };
  std::u16string got;
  const std::string plain = cell("nk", 76, 4, 6, 0x20, 80, "Ab\xE9z");
  EXPECT_TRUE(plat::hive::StoredNames(plain).KeyName(0, got));
  EXPECT_EQ(got, u"Ab\u00E9z") << "a compressed name is Latin-1";
  EXPECT_TRUE(plat::hive::StoredNames(cell("vk", 6, 4, 20, 0, 24, std::string("\x1F\x04\x40\x04", 4))).ValueName(0, got));
  EXPECT_EQ(got, u"\u041F\u0440");
  for (const std::string& bad : {cell("nk", 76, 5, 6, 0x20, 80, "Ab\xE9z"),      // past its cell
                                 cell("nk", 76, 4, 6, 0, 80, std::string("A\0\0\0", 4)),  // a NUL
                                 cell("nk", 76, 2, 6, 0, 80, "\x01\xD8"),         // half a surrogate pair
                                 cell("nk", 76, 3, 6, 0, 80, "A\0B"),               // an odd length
                                 cell("vk", 76, 4, 6, 0x20, 80, "Abcd")})           // not a key
    EXPECT_FALSE(plat::hive::StoredNames(bad).KeyName(0, got));
  EXPECT_FALSE(plat::hive::StoredNames(plain.substr(0, 82)).KeyName(0, got)) << "past the file's end";
}
