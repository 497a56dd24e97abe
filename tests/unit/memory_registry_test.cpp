// What the in-memory backend adds beyond the conformance suite: handle
// accounting, access refusal, and where writes through HKEY_CLASSES_ROOT go.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <latch>
#include <map>
#include <random>
#include <thread>

#include "platform/codepage.h"
#include "platform/memory/folded_index.h"
#include "platform/memory/lean_mutex.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/unit_pool.h"
#include "platform/registry_tree.h"

using namespace plat;
using plat::memory::MemoryRegistry;
using plat::memory::RegNode;
using plat::memory::RegValue;

namespace {

std::string ReadString(IRegistry& reg, HKey hive, const char* path, const char* name) {
  HKey key = 0;
  if (reg.OpenKeyEx(hive, path, 0, kKeyRead, &key) != err::kSuccess) return "<no key>";
  char data[256] = {};
  std::uint32_t size = sizeof data - 1;
  RegStatus s = reg.QueryValueEx(key, name, nullptr, reinterpret_cast<std::uint8_t*>(data), &size);
  reg.CloseKey(key);
  return s == err::kSuccess ? std::string(data) : "<no value>";
}

void SetString(IRegistry& reg, HKey key, const char* name, const std::string& text) {
  reg.SetValueEx(key, name, regtype::kSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                 static_cast<std::uint32_t>(text.size() + 1));
}

}  // namespace

