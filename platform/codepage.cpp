#include "platform/codepage.h"

#include <type_traits>

namespace plat {
namespace {

// Windows-1252 bytes 0x80-0x9F; the undefined ones map to themselves.
constexpr char16_t kHighTable[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// Whether every unit is below `limit`, a power of two: the units' bits
// together say so without a branch per unit.
template <typename Unit>
bool AllBelow(std::basic_string_view<Unit> text, unsigned limit) {
  unsigned bits = 0;
  for (const Unit c : text) bits |= static_cast<std::make_unsigned_t<Unit>>(c);
  return bits < limit;
}

}  // namespace

char16_t UnicodeFromCp1252(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) return kHighTable[c - 0x80];
  return c;
}

unsigned char Cp1252FromUnicode(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHighTable[i] == c) return static_cast<unsigned char>(0x80 + i);
  return '?';
}

char16_t UpcaseBeyondAscii(char16_t c) {
  if (c < 0xE0) return c;  // no small letter below
  if (c <= 0xFE && c != 0xF7) return c - 0x20;
  switch (c) {
    case 0xFF: return 0x178;
    case 0x161: return 0x160;
    case 0x153: return 0x152;
    case 0x17E: return 0x17D;
    default: break;
  }
  // Latin Extended-A pairs a capital with the small letter after it.
  if ((c >= 0x101 && c <= 0x137 && (c & 1)) || (c >= 0x13A && c <= 0x148 && !(c & 1)) ||
      (c >= 0x14B && c <= 0x177 && (c & 1)) || (c >= 0x17A && c <= 0x17E && !(c & 1)))
    return c - 1;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

std::u16string Utf16FromCp1252(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (unsigned char c : text) out.push_back(UnicodeFromCp1252(c));
  return out;
}

std::size_t Cp1252Length(std::u16string_view text) {
  // Nearly every name and string has no unit from the surrogates up: one
  // pass the compiler can make many units at a time says so.
  if (AllBelow(text, 0xD800)) return text.size();
  std::size_t length = text.size();
  // A surrogate pair becomes one '?'.
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    if (IsHighSurrogate(text[i])) {
      --length;
      ++i;
    }
  return length;
}

void Cp1252Into(std::u16string_view text, char* out) {
  if (AllBelow(text, 0x80)) {
    for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(text[i]);
    return;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size()) ++i;
    *out++ = static_cast<char>(Cp1252FromUnicode(c));
  }
}

std::size_t Cp1252IntoBuffer(std::u16string_view text, char* out, std::size_t capacity) {
  if (text.size() < capacity) {
    // Room for every unit as a byte: copied as ASCII while finding out
    // whether it is, one pass for nearly every name.
    unsigned bits = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      bits |= text[i];
      out[i] = static_cast<char>(text[i]);
    }
    if (bits >= 0x80) Cp1252Into(text, out);
    const std::size_t length = bits < 0x80 ? text.size() : Cp1252Length(text);
    out[length] = '\0';
    return length;
  }
  const std::size_t length = Cp1252Length(text);
  if (length >= capacity) return length;
  Cp1252Into(text, out);
  out[length] = '\0';
  return length;
}

std::string Cp1252FromUtf16(std::u16string_view text) {
  std::string out(Cp1252Length(text), '\0');
  Cp1252Into(text, out.data());
  return out;
}

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
      cp = ((c & 0x1F) << 6) | (text[i + 1] & 0x3F);
      len = 2;
    } else if ((c & 0xF0) == 0xE0 && i + 2 < text.size()) {
      cp = ((c & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
      len = 3;
    } else if ((c & 0xF8) == 0xF0 && i + 3 < text.size()) {
      cp = ((c & 0x07) << 18) | ((text[i + 1] & 0x3F) << 12) | ((text[i + 2] & 0x3F) << 6) |
           (text[i + 3] & 0x3F);
      len = 4;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::u16string FoldName(std::string_view cp1252Name) {
  std::u16string out;
  FoldNameInto(cp1252Name, out);
  return out;
}

void FoldNameInto(std::string_view cp1252Name, std::u16string& out) {
  out.resize(cp1252Name.size());
  // Nearly every name a scan opens is ASCII: upper-cased many at a time.
  if (AllBelow(cp1252Name, 0x80)) {
    for (std::size_t i = 0; i < cp1252Name.size(); ++i) {
      const char c = cp1252Name[i];
      out[i] = static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - 0x20 : c);
    }
    return;
  }
  for (std::size_t i = 0; i < cp1252Name.size(); ++i) {
    const auto c = static_cast<unsigned char>(cp1252Name[i]);
    out[i] = c < 0x80 ? UpcaseUnicode(c) : UpcaseUnicode(UnicodeFromCp1252(c));
  }
}

std::u16string FoldUtf16(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = UpcaseUnicode(c);
  return out;
}

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    if (UpcaseUnicode(UnicodeFromCp1252(static_cast<unsigned char>(a[i]))) !=
        UpcaseUnicode(UnicodeFromCp1252(static_cast<unsigned char>(b[i]))))
      return false;
  }
  return true;
}

bool IsAscii(std::string_view text) { return AllBelow(text, 0x80); }

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (auto& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

}  // namespace plat
