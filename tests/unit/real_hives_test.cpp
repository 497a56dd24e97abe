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
#include "platform/hive/stored_cells.h"
#include "platform/hive/hive_log.h"
#include "platform/hive/hive_store.h"
#include "platform/hive/stored_names.h"
#include "platform/memory/memory_registry.h"
#include "platform/registry_tree.h"
#include "tests/support/hive_writer.h"

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

// Subkey and value lists are read from the hive's bytes where libhivex's
// rules allow, else through libhivex: a list or data read there must be
// what libhivex reads, and what libhivex refuses must not be read there.
// Over Windows's own hives (one with a damaged subkey list), a hive with a
// key too big for one list, and copies of it with bytes of that key, its
// lists and its values changed.
TEST_F(RealHives, ListsAndDataReadFromTheFileAreThoseLibhivexReads) {
  std::size_t read = 0, refusedByBoth = 0;
  // Compares the two readings of `nodes` (all the hive's keys when empty).
  auto compare = [&](const fs::path& path, std::vector<hive_node_h> nodes) {
    hive_h* h = hivex_open(path.c_str(), 0);
    if (!h) return;
    const std::string file = Slurp(path);
    const plat::hive::StoredCells lists(file);
    const bool all = nodes.empty();
    if (all) nodes.push_back(hivex_root(h));
    std::vector<hive_node_h> got;
    auto check = [&](auto* byLibhivex, bool readHere, const char* what) {
      if (readHere) {
        ++read;
        ASSERT_NE(byLibhivex, nullptr) << path << ": " << what << " libhivex refuses";
        std::vector<hive_node_h> expected;
        for (std::size_t i = 0; byLibhivex[i]; ++i) expected.push_back(byLibhivex[i]);
        EXPECT_EQ(got, expected) << path << ": " << what;
      } else if (!byLibhivex) {
        ++refusedByBoth;
      }
      std::free(byLibhivex);
    };
    auto checkData = [&](hive_value_h value) {
      // Any 32-bit type can stand in a hive, not only hive_type's names.
      std::uint32_t type = 0;
      std::size_t length = 0;
      char* byLibhivex = hivex_value_value(h, value, reinterpret_cast<hive_type*>(&type), &length);
      std::uint32_t storedType = 0;
      std::string_view stored;
      if (lists.ValueData(value, storedType, stored)) {
        ++read;
        ASSERT_NE(byLibhivex, nullptr) << path << ": data libhivex refuses";
        EXPECT_EQ(storedType, type) << path;
        EXPECT_EQ(stored, std::string_view(byLibhivex, length)) << path;
      } else if (!byLibhivex) {
        ++refusedByBoth;
      }
      std::free(byLibhivex);
    };
    while (!nodes.empty()) {
      const hive_node_h node = nodes.back();
      nodes.pop_back();
      if (hive_value_h* values = hivex_node_values(h, node)) {
        for (std::size_t i = 0; values[i]; ++i) checkData(values[i]);
        std::free(values);
      }
      check(hivex_node_values(h, node), lists.Values(node, got), "values");
      const bool readHere = lists.Children(node, got);
      if (all && readHere)
        for (hive_node_h child : got) nodes.push_back(child);
      check(hivex_node_children(h, node), readHere, "subkeys");
    }
    hivex_close(h);
  };
  for (const char* name : {"OldDirtyHive/RecoveredHive_Windows7", "NewDirtyHive1/RecoveredHive_Windows10",
                           "UnicodeHive", "TruncatedHive", "BadListHive"})
    compare(kFixtures / name, {});
  EXPECT_GT(refusedByBoth, 0u) << "the damaged subkey list";

  // A key with more subkeys than one list holds gets a list of lists.
  plat::memory::MemoryRegistry source;
  for (int i = 0; i < 33000; ++i) {
    plat::HKey key = 0;
    ASSERT_EQ(source.CreateKeyEx(plat::kLocalMachine, ("Software\\Big\\K" + std::to_string(i)).c_str(), &key), 0);
    source.CloseKey(key);
  }
  plat::HKey bigValues = 0;
  ASSERT_EQ(source.CreateKeyEx(plat::kLocalMachine, "Software\\Big", &bigValues), 0);
  const std::string text = "C:\\Program Files\\App\\app.exe";
  const std::uint8_t dword[4] = {1, 2, 3, 4};
  source.SetValueEx(bigValues, "", plat::regtype::kSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                    static_cast<std::uint32_t>(text.size() + 1));
  source.SetValueEx(bigValues, "n", plat::regtype::kDword, dword, 4);
  source.CloseKey(bigValues);
  const fs::path big = dir / "big";
  std::string error;
  ASSERT_TRUE(testing_support::WriteHive(source, plat::kLocalMachine, "Software", big.string(), error)) << error;
  const std::size_t before = read;
  compare(big, {});
  EXPECT_EQ(read - before, 2 * 33002u + 2) << "every list and value of a sound hive is read from its bytes";

  // Changed counts, offsets and list headers of that key and its lists.
  hive_h* h = hivex_open(big.c_str(), 0);
  ASSERT_NE(h, nullptr);
  const hive_node_h bigKey = hivex_node_get_child(h, hivex_root(h), "Big");
  hivex_close(h);
  const std::string sound = Slurp(big);
  auto le32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, sound.data() + at, 4);
    return std::size_t{v};
  };
  const std::size_t ri = le32(bigKey + 32) + 0x1000;
  const std::size_t leaf = le32(ri + 8) + 0x1000;
  const std::size_t valueList = le32(bigKey + 44) + 0x1000;
  std::vector<std::size_t> places;
  for (std::size_t v = 0; v < 2; ++v) {
    const std::size_t value = le32(valueList + 4 + 4 * v) + 0x1000;
    for (std::size_t i = 8; i < 20; ++i) places.push_back(value + i);
    const std::size_t data = le32(value + 12) + 0x1000;
    if (data < sound.size()) places.push_back(data + 1);  // the size of the data's cell (not of data in place)
  }
  for (std::size_t i = 0; i < 12; ++i) places.push_back(valueList + i);
  for (std::size_t i = 24; i < 48; ++i) places.push_back(bigKey + i);
  for (std::size_t i = 0; i < 20; ++i) places.push_back(ri + i);
  for (std::size_t i = 0; i < 24; ++i) places.push_back(leaf + i);
  std::mt19937 random(20261208);
  const fs::path changed = dir / "changed";
  for (int round = 0; round < 100; ++round) {
    std::string bytes = sound;
    for (int n = 1 + round % 3; n > 0; --n) bytes[places[random() % places.size()]] ^= static_cast<char>(1 << (random() % 8));
    std::ofstream(changed, std::ios::binary | std::ios::trunc) << bytes;
    compare(changed, {bigKey});
  }
  // A subkey that is a cell in use but not a key, and one inside a key's cell.
  for (const std::size_t target : {ri, le32(leaf + 8) + 0x1000 + 8}) {
    std::string bytes = sound;
    const auto at = static_cast<std::uint32_t>(target - 0x1000);
    std::memcpy(bytes.data() + leaf + 8, &at, 4);
    std::ofstream(changed, std::ios::binary | std::ios::trunc) << bytes;
    const std::size_t refusedBefore = refusedByBoth;
    compare(changed, {bigKey});
    EXPECT_EQ(refusedByBoth, refusedBefore + 1);
  }
}