TEST(MemoryRegistry, HandlesAreCountedUntilClosed) {
  MemoryRegistry reg;
  HKey a = 0, b = 0;
  ASSERT_EQ(reg.CreateKeyEx(kLocalMachine, "Software\\A", &a), err::kSuccess);
  ASSERT_EQ(reg.OpenKeyEx(kLocalMachine, "Software", 0, kKeyAllAccess, &b), err::kSuccess);
  EXPECT_EQ(reg.OpenHandleCount(), 2u);
  EXPECT_EQ(reg.CloseKey(a), err::kSuccess);
  EXPECT_EQ(reg.CloseKey(a), err::kInvalidHandle);
  HKey c = 0;
  ASSERT_EQ(reg.OpenKeyEx(kLocalMachine, "Software\\A", 0, kKeyRead, &c), err::kSuccess);
  EXPECT_NE(c, a) << "the closed handle's place is taken, not its value";
  char name[16];
  EXPECT_EQ(reg.EnumKey(a, 0, name, sizeof name), err::kInvalidHandle) << "a closed handle stays closed";
  EXPECT_EQ(reg.CloseKey(a), err::kInvalidHandle);
  EXPECT_EQ(reg.CloseKey(c), err::kSuccess);
  reg.CloseKey(b);
  EXPECT_EQ(reg.OpenHandleCount(), 0u);
  EXPECT_EQ(DeleteTree(reg, kLocalMachine, "Software"), err::kSuccess);
  EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST(MemoryRegistry, PathsAndNamesThatWindowsRefuses) {
  MemoryRegistry reg;
  HKey key = 0;
  EXPECT_EQ(reg.CreateKeyEx(kLocalMachine, std::string(256, 'k').c_str(), &key), err::kInvalidParameter);
  EXPECT_EQ(reg.CreateKeyEx(kLocalMachine, std::string(255, 'k').c_str(), &key), err::kSuccess);
  reg.CloseKey(key);
  EXPECT_EQ(reg.OpenKeyEx(kLocalMachine, "\\Software", 0, kKeyAllAccess, &key), 161) << "ERROR_BAD_PATHNAME";
  ASSERT_EQ(reg.CreateKeyEx(kLocalMachine, "Software\\Trailing\\", &key), err::kSuccess);
  reg.CloseKey(key);
  EXPECT_EQ(reg.OpenKeyEx(kLocalMachine, "Software\\Trailing", 0, kKeyAllAccess, &key), err::kSuccess);
  reg.CloseKey(key);
  // An empty component names no key, also right after a part of the path
  // the open before walked.
  EXPECT_EQ(reg.OpenKeyEx(kLocalMachine, "Software\\\\Trailing", 0, kKeyAllAccess, &key), err::kFileNotFound);
  EXPECT_EQ(reg.DeleteKey(kLocalMachine, ""), err::kAccessDenied) << "a hive root cannot be deleted";
}

TEST(MemoryRegistry, AKeyWithARestrictiveAclOpensOnlyForReading) {
  MemoryRegistry reg;
  HKey key = 0;
  reg.CreateKeyEx(kLocalMachine, "SAM\\SAM", &key);
  reg.CloseKey(key);
  ASSERT_TRUE(reg.DenyWriteAccess(kLocalMachine, "SAM\\SAM"));
  EXPECT_EQ(reg.OpenKeyEx(kLocalMachine, "SAM\\SAM", 0, kKeyAllAccess, &key), err::kAccessDenied);
  EXPECT_EQ(key, 0u);
  EXPECT_EQ(reg.OpenKeyEx(kLocalMachine, "SAM\\SAM", 0, kKeyRead, &key), err::kSuccess);
  reg.CloseKey(key);
  EXPECT_FALSE(reg.DenyWriteAccess(kLocalMachine, "No\\Such"));
}

TEST(MemoryRegistry, WritesThroughClassesRootGoWhereWindowsPutsThem) {
  MemoryRegistry reg;
  HKey key = 0;
  reg.CreateKeyEx(kLocalMachine, "Software\\Classes\\.txt", &key);
  reg.CloseKey(key);
  reg.CreateKeyEx(kCurrentUser, "Software\\Classes\\.log", &key);
  reg.CloseKey(key);
  // A new key goes to the machine's classes.
  ASSERT_EQ(reg.CreateKeyEx(kClassesRoot, ".new", &key), err::kSuccess);
  SetString(reg, key, "", "newfile");
  reg.CloseKey(key);
  EXPECT_EQ(ReadString(reg, kLocalMachine, "Software\\Classes\\.new", ""), "newfile");
  // A value of a key the user has goes to the user's key.
  ASSERT_EQ(reg.OpenKeyEx(kClassesRoot, ".log", 0, kKeyAllAccess, &key), err::kSuccess);
  SetString(reg, key, "", "txtfile");
  reg.CloseKey(key);
  EXPECT_EQ(ReadString(reg, kCurrentUser, "Software\\Classes\\.log", ""), "txtfile");
  EXPECT_EQ(ReadString(reg, kClassesRoot, ".log", ""), "txtfile");
  // Deleting through the view deletes the user's key first.
  reg.CreateKeyEx(kCurrentUser, "Software\\Classes\\.txt", &key);
  reg.CloseKey(key);
  EXPECT_EQ(reg.DeleteKey(kClassesRoot, ".txt"), err::kSuccess);
  EXPECT_EQ(ReadString(reg, kCurrentUser, "Software\\Classes\\.txt", "x"), "<no key>");
  EXPECT_EQ(ReadString(reg, kLocalMachine, "Software\\Classes\\.txt", "x"), "<no value>");
}

// A key's subkeys under every order of adding and deleting, against a model:
// added in order, out of order, deleted and added again, in keys with few
// and with many children, opened and enumerated in between.
TEST(MemoryRegistry, SubkeysStayFoundAndSortedUnderAnyOrderOfChanges) {
  std::mt19937 random(20261207);
  for (const int size : {5, 40, 600}) {
    MemoryRegistry reg;
    std::map<std::string, std::string> model;  // upper-cased name -> name as created
    auto nameOf = [&](int i) {
      std::string n = "k" + std::to_string(i);
      if (i % 3 == 0) n[0] = 'K';
      return n;
    };
    auto upper = [](std::string s) {
      for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return s;
    };
    for (int step = 0; step < size * 6; ++step) {
      const int i = step < size ? step : static_cast<int>(random() % (2 * size));  // in order first
      const std::string path = "Software\\P\\" + nameOf(i);
      switch (random() % 4) {
        case 0:
        case 1: {
          HKey key = 0;
          ASSERT_EQ(reg.CreateKeyEx(kLocalMachine, path.c_str(), &key), err::kSuccess);
          reg.CloseKey(key);
          model.emplace(upper(nameOf(i)), nameOf(i));
          break;
        }
        case 2:
          EXPECT_EQ(reg.DeleteKey(kLocalMachine, upper(path).c_str()) == err::kSuccess,
                    model.erase(upper(nameOf(i))) == 1);
          break;
        default: {
          // Often the key opened is one just listed (a scanner's way): what
          // changed since the listing, the name decides.
          HKey parent = 0;
          if (reg.OpenKeyEx(kLocalMachine, "Software\\P", 0, kKeyRead, &parent) == err::kSuccess) {
            char listedName[300];
            std::uint32_t length = sizeof listedName;
            reg.EnumKeyEx(parent, static_cast<std::uint32_t>(random() % (size + 1)), listedName, &length);
            reg.CloseKey(parent);
          }
          HKey key = 0;
          EXPECT_EQ(reg.OpenKeyEx(kLocalMachine, upper(path).c_str(), 0, kKeyRead, &key) == err::kSuccess,
                    model.count(upper(nameOf(i))) == 1);
          reg.CloseKey(key);
        }
      }
      if (step % (size / 2 + 1) != 0) continue;
      HKey parent = 0;
      ASSERT_EQ(reg.CreateKeyEx(kLocalMachine, "Software\\P", &parent), err::kSuccess);
      std::vector<std::string> listed;
      char name[300];
      for (std::uint32_t index = 0;; ++index) {
        std::uint32_t length = sizeof name;
        if (reg.EnumKeyEx(parent, index, name, &length) != err::kSuccess) break;
        listed.emplace_back(name, length);
      }
      reg.CloseKey(parent);
      std::vector<std::string> expected;
      for (const auto& [folded, spelled] : model) expected.push_back(spelled);
      ASSERT_EQ(listed, expected) << "size " << size << ", step " << step;
    }
  }
}

TEST(MemoryRegistry, AKeyListedThenDeletedIsNotOpened) {
  MemoryRegistry reg;
  for (const char* path : {"Software\\P\\a", "Software\\P\\b", "Software\\P\\c"}) {
    HKey key = 0;
    ASSERT_EQ(reg.CreateKeyEx(kLocalMachine, path, &key), err::kSuccess);
    reg.CloseKey(key);
  }
  HKey parent = 0, key = 0;
  ASSERT_EQ(reg.OpenKeyEx(kLocalMachine, "Software\\P", 0, kKeyRead, &parent), err::kSuccess);
  char name[16];
  std::uint32_t length = sizeof name;
  ASSERT_EQ(reg.EnumKeyEx(parent, 1, name, &length), err::kSuccess);
  EXPECT_STREQ(name, "b");
  ASSERT_EQ(reg.DeleteKey(parent, "b"), err::kSuccess);
  EXPECT_EQ(reg.OpenKeyEx(kLocalMachine, "Software\\P\\B", 0, kKeyRead, &key), err::kFileNotFound);
  EXPECT_EQ(reg.OpenKeyEx(parent, "c", 0, kKeyRead, &key), err::kSuccess);
  reg.CloseKey(key);
  reg.CloseKey(parent);
}

TEST(MemoryRegistry, AKeyPutBackBeforeItsParentIsListedAgainIsListedOnce) {
  // Removed children stay in their parent's list, marked, until it is next
  // listed; a subtree attached in the meantime may be one of them.
  plat::memory::RegNode parent;
  parent.AddWide(u"a");
  auto b = parent.AddWide(u"b");
  parent.Remove(u"B");
  parent.Attach(b);
  ASSERT_EQ(parent.Children().size(), 2u);
  EXPECT_EQ(parent.Children()[1], b);
  parent.Remove(u"A");
  parent.Remove(u"B");
  EXPECT_FALSE(parent.HasChildren());
  EXPECT_TRUE(parent.Children().empty());
}

TEST(MemoryRegistry, AKeyWithManyValuesFindsEachByAnySpellingThroughChanges) {
  // Past a few values a key finds them through an index of their names,
  // which has to follow every value set, rewritten and deleted.
  MemoryRegistry reg;
  HKey key = 0;
  ASSERT_EQ(reg.CreateKeyEx(kLocalMachine, "Software\\Many", &key), err::kSuccess);
  auto set = [&](const std::string& name, const std::string& data) {
    return reg.SetValueEx(key, name.c_str(), regtype::kBinary, reinterpret_cast<const std::uint8_t*>(data.data()),
                          static_cast<std::uint32_t>(data.size()));
  };
  auto get = [&](const std::string& name) {
    char data[16] = {};
    std::uint32_t size = sizeof data;
    return reg.QueryValueEx(key, name.c_str(), nullptr, reinterpret_cast<std::uint8_t*>(data), &size) == err::kSuccess
               ? std::string(data, size)
               : std::string("<none>");
  };
  for (int i = 0; i < 100; ++i) ASSERT_EQ(set("v" + std::to_string(i), std::to_string(i)), err::kSuccess);
  EXPECT_EQ(get("V99"), "99");
  ASSERT_EQ(set("V50", "fifty"), err::kSuccess);  // rewritten in place
  EXPECT_EQ(reg.DeleteValue(key, "v10"), err::kSuccess);
  EXPECT_EQ(get("v10"), "<none>");
  ASSERT_EQ(set("v100", "100"), err::kSuccess);
  EXPECT_EQ(get("v100"), "100");
  EXPECT_EQ(get("v11"), "11") << "values after a deleted one are found at their new places";
  std::vector<std::string> names;
  char name[16];
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t length = sizeof name;
    if (reg.EnumValue(key, i, name, &length, nullptr, nullptr, nullptr) != err::kSuccess) break;
    names.emplace_back(name, length);
  }
  ASSERT_EQ(names.size(), 100u);
  EXPECT_EQ(names[10], "v11");
  EXPECT_EQ(names[49], "v50");
  EXPECT_EQ(get("v50"), "fifty");
  EXPECT_EQ(names.back(), "v100");
  reg.CloseKey(key);

  // A hive may hold values whose names fold alike: the first is found, by a
  // scan of few values and through the index alike, also for one added after
  // the index was made. A name the code page lacks is found by no spelling.
  for (const int others : {2, 40}) {
    RegNode node;
    auto add = [&](std::u16string_view name, std::string_view data) {
      node.AddValue(RegValue(name, regtype::kBinary, data, false));
    };
    add(u"\u4E2D", "cjk");
    for (int i = 0; i < others; ++i) add(u"o" + plat::Utf16FromCp1252(std::to_string(i)), "other");
    add(u"Twin", "first");
    add(u"TWIN", "second");
    ASSERT_NE(node.FindValue("twin"), nullptr);
    EXPECT_EQ(node.FindValue("twin")->Data(), "first") << others;
    add(u"twin", "third");
    EXPECT_EQ(node.FindValue("tWiN")->Data(), "first") << others;
    EXPECT_EQ(node.FindValue("?"), nullptr) << others;
    node.EraseValue(node.FindValue("twin"));
    EXPECT_EQ(node.FindValue("TWIN")->Data(), "second") << others;
  }
}

