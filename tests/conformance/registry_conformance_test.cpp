// One set of registry tests for every backend. Windows is the reference:
// where Wine behaves otherwise the case says so and checks Wine's behaviour,
// so that a change in either is noticed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/registry_tree.h"
#include "tests/conformance/conformance_backend.h"

using namespace plat;

namespace {

constexpr const char* kScratch = "Software\\TidemarrowConformance";
constexpr const char* kClassMachine = "Software\\Classes\\TidemarrowConformance.machine";
constexpr const char* kClassUser = "Software\\Classes\\TidemarrowConformance.user";
constexpr const char* kClassBoth = "Software\\Classes\\TidemarrowConformance.both";

class RegistryConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    conformance::CurrentBackend().Reset();
    ASSERT_EQ(reg().CreateKeyEx(kCurrentUser, kScratch, &scratch_), err::kSuccess);
  }
  void TearDown() override {
    if (scratch_) reg().CloseKey(scratch_);
    conformance::CurrentBackend().Reset();
  }
  IRegistry& reg() { return conformance::CurrentBackend().Registry(); }
  bool wine() const { return conformance::CurrentBackend().IsWine(); }

  HKey Create(HKey parent, const std::string& path) {
    HKey key = 0;
    EXPECT_EQ(reg().CreateKeyEx(parent, path.c_str(), &key), err::kSuccess) << path;
    return key;
  }
  // Windows (and Wine) store one byte more for a string whose last byte is
  // not zero when the byte after it is zero ("the caller forgot the
  // terminator"). The bytes are passed with a non-zero byte after them so
  // that what is stored is exactly what is given; the in-memory backend never
  // reads past the caller's data.
  void SetBytes(HKey key, const std::string& name, std::uint32_t type, const std::string& bytes) {
    const std::string padded = bytes + 'X';
    EXPECT_EQ(reg().SetValueEx(key, name.c_str(), type, reinterpret_cast<const std::uint8_t*>(padded.data()),
                               static_cast<std::uint32_t>(bytes.size())),
              err::kSuccess)
        << name.size();
  }
  std::vector<std::string> SubkeyNames(HKey key) {
    std::vector<std::string> names;
    char name[4096];
    for (std::uint32_t i = 0; i < 1000; ++i) {
      std::uint32_t length = sizeof name;
      RegStatus s = reg().EnumKeyEx(key, i, name, &length);
      if (s == err::kNoMoreItems) break;
      EXPECT_EQ(s, err::kSuccess);
      if (s != err::kSuccess) break;
      names.emplace_back(name, length);
    }
    return names;
  }
  std::vector<std::string> ValueNames(HKey key) {
    std::vector<std::string> names;
    char name[4096];
    for (std::uint32_t i = 0; i < 1000; ++i) {
      std::uint32_t length = sizeof name;
      RegStatus s = reg().EnumValue(key, i, name, &length, nullptr, nullptr, nullptr);
      if (s == err::kNoMoreItems) break;
      EXPECT_EQ(s, err::kSuccess);
      if (s != err::kSuccess) break;
      names.emplace_back(name, length);
    }
    return names;
  }

  HKey scratch_ = 0;
};

TEST_F(RegistryConformance, ReturnCodesOfMissingAndPresentKeysAndValues) {
  HKey key = 0x1234;
  EXPECT_EQ(reg().OpenKeyEx(scratch_, "Missing", 0, kKeyAllAccess, &key), err::kFileNotFound);
  EXPECT_EQ(key, 0u) << "a failed open leaves no handle";
  HKey child = Create(scratch_, "Present");
  EXPECT_EQ(reg().CloseKey(child), err::kSuccess);
  ASSERT_EQ(reg().OpenKeyEx(scratch_, "Present", 0, kKeyAllAccess, &key), err::kSuccess);
  EXPECT_NE(key, 0u);
  std::uint32_t size = 16;
  std::uint8_t data[16];
  EXPECT_EQ(reg().QueryValueEx(key, "nothing", nullptr, data, &size), err::kFileNotFound);
  EXPECT_EQ(reg().QueryValueEx(key, "", nullptr, data, &size), err::kFileNotFound)
      << "a key without a default value";
  EXPECT_EQ(reg().DeleteValue(key, "nothing"), err::kFileNotFound);
  EXPECT_EQ(reg().CloseKey(key), err::kSuccess);
  EXPECT_EQ(reg().DeleteKey(scratch_, "Missing"), err::kFileNotFound);
  EXPECT_EQ(reg().DeleteKey(scratch_, "Present"), err::kSuccess);
  EXPECT_EQ(reg().OpenKeyEx(scratch_, "Present", 0, kKeyAllAccess, &key), err::kFileNotFound);
  EXPECT_EQ(reg().CloseKey(kLocalMachine), err::kSuccess) << "closing a hive handle is harmless";
}

