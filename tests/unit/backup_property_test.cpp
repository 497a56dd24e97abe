// The promise of the fix job, over generated registries that hold every kind
// of hard content: whatever is deleted comes back from the backups exactly,
// nothing is changed but what ticked rows name, and a row counts as fixed
// only when what it names is gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "engine/fix_selected_problems.h"
#include "engine/problem_list_display.h"
#include "engine/recorded_job_view.h"
#include "platform/memory/headless_dialog.h"
#include "platform/memory/reg_text.h"
#include "platform/hive/hive_store.h"
#include "tests/support/hive_writer.h"
#include "tests/support/registry_dump.h"
#include "tests/support/registry_generator.h"
#include "tests/support/test_machine.h"

using namespace testing_support;

namespace {

constexpr const char* kDir = "C:\\Tidemarrow\\";
constexpr const char* kRoot = "Software\\Generated";

std::filesystem::path FastBase() {
  std::error_code ec;
  return std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                       : std::filesystem::temp_directory_path();
}

int CaseCount(int fallback) {
  const char* n = std::getenv("TIDEMARROW_PROPERTY_CASES");
  return n ? std::max(1, std::atoi(n)) : fallback;
}

// What a ticked row stands for: the key or value it really names (before
// its texts were filed, line ends turned into blanks).
struct Target {
  plat::HKey hive;
  std::string path;
  std::string value;  // empty for a key row
  bool isValue;
};

std::string Upper(std::string s) {
  for (auto& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

bool Under(const std::string& path, const std::string& key) {
  const std::string p = Upper(path), k = Upper(key);
  return p == k || (p.size() > k.size() && p.compare(0, k.size(), k) == 0 && p[k.size()] == '\\');
}

std::string HivePrefix(plat::HKey hive) { return hive == plat::kLocalMachine ? "HKLM\\" : "HKCU\\"; }

RegistryDump Dump(plat::IRegistry& registry) {
  RegistryDump d = DumpTree(registry, plat::kLocalMachine, kRoot);
  d.merge(DumpTree(registry, plat::kCurrentUser, kRoot));
  return d;
}

std::string Printable(const std::string& s) {
  std::string out;
  for (unsigned char c : s.substr(0, 80)) out += c >= 32 && c < 127 ? std::string(1, c) : "<" + std::to_string(c) + ">";
  return out;
}

std::string FirstDifference(const RegistryDump& a, const RegistryDump& b) {
  for (const auto& [key, values] : a) {
    auto it = b.find(key);
    if (it == b.end()) return "key missing: " + Printable(key);
    if (it->second == values) continue;
    for (std::size_t i = 0; i < std::max(values.size(), it->second.size()); ++i) {
      if (i < values.size() && i < it->second.size() && values[i] == it->second[i]) continue;
      std::string d = "key " + Printable(key) + " value " + std::to_string(i) + ": ";
      if (i < values.size())
        d += "was \"" + Printable(values[i].name) + "\" type " + std::to_string(values[i].type) + " size " +
             std::to_string(values[i].data.size());
      if (i < it->second.size())
        d += "; is \"" + Printable(it->second[i].name) + "\" type " + std::to_string(it->second[i].type) +
             " size " + std::to_string(it->second[i].data.size());
      return d;
    }
  }
  for (const auto& [key, values] : b)
    if (!a.count(key)) return "key added: " + Printable(key);
  return "";
}

struct Tally {
  int ticked = 0, fixed = 0, refused = 0, backupFailures = 0, values = 0, keys = 0;
};

// One generated machine: generate, file rows, fix the ticked ones, check,
// restore every backup, check again.
void RunCase(std::uint32_t seed, Tally& tally) {
  SCOPED_TRACE("seed " + std::to_string(seed));
  TestMachine m{FastBase()};
  CRecordedJobView view;
  plat::memory::HeadlessListView list;
  auto Dump = [&] { return ::Dump(m.registry); };
  m.Touch("C:\\Tidemarrow\\Tidemarrow.exe");
  RegistryGenerator gen(seed);
  GeneratedTree machine, user;
  gen.Fill(m.registry, plat::kLocalMachine, kRoot, machine);
  gen.Fill(m.registry, plat::kCurrentUser, kRoot, user);
  const RegistryDump before = Dump();

  // Rows as a scan files them: some keys, some values, a few naming a
  // parent as their Delete Key, a few the text "default".
  std::vector<Target> targets;
  const std::size_t rows = 1 + gen.random()() % 8;
  for (std::size_t i = 0; i < rows; ++i) {
    const bool lm = gen.random()() % 2;
    const GeneratedTree& tree = lm ? machine : user;
    const plat::HKey hive = lm ? plat::kLocalMachine : plat::kCurrentUser;
    const std::string letter = lm ? "L" : "U";
    if (gen.random()() % 2 && !tree.values.empty()) {
      const auto& v = tree.values[gen.random()() % tree.values.size()];
      const std::string name = v.name.empty() ? "default" : v.name;
      AddListRow(list, {letter + " (V)", "S", RecordField(v.path), "main", RecordField(name), "d", "p", ""});
      targets.push_back({hive, v.path, name, true});
    } else if (!tree.keys.empty()) {
      std::string path = tree.keys[gen.random()() % tree.keys.size()];
      std::string deleteKey;
      if (gen.random()() % 5 == 0) deleteKey = path.substr(0, path.rfind('\\'));
      AddListRow(list, {letter + " (K)", "S", RecordField(path), "main", "default", "d", "p", RecordField(deleteKey)});
      targets.push_back({hive, deleteKey.empty() ? path : deleteKey, "", false});
    } else {
      continue;
    }
    list.SetChecked(list.GetItemCount() - 1, gen.random()() % 10 < 8);
  }
  const auto rowsBefore = list.Rows();
  tally.keys += static_cast<int>(machine.keys.size() + user.keys.size());
  tally.values += static_cast<int>(machine.values.size() + user.values.size());

  m.clock.Set(plat::LocalTime{2002, 12, 5, 18, 30, static_cast<int>(seed % 60)});
  FixSelectedProblems(m.platform, list, view, kDir);
  const RegistryDump afterFix = Dump();

  std::set<std::uint64_t> left;
  for (const auto& row : list.Rows()) left.insert(row.id);
  std::vector<Target> fixed;
  for (std::size_t i = 0; i < rowsBefore.size(); ++i)
    if (rowsBefore[i].checked && !left.count(rowsBefore[i].id)) fixed.push_back(targets[i]);
    else EXPECT_TRUE(left.count(rowsBefore[i].id)) << "an unticked row left the list";
  for (const auto& row : rowsBefore) tally.ticked += row.checked;
  tally.fixed += static_cast<int>(fixed.size());
  for (const auto& box : m.messages.Boxes()) {
    tally.refused += box.text.rfind("Could not fix...", 0) == 0;
    tally.backupFailures += box.text.find("Nothing more was deleted") != std::string::npos;
  }

  // Nothing but deletions, and each deletion is something a fixed row names.
  std::set<std::string> valueRowKeys;
  for (const auto& [key, values] : before) {
    auto now = afterFix.find(key);
    if (now == afterFix.end()) {
      const bool named = std::any_of(fixed.begin(), fixed.end(), [&](const Target& t) {
        return !t.isValue && Under(key, HivePrefix(t.hive) + t.path);
      });
      EXPECT_TRUE(named) << "key deleted that no fixed row names: " << key;
      continue;
    }
    std::size_t at = 0;
    for (const auto& v : values) {
      if (at < now->second.size() && now->second[at] == v) {
        ++at;
        continue;
      }
      const bool named = std::any_of(fixed.begin(), fixed.end(), [&](const Target& t) {
        return t.isValue && Upper(HivePrefix(t.hive) + t.path) == Upper(key) && Upper(t.value) == Upper(v.name);
      });
      EXPECT_TRUE(named) << "value deleted that no fixed row names: " << key << " \"" << v.name << "\"";
      valueRowKeys.insert(key);
    }
    EXPECT_EQ(at, now->second.size()) << "values changed in " << key;
  }
  for (const auto& [key, values] : afterFix) EXPECT_TRUE(before.count(key)) << "key appeared: " << key;

  // A row counts as fixed only when what it names is gone.
  for (const auto& t : fixed) {
    plat::HKey key = 0;
    const bool opened = m.registry.OpenKeyEx(t.hive, t.path.c_str(), 0, plat::kKeyRead, &key) == 0;
    if (opened && t.isValue) {
      std::uint32_t size = 0;
      EXPECT_NE(m.registry.QueryValueEx(key, t.value.c_str(), nullptr, nullptr, &size), 0)
          << "value still there after its row was counted fixed: " << t.path << " " << t.value;
    } else {
      EXPECT_FALSE(opened && !t.isValue) << "key still there after its row was counted fixed: " << t.path;
    }
    if (key) m.registry.CloseKey(key);
  }

  // Every backup imports, and together they give the original back: names,
  // types, bytes and value order (a value restored alone goes to the end of
  // its key's list, as the registry editor puts it).
  std::vector<std::string> names;
  m.drive.ListFiles("C:\\Tidemarrow", names);
  for (const auto& name : names) {
    if (Upper(name).rfind("BACKUP", 0) != 0) continue;
    const std::string text = m.HostFile("drive_c/Tidemarrow/" + name);
    ASSERT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u) << name;
    const auto result = plat::memory::ImportRegText(text, m.registry);
    ASSERT_TRUE(result.ok) << name << ": " << result.Message();
  }
  RegistryDump restored = Dump();
  RegistryDump expected = before;
  for (const auto& t : fixed)
    if (t.isValue)
      for (const auto& [key, values] : before)
        if (Upper(key) == Upper(HivePrefix(t.hive) + t.path)) valueRowKeys.insert(key);
  for (const auto& key : valueRowKeys) {
    std::sort(restored[key].begin(), restored[key].end());
    std::sort(expected[key].begin(), expected[key].end());
  }
  EXPECT_TRUE(restored == expected) << "the registry after restore differs from the original: "
                                    << FirstDifference(expected, restored);
}

// The same promise on hive files: a generated registry written as a hive,
// loaded through the hive store, fixed and committed, then every backup
// imported and committed again gives the hive's content back.
void RunHiveCase(std::uint32_t seed, Tally& tally) {
  SCOPED_TRACE("hive seed " + std::to_string(seed));
  TestMachine m{FastBase()};
  m.Touch("C:\\Tidemarrow\\Tidemarrow.exe");
  RegistryGenerator gen(seed);
  GeneratedTree tree;
  plat::memory::MemoryRegistry source;
  gen.Fill(source, plat::kLocalMachine, "SOFTWARE\\Generated", tree);
  const std::string hive = m.HostPath("SOFTWARE");
  std::string error;
  ASSERT_TRUE(WriteHive(source, plat::kLocalMachine, "SOFTWARE", hive, error)) << error;
  auto load = [&](plat::memory::MemoryRegistry& into, plat::hive::HiveStore& store) {
    std::vector<std::string> notes;
    ASSERT_TRUE(store.Load({{hive, plat::kLocalMachine, "SOFTWARE"}}, into, notes, error)) << error;
  };
  plat::memory::MemoryRegistry first;
  plat::hive::HiveStore firstStore;
  load(first, firstStore);
  const RegistryDump before = DumpTree(first, plat::kLocalMachine, "SOFTWARE");

  CRecordedJobView view;
  plat::memory::HeadlessListView list;
  for (int i = 0; i < 6; ++i) {
    if (gen.random()() % 2 && !tree.values.empty()) {
      const auto& v = tree.values[gen.random()() % tree.values.size()];
      if (v.name.empty()) continue;
      AddListRow(list, {"L (V)", "S", RecordField(v.path), "m", RecordField(v.name), "d", "p", ""});
    } else if (!tree.keys.empty()) {
      AddListRow(list, {"L (K)", "S", RecordField(tree.keys[gen.random()() % tree.keys.size()]), "m", "default", "d",
                        "p", ""});
    }
    list.SetChecked(list.GetItemCount() - 1, true);
  }
  plat::Platform platform{first, m.environment, m.drive, m.atoms, m.messages, m.clock};
  FixSelectedProblems(platform, list, view, kDir);
  tally.ticked += 6;
  tally.fixed += 6 - list.GetItemCount();
  ASSERT_TRUE(firstStore.Commit(first, plat::LocalTime{2026, 12, 7, 12, 0, 0}, error)) << error;

  plat::memory::MemoryRegistry second;
  plat::hive::HiveStore secondStore;
  load(second, secondStore);
  std::vector<std::string> names;
  m.drive.ListFiles("C:\\Tidemarrow", names);
  for (const auto& name : names)
    if (Upper(name).rfind("BACKUP", 0) == 0) {
      const auto result = plat::memory::ImportRegText(m.HostFile("drive_c/Tidemarrow/" + name), second);
      ASSERT_TRUE(result.ok) << result.Message();
    }
  ASSERT_TRUE(secondStore.Commit(second, plat::LocalTime{2026, 12, 7, 12, 0, 1}, error)) << error;
  plat::memory::MemoryRegistry third;
  plat::hive::HiveStore thirdStore;
  load(third, thirdStore);
  RegistryDump restored = DumpTree(third, plat::kLocalMachine, "SOFTWARE");
  RegistryDump expected = before;
  for (auto* dump : {&restored, &expected})
    for (auto& [key, values] : *dump) std::sort(values.begin(), values.end());
  EXPECT_TRUE(restored == expected) << FirstDifference(expected, restored);
}

TEST(BackupProperty, OnHiveFilesEveryDeletionComesBackExactly) {
  const int cases = CaseCount(400) / 8;
  Tally tally;
  for (int seed = 1; seed <= cases && !::testing::Test::HasFailure(); ++seed)
    RunHiveCase(static_cast<std::uint32_t>(seed), tally);
  std::printf("%d hive cases: %d rows ticked, %d fixed\n", cases, tally.ticked, tally.fixed);
  EXPECT_GT(tally.fixed, tally.ticked / 4);
}

TEST(BackupProperty, EveryDeletionComesBackFromTheBackupExactly) {
  const int cases = CaseCount(400);
  Tally tally;
  for (int seed = 1; seed <= cases && !::testing::Test::HasFailure(); ++seed)
    RunCase(static_cast<std::uint32_t>(seed), tally);
  std::printf("%d cases: %d keys, %d values; %d rows ticked, %d fixed, %d refused, %d backup failures\n", cases,
              tally.keys, tally.values, tally.ticked, tally.fixed, tally.refused, tally.backupFailures);
  // The generator must leave most rows fixable, or the property says little.
  EXPECT_GT(tally.fixed, tally.ticked / 3);
  EXPECT_EQ(tally.backupFailures, 0);
}

}  // namespace