TEST(MemoryRegistry, CallsFromSeveralThreadsAtOnceAreEachWhole) {
  // The registry's lock, bare and through the registry: more threads than
  // cores, each holding it briefly and often, so that some sleep on it and
  // must be woken.
  constexpr int kThreads = 4;
  plat::memory::LeanMutex mutex;
  long counted = 0;
  MemoryRegistry reg;
  std::vector<std::thread> threads;
  std::latch start(kThreads);
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      for (int i = 0; i < 100000; ++i) {
        std::lock_guard lock(mutex);
        ++counted;
      }
      for (int i = 0; i < 500; ++i) {
        HKey key = 0;
        const std::string path = "Software\\T" + std::to_string(t) + "\\K" + std::to_string(i);
        ASSERT_EQ(reg.CreateKeyEx(kLocalMachine, path.c_str(), &key), err::kSuccess);
        SetString(reg, key, "n", std::to_string(i));
        reg.CloseKey(key);
        ReadString(reg, kLocalMachine, ("Software\\T" + std::to_string((t + 1) % kThreads) + "\\K0").c_str(), "n");
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counted, 100000L * kThreads);
  for (int t = 0; t < kThreads; ++t)
    EXPECT_EQ(ReadString(reg, kLocalMachine, ("Software\\T" + std::to_string(t) + "\\K499").c_str(), "n"), "499");
  EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST(FoldedIndex, ANameIsFoundAsStoredAsTheACallsGiveItAndInAnyCase) {
  // Long lists (class ids, system32) are searched by a hash of the name
  // upper-cased, made from the stored units or straight from the code-page
  // bytes: both must agree for every byte and every length.
  using plat::memory::FoldedIndex;
  std::mt19937 random(11);
  std::vector<std::string> names;
  for (int byte = 1; byte < 256; ++byte) names.emplace_back(1, static_cast<char>(byte));
  for (int i = 0; i < 3000; ++i) {
    std::string name(1 + random() % 40, ' ');
    for (char& c : name) c = static_cast<char>(1 + random() % 255);
    names.push_back(name);
  }
  FoldedIndex index;
  std::vector<std::u16string> stored;
  for (const std::string& name : names) {
    const std::u16string wide = plat::Utf16FromCp1252(name);
    ASSERT_EQ(FoldedIndex::HashOf(wide), FoldedIndex::HashOfCp1252(name)) << name;
    ASSERT_EQ(FoldedIndex::HashOf(plat::FoldName(name)), FoldedIndex::HashOf(wide)) << name;
    auto at = [&](std::size_t i) -> std::u16string_view { return stored[i]; };
    if (index.Find(wide, at) != FoldedIndex::kNotFound) continue;  // a name again, in another case
    index.Insert(wide, stored.size());
    stored.push_back(wide);
  }
  int found = 0;
  for (const std::string& name : names) {
    std::string other = name;  // the same name in the other case where the code page has one
    for (char& c : other) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte == 0x9A) c = static_cast<char>(0x8A);        // š and Š
      else if (byte >= 'a' && byte <= 'z') c = static_cast<char>(byte - 32);
      else if (byte >= 'A' && byte <= 'Z') c = static_cast<char>(byte + 32);
    }
    for (const std::string& spelling : {name, other}) {
      const std::size_t i = index.FindCp1252(spelling, [&](std::size_t at) {
        return plat::memory::EqualFoldedCp1252(stored[at], spelling);
      });
      found += i != FoldedIndex::kNotFound;
    }
  }
  EXPECT_EQ(found, 2 * static_cast<int>(names.size()));
}

