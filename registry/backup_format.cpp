#include "registry/backup_format.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint32_t kSz = 1, kBinary = 3, kDword = 4;

bool HasLineEnd(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

std::string Escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

void AppendHex(std::string& out, unsigned value, bool twoDigits) {
  char text[16];
  std::snprintf(text, sizeof text, twoDigits ? "%02x" : "%x", value);
  out += text;
}

void AppendBytes(std::string& out, const std::string& bytes, bool twoDigits) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i) out += ',';
    AppendHex(out, static_cast<unsigned char>(bytes[i]), twoDigits);
  }
}

// A REG_SZ the quoted form gives back exactly: text without zero bytes or
// line ends, followed by one terminator.
bool IsPlainString(const std::string& data) {
  return !data.empty() && data.back() == '\0' && data.find('\0') == data.size() - 1 && !HasLineEnd(data);
}

// Reads a quoted text with \\ and \" escapes from line[pos] (the opening
// quote); pos ends after the closing quote.
bool ReadQuoted(const std::string& line, std::size_t& pos, std::string& text) {
  if (pos >= line.size() || line[pos] != '"') return false;
  text.clear();
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c == '\\') {
      if (++pos >= line.size() || (line[pos] != '\\' && line[pos] != '"')) return false;
      c = line[pos];
    }
    text += c;
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Lower-case hexadecimal numbers of 1 to maxDigits digits, separated by commas.
bool ReadHexList(const std::string& text, std::size_t maxDigits, std::string& bytes) {
  bytes.clear();
  if (text.empty()) return true;
  std::size_t pos = 0;
  for (;;) {
    unsigned value = 0;
    std::size_t digits = 0;
    for (; pos < text.size() && HexDigit(text[pos]) >= 0; ++pos, ++digits) value = value * 16 + HexDigit(text[pos]);
    if (digits == 0 || digits > maxDigits || value > 0xFF) return false;
    bytes += static_cast<char>(value);
    if (pos == text.size()) return true;
    if (text[pos++] != ',') return false;
  }
}

bool ParseValueLine(const std::string& line, ExactValue& value) {
  std::size_t pos = 0;
  value = ExactValue{};
  if (line.compare(0, 2, "@=") == 0) {
    pos = 1;
  } else if (!ReadQuoted(line, pos, value.name)) {
    return false;
  }
  if (pos >= line.size() || line[pos++] != '=') return false;
  const std::string rest = line.substr(pos);
  if (!rest.empty() && rest[0] == '"') {
    std::size_t p = 0;
    if (!ReadQuoted(rest, p, value.data) || p != rest.size()) return false;
    if (value.data.find('\0') != std::string::npos) return false;
    value.type = kSz;
    value.data += '\0';
    return true;
  }
  if (rest.compare(0, 7, "dword: ") == 0) {
    const std::string digits = rest.substr(7);
    if (digits.empty() || digits.size() > 8) return false;
    std::uint32_t number = 0;
    for (char c : digits) {
      if (HexDigit(c) < 0) return false;
      number = number * 16 + HexDigit(c);
    }
    value.type = kDword;
    value.data.assign(reinterpret_cast<const char*>(&number), 4);
    return true;
  }
  if (rest.compare(0, 5, "hex: ") == 0) {
    value.type = kBinary;
    return ReadHexList(rest.substr(5), 2, value.data);
  }
  if (rest.compare(0, 4, "hex(") == 0) {
    const std::size_t close = rest.find("):");
    if (close == std::string::npos || close == 4 || close > 12) return false;
    std::uint32_t type = 0;
    for (std::size_t i = 4; i < close; ++i) {
      if (HexDigit(rest[i]) < 0) return false;
      type = type * 16 + HexDigit(rest[i]);
    }
    value.type = type;
    return ReadHexList(rest.substr(close + 2), 2, value.data);
  }
  return false;
}

}  // namespace

bool FormatValueLine(const ExactValue& value, std::string& line, std::string& reason) {
  if (HasLineEnd(value.name)) {
    reason = "its value name holds a line end, which no line of a backup file can carry";
    return false;
  }
  const std::string name = value.name.empty() ? "@" : "\"" + Escaped(value.name) + "\"";
  line.clear();
  if (value.type == kSz && IsPlainString(value.data)) {
    line = name + "=\"" + Escaped(value.data.substr(0, value.data.size() - 1)) + "\"";
  } else if (value.type == kDword && value.data.size() == 4) {
    std::uint32_t number = 0;
    std::memcpy(&number, value.data.data(), 4);
    // The unnamed value keeps its empty quotes in the plain number and
    // binary forms, as the registry editor writes them.
    line = (value.name.empty() ? "\"\"" : name) + "=dword: ";
    AppendHex(line, number, false);
  } else if (value.type == kBinary) {
    line = (value.name.empty() ? "\"\"" : name) + "=hex: ";
    AppendBytes(line, value.data, false);
  } else {
    line = name + "=hex(";
    AppendHex(line, value.type, false);
    line += "):";
    AppendBytes(line, value.data, true);
  }
  line += "\r\n";
  return true;
}

bool FormatKeyLine(const std::string& hiveName, const std::string& path, std::string& text, std::string& reason) {
  if (HasLineEnd(path)) {
    reason = "its key name holds a line end, which no key line of a backup file can carry";
    return false;
  }
  text = "\r\n[" + hiveName + "\\" + path + "]\r\n";
  return true;
}

bool FormatBlocks(const std::vector<BackupBlock>& blocks, std::string& text, std::string& reason) {
  std::string line;
  for (const auto& b : blocks) {
    if (!FormatKeyLine(b.hiveName, b.path, line, reason)) return false;
    text += line;
    if (b.value) {
      if (!FormatValueLine(*b.value, line, reason)) return false;
      text += line;
    }
  }
  return true;
}

bool ParseBackupBlocks(const std::string& text, std::vector<BackupBlock>& blocks, std::string& reason) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      reason = "line " + std::to_string(lines.size() + 1) + " has no line end";
      return false;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  for (std::size_t i = 0; i < lines.size();) {
    const std::string at = "line " + std::to_string(i + 1);
    if (!lines[i].empty() || i + 1 >= lines.size()) {
      reason = at + ": expected an empty line before a key line";
      return false;
    }
    const std::string& keyLine = lines[i + 1];
    const std::size_t slash = keyLine.find('\\');
    if (keyLine.size() < 3 || keyLine.front() != '[' || keyLine.back() != ']' || slash == std::string::npos) {
      reason = "line " + std::to_string(i + 2) + ": expected [HIVE\\path]";
      return false;
    }
    BackupBlock block;
    block.hiveName = keyLine.substr(1, slash - 1);
    block.path = keyLine.substr(slash + 1, keyLine.size() - slash - 2);
    i += 2;
    if (i < lines.size() && !lines[i].empty()) {
      ExactValue value;
      if (!ParseValueLine(lines[i], value)) {
        reason = "line " + std::to_string(i + 1) + ": not a value line of a backup";
        return false;
      }
      block.value = std::move(value);
      ++i;
    }
    blocks.push_back(std::move(block));
  }
  return true;
}

std::size_t WholeLinesLength(const std::string& file) {
  const std::size_t last = file.rfind("\r\n");
  return last == std::string::npos ? 0 : last + 2;
}
