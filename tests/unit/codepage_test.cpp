#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

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

TEST(Codepage, NamesGoIntoABufferWhole_OrNotAtAll) {
  // As a name enumerated into a caller's buffer: the bytes and a zero when
  // they fit, nothing written when they do not; a surrogate pair is one '?'.
  char buffer[8];
  const auto into = [&buffer](std::u16string_view text, std::size_t capacity) {
    std::fill(std::begin(buffer), std::end(buffer), '#');
    return plat::Cp1252IntoBuffer(text, buffer, capacity);
  };
  EXPECT_EQ(into(u"abc", 4), 3u);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(into(u"abcd", 4), 4u) << "no room for the zero";
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(into(u"\u00e9t\u20ac", 4), 3u);
  EXPECT_STREQ(buffer, "\xE9t\x80");
  EXPECT_EQ(into(u"a\U0001F600b\U0001F600", 5), 4u) << "six units, four bytes";
  EXPECT_STREQ(buffer, "a?b?");
  EXPECT_EQ(into(u"a\U0001F600bc\U0001F600", 5), 5u);
  EXPECT_EQ(buffer[0], '#');
}