TEST(UnitPool, RoomHoldsWhatWasWrittenUntilGivenBackInAnyOrderFromAnyThread) {
  // Names and values read from a hive live in shared chunks; a chunk must
  // outlive the pool and every room but the last given back (the sanitized
  // build reports a chunk used after it was freed, or never freed).
  struct Room {
    plat::memory::Units units;
    std::size_t count;
    char16_t first;
  };
  std::vector<Room> rooms;
  {
    plat::memory::UnitPool pool;
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
      const std::size_t count = 1 + random() % 40;
      plat::memory::Units units(count, &pool);
      for (std::size_t u = 0; u < count; ++u) units.get()[u] = static_cast<char16_t>(i + u);
      rooms.push_back({std::move(units), count, static_cast<char16_t>(i)});
    }
    rooms.push_back({plat::memory::Units(100000, &pool), 1, u'x'});  // more than a chunk: from the heap
    rooms.back().units.get()[0] = u'x';
  }
  std::shuffle(rooms.begin(), rooms.end(), std::mt19937(9));
  auto intact = [](const Room& room) {
    for (std::size_t u = 0; u < room.count; ++u)
      if (room.units.get()[u] != static_cast<char16_t>(room.first + u))
        return false;
    return true;
  };
  EXPECT_TRUE(std::all_of(rooms.begin(), rooms.end(), intact)) << "the pool gone, every room still holds its units";
  std::thread other([&rooms] { rooms.resize(rooms.size() / 2); });
  other.join();
  EXPECT_TRUE(std::all_of(rooms.begin(), rooms.end(), intact)) << "half given back from another thread";
  rooms.clear();
}
