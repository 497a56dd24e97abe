#include <gtest/gtest.h>

#include "registry/registry_key.h"
#include "tests/support/test_machine.h"

using testing_support::TestMachine;

namespace {

class RegistryKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.Reg("[HKEY_LOCAL_MACHINE\\Software\\K]\n"
          "@=\"dflt\"\n"
          "\"text\"=\"hello\"\n"
          "\"five\"=dword:00000005\n"
          "\"long dword\"=hex(4):01,02,03,04,05,06,07,08\n"
          "\"bytes\"=hex:00,1f,0a\n"
          "\"binary text\"=hex:41,42,00,43\n"
          "[HKEY_LOCAL_MACHINE\\Software\\K\\A]\n[HKEY_LOCAL_MACHINE\\Software\\K\\B]\n"
          "[HKEY_LOCAL_MACHINE\\Software\\K\\C]\n"
          "[HKEY_CURRENT_USER\\Software\\Empty]\n");
  }
  void SetData(const std::string& name, const std::string& data, std::uint32_t type = plat::regtype::kSz) {
    plat::HKey key = 0;
    m.registry.OpenKeyEx(plat::kLocalMachine, "Software\\K", 0, plat::kKeyAllAccess, &key);
    m.registry.SetValueEx(key, name.c_str(), type, reinterpret_cast<const std::uint8_t*>(data.data()),
                          static_cast<std::uint32_t>(data.size()));
    m.registry.CloseKey(key);
  }
  TestMachine m;
};

}  // namespace