TEST_F(RegistryConformance, SubkeysEnumerateByUpperCasedNameAndEndWith259) {
  for (const char* name : {"b", "_x", "A", "c", "Zeta", "\xE9t\xE9", "Ea"}) reg().CloseKey(Create(scratch_, name));
  // '_' sorts after the letters; é upper-cases to É (U+00C9), after Z.
  std::vector<std::string> expected{"A", "b", "c", "Ea", "Zeta", "_x", "\xE9t\xE9"};
  if (wine()) {
    // Wine orders by lower-cased name, so '_' comes before the letters;
    // Windows compares upper-cased names.
    expected = {"_x", "A", "b", "c", "Ea", "Zeta", "\xE9t\xE9"};
  }
  EXPECT_EQ(SubkeyNames(scratch_), expected);
  char name[260];
  std::uint32_t length = sizeof name;
  EXPECT_EQ(reg().EnumKeyEx(scratch_, 7, name, &length), err::kNoMoreItems);
  length = sizeof name;
  EXPECT_EQ(reg().EnumKeyEx(scratch_, 100, name, &length), err::kNoMoreItems);
  EXPECT_EQ(reg().EnumKey(scratch_, 0, name, sizeof name), err::kSuccess);
  EXPECT_EQ(name, expected[0]);
  EXPECT_EQ(reg().EnumKey(scratch_, 7, name, sizeof name), err::kNoMoreItems);
}

TEST_F(RegistryConformance, NamesAreCaseInsensitiveAndCasePreserving) {
  reg().CloseKey(Create(scratch_, "MixedCase"));
  reg().CloseKey(Create(scratch_, "MIXEDCASE"));
  EXPECT_EQ(SubkeyNames(scratch_), std::vector<std::string>{"MixedCase"});
  HKey key = 0;
  ASSERT_EQ(reg().OpenKeyEx(scratch_, "mixedcase", 0, kKeyAllAccess, &key), err::kSuccess);
  SetBytes(key, "Value", regtype::kDword, std::string("\x01\0\0\0", 4));
  SetBytes(key, "VALUE", regtype::kDword, std::string("\x02\0\0\0", 4));
  EXPECT_EQ(ValueNames(key), std::vector<std::string>{"Value"}) << "rewriting keeps the first spelling";
  std::uint32_t number = 0, size = 4;
  EXPECT_EQ(reg().QueryValueEx(key, "value", nullptr, reinterpret_cast<std::uint8_t*>(&number), &size),
            err::kSuccess);
  EXPECT_EQ(number, 2u);
  reg().CloseKey(key);
  // Letters beyond ASCII too (\xE9 is é, \xC9 É), among a few subkeys and
  // among many, and through a path of several levels.
  reg().CloseKey(Create(scratch_, "Few\\\xE9t\xE9"));
  for (int i = 0; i < 80; ++i) reg().CloseKey(Create(scratch_, ("Many\\k" + std::to_string(i)).c_str()));
  reg().CloseKey(Create(scratch_, "Many\\\xE9t\xE9"));
  for (const char* path : {"FEW\\\xC9T\xC9", "many\\\xC9t\xE9", "Many\\K42"}) {
    EXPECT_EQ(reg().OpenKeyEx(scratch_, path, 0, kKeyRead, &key), err::kSuccess) << path;
    reg().CloseKey(key);
  }
  EXPECT_EQ(reg().OpenKeyEx(scratch_, "Few\\\xC9t", 0, kKeyRead, &key), err::kFileNotFound);
}

