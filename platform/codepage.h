// The system code page (Windows-1252) and Windows' case folding. Registry
// names are compared the way the registry compares them: both sides mapped
// to Unicode and upper-cased character by character (not ASCII-only).
#pragma once

#include <string>
#include <string_view>

namespace plat {

char16_t UnicodeFromCp1252(unsigned char c);
// The Windows-1252 byte for a Unicode character; '?' when it has none.
// The five bytes Windows-1252 leaves undefined map to U+0081 etc. and back.
unsigned char Cp1252FromUnicode(char16_t c);
// Upper-cases as Windows compares names. Inline for the ASCII names nearly
// every key has: each name is upper-cased as it is compared and hashed.
char16_t UpcaseBeyondAscii(char16_t c);
inline char16_t UpcaseUnicode(char16_t c) {
  if (c < 0x80) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c;
  return UpcaseBeyondAscii(c);
}

std::u16string Utf16FromCp1252(std::string_view text);
std::string Cp1252FromUtf16(std::u16string_view text);
// The same into a caller's buffer (names listed by the thousand): the
// length in code-page bytes, then the bytes, which need that many chars.
std::size_t Cp1252Length(std::u16string_view text);
void Cp1252Into(std::u16string_view text, char* out);
// The same into a buffer of `capacity` bytes, with a terminating zero: the
// length written, or, writing nothing, the length it needs when that leaves
// no room for the zero.
std::size_t Cp1252IntoBuffer(std::u16string_view text, char* out, std::size_t capacity);
std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);

// The upper-cased Unicode form used to order and compare registry names.
std::u16string FoldName(std::string_view cp1252Name);
// The same into a buffer the caller keeps, for look-ups made by the million.
void FoldNameInto(std::string_view cp1252Name, std::u16string& out);
bool NamesEqual(std::string_view a, std::string_view b);
std::u16string FoldUtf16(std::u16string_view text);

// ASCII lower-casing of single-byte text.
std::string LowerAscii(std::string_view text);
// Whether every byte is ASCII: such text is the same in the code page, in
// UTF-8 and on the host.
bool IsAscii(std::string_view text);

}  // namespace plat
