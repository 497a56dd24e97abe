#include <gtest/gtest.h>

#include "platform/codepage.h"

using namespace plat;

TEST(Codepage, EveryByteSurvivesTheTripThroughUnicode) {
  for (int b = 0; b < 256; ++b) {
    const char16_t u = UnicodeFromCp1252(static_cast<unsigned char>(b));
    EXPECT_EQ(Cp1252FromUnicode(u), b) << b;
  }
  EXPECT_EQ(UnicodeFromCp1252(0x80), u'\u20AC');
  EXPECT_EQ(Cp1252FromUnicode(u'\u4E2D'), '?');
  const std::string text = "Caf\xE9 \x80 na\xEFve";
  EXPECT_EQ(Cp1252FromUtf16(Utf16FromUtf8(Utf8FromUtf16(Utf16FromCp1252(text)))), text);
}

TEST(Codepage, NamesCompareWithWindowsUpperCasing) {
  EXPECT_TRUE(NamesEqual("Software", "SOFTWARE"));
  EXPECT_TRUE(NamesEqual("\xE9t\xE9", "\xC9T\xC9")) << "accented letters fold too";
  EXPECT_TRUE(NamesEqual("\x9A", "\x8A")) << "s caron";
  EXPECT_FALSE(NamesEqual("a", "b"));
  EXPECT_FALSE(NamesEqual("abc", "ab"));
  EXPECT_LT(FoldName("Zeta"), FoldName("_x")) << "'_' sorts after the letters once upper-cased";
  EXPECT_EQ(LowerAscii("APP.EXE \xC9"), "app.exe \xC9") << "lower-casing is ASCII only";
}