TEST_F(RegistryConformance, ValuesEnumerateInCreationOrder) {
  for (const char* name : {"zeta", "alpha", "Mid", ""}) SetBytes(scratch_, name, regtype::kSz, std::string("x\0", 2));
  SetBytes(scratch_, "alpha", regtype::kSz, std::string("y\0", 2));  // rewriting keeps its place
  if (wine()) {
    // Wine keeps values sorted by name; Windows keeps creation order.
    EXPECT_EQ(ValueNames(scratch_), (std::vector<std::string>{"", "alpha", "Mid", "zeta"}));
  } else {
    EXPECT_EQ(ValueNames(scratch_), (std::vector<std::string>{"zeta", "alpha", "Mid", ""}));
  }
  EXPECT_EQ(reg().DeleteValue(scratch_, "alpha"), err::kSuccess);
  if (!wine()) {
    EXPECT_EQ(ValueNames(scratch_), (std::vector<std::string>{"zeta", "Mid", ""}));
  }
  char name[16];
  std::uint32_t length = sizeof name;
  EXPECT_EQ(reg().EnumValue(scratch_, 3, name, &length, nullptr, nullptr, nullptr), err::kNoMoreItems);
}

TEST_F(RegistryConformance, TheDefaultValueIsTheEmptyName) {
  SetBytes(scratch_, "", regtype::kSz, std::string("dflt\0", 5));
  char data[16] = {};
  std::uint32_t size = sizeof data, type = 0;
  EXPECT_EQ(reg().QueryValueEx(scratch_, nullptr, &type, reinterpret_cast<std::uint8_t*>(data), &size),
            err::kSuccess);
  EXPECT_STREQ(data, "dflt");
  size = sizeof data;
  EXPECT_EQ(reg().QueryValueEx(scratch_, "", &type, reinterpret_cast<std::uint8_t*>(data), &size), err::kSuccess);
  EXPECT_EQ(type, regtype::kSz);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(ValueNames(scratch_), std::vector<std::string>{""});
  EXPECT_EQ(reg().DeleteValue(scratch_, ""), err::kSuccess);
  EXPECT_TRUE(ValueNames(scratch_).empty());
}

TEST_F(RegistryConformance, KeyNameBufferSizes) {
  reg().CloseKey(Create(scratch_, "abcde"));
  char name[16];
  std::memset(name, '#', sizeof name);
  std::uint32_t length = 5;  // no room for the terminator
  EXPECT_EQ(reg().EnumKeyEx(scratch_, 0, name, &length), err::kMoreData);
  length = 6;
  ASSERT_EQ(reg().EnumKeyEx(scratch_, 0, name, &length), err::kSuccess);
  EXPECT_EQ(length, 5u) << "the length comes back without the terminator";
  EXPECT_STREQ(name, "abcde");
  EXPECT_EQ(name[6], '#') << "nothing written past the terminator";
  EXPECT_EQ(reg().EnumKey(scratch_, 0, name, 5), err::kMoreData);
}

TEST_F(RegistryConformance, LongValueNamesAgainstA4096ByteBuffer) {
  for (std::size_t n : {4095u, 4096u, 5000u}) SetBytes(scratch_, std::string(n, 'n'), regtype::kDword, std::string(4, '\0'));
  std::vector<char> name(8192);
  std::vector<std::size_t> listed;
  std::vector<RegStatus> statuses;
  for (std::uint32_t i = 0; i < 3; ++i) {
    std::uint32_t length = 4096;
    RegStatus s = reg().EnumValue(scratch_, i, name.data(), &length, nullptr, nullptr, nullptr);
    statuses.push_back(s);
    if (s == err::kSuccess) listed.push_back(length);
  }
  std::uint32_t length = 4096;
  EXPECT_EQ(reg().EnumValue(scratch_, 3, name.data(), &length, nullptr, nullptr, nullptr), err::kNoMoreItems);
  if (!wine()) {
    // Creation order: 4095 fits with its terminator, 4096 and 5000 do not.
    EXPECT_EQ(statuses, (std::vector<RegStatus>{err::kSuccess, err::kMoreData, err::kMoreData}));
    EXPECT_EQ(listed, std::vector<std::size_t>{4095});
  } else {
    // Wine lists the names sorted; the 4095-byte one is the only one that fits.
    EXPECT_EQ(listed, std::vector<std::size_t>{4095});
  }
  std::uint32_t size = 4;
  std::uint32_t number = 7;
  EXPECT_EQ(reg().QueryValueEx(scratch_, std::string(5000, 'n').c_str(), nullptr,
                               reinterpret_cast<std::uint8_t*>(&number), &size),
            err::kSuccess);
  EXPECT_EQ(number, 0u);
}