TEST_F(RegistryKeyTest, EveryAttemptCountsAndRefusedOperationsDoNot) {
  CRegistryKey key(m.platform);
  EXPECT_EQ(key.GetOperationCount(), 0);
  std::string text = "junk";
  EXPECT_FALSE(key.ReadValue("text", text)) << "no key open";
  EXPECT_EQ(text, "");
  EXPECT_FALSE(key.ListSubkeys());
  key.ListValues();
  EXPECT_FALSE(key.SetStringValue("x", "y"));
  EXPECT_FALSE(key.SetDwordValue("x", 1));
  QueriedValue q;
  q.number = 77;
  EXPECT_FALSE(key.QueryValue("five", q));
  EXPECT_EQ(q.number, 77u) << "untouched when no key is open";
  EXPECT_EQ(key.GetOperationCount(), 0);

  EXPECT_FALSE(key.Open(plat::kLocalMachine, "Software\\Missing"));
  EXPECT_EQ(key.GetOperationCount(), 1) << "a failed open counts";
  EXPECT_FALSE(key.ReadValue("text", text)) << "a failed open leaves no key";
  EXPECT_EQ(key.GetOperationCount(), 1);

  ASSERT_TRUE(key.Open(plat::kLocalMachine, "Software\\K"));
  EXPECT_TRUE(key.ReadValue("text", text));
  EXPECT_EQ(text, "hello");
  EXPECT_FALSE(key.ReadValue("missing", text));
  EXPECT_EQ(text, "null");
  EXPECT_EQ(key.GetOperationCount(), 4);
  EXPECT_TRUE(key.ListSubkeys());
  EXPECT_EQ(key.SubkeyNames(), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(key.GetOperationCount(), 8) << "three subkeys: four calls, the ending one included";
  key.ListValues();
  EXPECT_EQ(key.ValueNames().front(), "") << "the default value is listed as the empty name";
  EXPECT_EQ(key.ValueNames().size(), 6u);
  EXPECT_EQ(key.GetOperationCount(), 15);
  EXPECT_TRUE(key.OpenAndListSubkeys(plat::kLocalMachine, "Software\\K"));
  EXPECT_EQ(key.GetOperationCount(), 20);
  EXPECT_FALSE(key.OpenAndListCurrentUser("Software\\Empty"));
  EXPECT_EQ(key.GetOperationCount(), 22) << "a key without subkeys: one open, one call";
  EXPECT_TRUE(key.SubkeyNames().empty());
  EXPECT_TRUE(m.messages.Boxes().empty());
}

TEST_F(RegistryKeyTest, HiveNameFollowsTheLastOpenOfANamedHive) {
  CRegistryKey key(m.platform);
  EXPECT_EQ(key.HiveName(), "");
  key.Open(plat::kCurrentUser, "Software");
  EXPECT_EQ(key.HiveName(), "HKEY_CURRENT_USER");
  key.Open(plat::kClassesRoot, "");
  EXPECT_EQ(key.HiveName(), "HKEY_CURRENT_USER") << "HKEY_CLASSES_ROOT leaves it as it was";
  key.Open(plat::kLocalMachine, "Nowhere");
  EXPECT_EQ(key.HiveName(), "HKEY_LOCAL_MACHINE");
}

TEST_F(RegistryKeyTest, DataIsTakenOnlyUpToItsReportedSize) {
  SetData("full", std::string(4096, 'f'));
  SetData("over", std::string(4097, 'o'));
  SetData("unterminated", "abc");
  CRegistryKey key(m.platform);
  ASSERT_TRUE(key.Open(plat::kLocalMachine, "Software\\K"));
  std::string text;
  EXPECT_TRUE(key.ReadValue("full", text));
  EXPECT_EQ(text, std::string(4096, 'f')) << "4096 bytes without a terminator stop at the buffer";
  EXPECT_FALSE(key.ReadValue("over", text));
  EXPECT_EQ(text, "null");
  EXPECT_TRUE(key.ReadValue("unterminated", text));
  EXPECT_EQ(text, "abc");
  EXPECT_TRUE(key.ReadValue("binary text", text));
  EXPECT_EQ(text, "AB") << "read as text, data ends at its first zero byte";
  EXPECT_TRUE(key.ReadValue("five", text));
  EXPECT_EQ(text, "\x05");
  EXPECT_TRUE(key.ReadValue("", text));
  EXPECT_EQ(text, "dflt");
  EXPECT_TRUE(m.messages.Boxes().empty());
}

TEST_F(RegistryKeyTest, QueryValueReadsTypeSizeAndNumber) {
  CRegistryKey key(m.platform);
  ASSERT_TRUE(key.Open(plat::kLocalMachine, "Software\\K"));
  QueriedValue q;
  EXPECT_TRUE(key.QueryValue("five", q));
  EXPECT_EQ(q.type, 4u);
  EXPECT_EQ(q.size, 4u);
  EXPECT_EQ(q.number, 5u);
  QueriedValue longer;
  EXPECT_TRUE(key.QueryValue("long dword", longer));
  EXPECT_EQ(longer.size, 8u);
  EXPECT_EQ(longer.number, 0x04030201u) << "only the number's own four bytes";
  QueriedValue bytes;
  EXPECT_TRUE(key.QueryValue("bytes", bytes));
  EXPECT_EQ(bytes.data, std::string("\x00\x1f\x0a", 3));
  EXPECT_EQ(bytes.text, std::string("\x00\x1f\x0a", 3));
  QueriedValue missing;
  EXPECT_FALSE(key.QueryValue("missing", missing));
  EXPECT_EQ(missing.number, 0xFFFFFFFFu);
  EXPECT_EQ(key.GetOperationCount(), 5);
}

TEST_F(RegistryKeyTest, WritesStoreTheTerminatorAndCount) {
  CRegistryKey key(m.platform);
  ASSERT_TRUE(key.Open(plat::kCurrentUser, "Software\\Empty"));
  EXPECT_TRUE(key.SetStringValue("s", "abc"));
  EXPECT_TRUE(key.SetDwordValue("d", 0x1a));
  EXPECT_EQ(key.GetOperationCount(), 3);
  QueriedValue s, d;
  EXPECT_TRUE(key.QueryValue("s", s));
  EXPECT_EQ(s.size, 4u);
  EXPECT_EQ(s.text, std::string("abc\0", 4));
  EXPECT_TRUE(key.QueryValue("d", d));
  EXPECT_EQ(d.number, 0x1au);
}

TEST_F(RegistryKeyTest, NoHandleOutlivesItsReplacementOrTheObject) {
  {
    CRegistryKey key(m.platform);
    for (int i = 0; i < 100; ++i) key.Open(plat::kLocalMachine, "Software\\K");
    EXPECT_EQ(m.registry.OpenHandleCount(), 1u);
    key.Open(plat::kLocalMachine, "Software\\Missing");
    EXPECT_EQ(m.registry.OpenHandleCount(), 0u);
    key.Open(plat::kLocalMachine, "Software\\K");
  }
  EXPECT_EQ(m.registry.OpenHandleCount(), 0u);
}

// Walking a key's subkeys while opening others through the same object:
// every name in order, counted as listing first counts, no handle left.
TEST_F(RegistryKeyTest, EachSubkeyIsVisitedAndCountedAsAListingWould) {
  CRegistryKey listing(m.platform);
  ASSERT_TRUE(listing.OpenAndListSubkeys(plat::kLocalMachine, "Software\\K"));
  const std::vector<std::string> listed = listing.SubkeyNames();
  CRegistryKey walking(m.platform);
  std::vector<std::string> visited;
  EXPECT_TRUE(walking.ForEachSubkey(plat::kLocalMachine, "Software\\K", [&](const std::string& name) {
    visited.push_back(name);
    EXPECT_TRUE(walking.Open(plat::kLocalMachine, "Software\\K\\" + name));
  }));
  EXPECT_EQ(visited, listed);
  EXPECT_EQ(visited, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(walking.GetOperationCount(), listing.GetOperationCount() + 3) << "and one per open made while walking";
  walking.Open(plat::kLocalMachine, "Software\\Missing");
  listing.Open(plat::kLocalMachine, "Software\\Missing");
  EXPECT_EQ(m.registry.OpenHandleCount(), 0u);
  EXPECT_FALSE(walking.ForEachSubkey(plat::kCurrentUser, "Software\\Empty", [](const std::string&) { FAIL(); }));
  EXPECT_FALSE(walking.ForEachSubkey(plat::kCurrentUser, "Software\\Missing", [](const std::string&) { FAIL(); }));
}