TEST_F(RegistryConformance, DataSizesAndTheTooSmallBuffer) {
  SetBytes(scratch_, "big", regtype::kSz, std::string(4096, 'a'));
  SetBytes(scratch_, "bigger", regtype::kSz, std::string(4097, 'b'));
  std::vector<std::uint8_t> data(5000, '#');
  std::uint32_t size = 0, type = 0;
  EXPECT_EQ(reg().QueryValueEx(scratch_, "bigger", &type, nullptr, &size), err::kSuccess) << "size only";
  EXPECT_EQ(size, 4097u);
  size = 4096;
  EXPECT_EQ(reg().QueryValueEx(scratch_, "bigger", &type, data.data(), &size), err::kMoreData);
  EXPECT_EQ(size, 4097u) << "234 reports the size needed";
  size = 4096;
  ASSERT_EQ(reg().QueryValueEx(scratch_, "big", &type, data.data(), &size), err::kSuccess);
  EXPECT_EQ(size, 4096u) << "4096 bytes without a terminator fill the buffer exactly";
  EXPECT_EQ(data[4095], 'a');
  EXPECT_EQ(data[4096], '#') << "nothing written past the buffer";
}

TEST_F(RegistryConformance, StringsComeBackAsStored) {
  SetBytes(scratch_, "unterminated", regtype::kSz, "abc");
  SetBytes(scratch_, "zeros", regtype::kSz, std::string("a\0b\0", 4));
  SetBytes(scratch_, "empty", regtype::kSz, "");
  std::uint8_t data[16];
  std::memset(data, '#', sizeof data);
  std::uint32_t size = sizeof data, type = 0;
  ASSERT_EQ(reg().QueryValueEx(scratch_, "unterminated", &type, data, &size), err::kSuccess);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 3), "abc");
  size = sizeof data;
  ASSERT_EQ(reg().QueryValueEx(scratch_, "zeros", &type, data, &size), err::kSuccess);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 4), std::string("a\0b\0", 4));
  size = sizeof data;
  ASSERT_EQ(reg().QueryValueEx(scratch_, "empty", &type, data, &size), err::kSuccess);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(type, regtype::kSz);
}

TEST_F(RegistryConformance, AKeyWithSubkeysIsNotDeleted) {
  reg().CloseKey(Create(scratch_, "Parent\\Child"));
  EXPECT_EQ(reg().DeleteKey(scratch_, "Parent"), err::kAccessDenied);
  EXPECT_EQ(reg().DeleteKey(scratch_, "Parent\\Child"), err::kSuccess);
  EXPECT_EQ(reg().DeleteKey(scratch_, "Parent"), err::kSuccess);
  EXPECT_TRUE(SubkeyNames(scratch_).empty());
}

TEST_F(RegistryConformance, AHandleToADeletedKeyAnswers1018) {
  HKey key = Create(scratch_, "Doomed");
  ASSERT_EQ(reg().DeleteKey(scratch_, "Doomed"), err::kSuccess);
  char name[16];
  std::uint32_t length = sizeof name;
  EXPECT_EQ(reg().EnumKeyEx(key, 0, name, &length), err::kKeyDeleted);
  EXPECT_EQ(reg().CloseKey(key), err::kSuccess);
}

// A scanner opens key after key under one parent; each open answers for the
// tree as it is then, however the path is spelled.
TEST_F(RegistryConformance, OpensAnswerForTheTreeAsItIsNow) {
  const std::string path = std::string(kScratch) + "\\Id\\Server";
  auto open = [this](const std::string& p) {
    HKey key = 0;
    const RegStatus status = reg().OpenKeyEx(kCurrentUser, p.c_str(), 0, kKeyRead, &key);
    if (key) reg().CloseKey(key);
    return status;
  };
  reg().CloseKey(Create(scratch_, "Id\\Server"));
  EXPECT_EQ(open(path), err::kSuccess);
  EXPECT_EQ(open("SOFTWARE\\tidemarrowconformance\\ID\\server"), err::kSuccess);
  EXPECT_EQ(open(path + "\\"), err::kSuccess);
  ASSERT_EQ(reg().DeleteKey(scratch_, "Id\\Server"), err::kSuccess);
  EXPECT_EQ(open(path), err::kFileNotFound);
  EXPECT_EQ(open(std::string(kScratch) + "\\Id"), err::kSuccess);
  reg().CloseKey(Create(scratch_, "Id\\Server"));
  EXPECT_EQ(open(path), err::kSuccess);

  // Through HKEY_CLASSES_ROOT: a user's key made after an open of the
  // machine's is the one the next open finds (the user has classes already).
  reg().CloseKey(Create(kCurrentUser, kClassUser));
  const std::string shell = std::string(kClassBoth) + "\\Shell";
  HKey machine = Create(kLocalMachine, shell);
  SetBytes(machine, "", regtype::kSz, std::string("machine\0", 8));
  reg().CloseKey(machine);
  auto read = [this] {
    HKey key = 0;
    char data[16] = {};
    std::uint32_t size = sizeof data;
    if (reg().OpenKeyEx(kClassesRoot, "TidemarrowConformance.both\\Shell", 0, kKeyRead, &key) != err::kSuccess)
      return std::string("missing");
    reg().QueryValueEx(key, "", nullptr, reinterpret_cast<std::uint8_t*>(data), &size);
    reg().CloseKey(key);
    return std::string(data);
  };
  EXPECT_EQ(read(), "machine");
  HKey user = Create(kCurrentUser, shell);
  SetBytes(user, "", regtype::kSz, std::string("user\0", 5));
  reg().CloseKey(user);
  // Wine's HKEY_CLASSES_ROOT does not see the user's classes.
  EXPECT_EQ(read(), wine() ? "machine" : "user");
  ASSERT_EQ(reg().DeleteKey(kCurrentUser, shell.c_str()), err::kSuccess);
  EXPECT_EQ(read(), "machine");
}

TEST_F(RegistryConformance, ClassesRootMergesMachineAndUserClasses) {
  HKey m = Create(kLocalMachine, kClassMachine);
  HKey u = Create(kCurrentUser, kClassUser);
  HKey bm = Create(kLocalMachine, kClassBoth);
  HKey bu = Create(kCurrentUser, kClassBoth);
  SetBytes(bm, "", regtype::kSz, std::string("machine\0", 8));
  SetBytes(bu, "", regtype::kSz, std::string("user\0", 5));
  reg().CloseKey(Create(kLocalMachine, std::string(kClassBoth) + "\\FromMachine"));
  reg().CloseKey(Create(kCurrentUser, std::string(kClassBoth) + "\\FromUser"));
  for (HKey k : {m, u, bm, bu}) reg().CloseKey(k);

  HKey key = 0;
  EXPECT_EQ(reg().OpenKeyEx(kClassesRoot, "TidemarrowConformance.machine", 0, kKeyAllAccess, &key), err::kSuccess);
  reg().CloseKey(key);
  std::vector<std::string> listed;
  for (const auto& n : SubkeyNames(kClassesRoot))
    if (n.rfind("TidemarrowConformance.", 0) == 0) listed.push_back(n);
  RegStatus userOpen = reg().OpenKeyEx(kClassesRoot, "TidemarrowConformance.user", 0, kKeyAllAccess, &key);
  if (userOpen == err::kSuccess) reg().CloseKey(key);
  ASSERT_EQ(reg().OpenKeyEx(kClassesRoot, "TidemarrowConformance.both", 0, kKeyAllAccess, &key), err::kSuccess);
  char data[16] = {};
  std::uint32_t size = sizeof data;
  EXPECT_EQ(reg().QueryValueEx(key, "", nullptr, reinterpret_cast<std::uint8_t*>(data), &size), err::kSuccess);
  const std::vector<std::string> children = SubkeyNames(key);
  reg().CloseKey(key);

  if (wine()) {
    // Wine's HKEY_CLASSES_ROOT is HKLM\Software\Classes alone: the user's
    // classes are not seen through it.
    EXPECT_EQ(listed, (std::vector<std::string>{"TidemarrowConformance.both", "TidemarrowConformance.machine"}));
    EXPECT_EQ(userOpen, err::kFileNotFound);
    EXPECT_STREQ(data, "machine");
    EXPECT_EQ(children, std::vector<std::string>{"FromMachine"});
  } else {
    EXPECT_EQ(listed, (std::vector<std::string>{"TidemarrowConformance.both", "TidemarrowConformance.machine",
                                                "TidemarrowConformance.user"}));
    EXPECT_EQ(userOpen, err::kSuccess);
    EXPECT_STREQ(data, "user") << "the user's key wins";
    EXPECT_EQ(children, (std::vector<std::string>{"FromMachine", "FromUser"}));
  }
}

}  // namespace
