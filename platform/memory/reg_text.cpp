#include "platform/memory/reg_text.h"

#include <cstring>
#include <string_view>

#include "platform/codepage.h"
#include "platform/registry_tree.h"

namespace plat::memory {
namespace {


// The file is read in one pass over views of its decoded text: no line, and
// no part of one, is copied until it becomes a name or data.
std::string_view Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

bool StartsWithNoCase(std::string_view s, std::size_t at, const char* prefix) {
  const std::size_t n = std::strlen(prefix);
  if (at > s.size() || s.size() - at < n) return false;
  for (std::size_t k = 0; k < n; ++k) {
    char c = s[at + k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != prefix[k]) return false;
  }
  return true;
}

RegTextResult Fail(int line, std::string reason) {
  RegTextResult r;
  r.ok = false;
  r.line = line;
  r.reason = std::move(reason);
  return r;
}

// The file's text in the code page, into `text`; false when the bytes are
// that text already (a code-page file without a byte-order mark), so that
// they are not copied.
bool DecodeText(const std::string& bytes, RegTextEncoding& encoding, std::string& text) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    encoding = RegTextEncoding::kUtf16;
    // Straight to the code page, one pass, as Cp1252FromUtf16 spells it (a
    // surrogate pair is one '?').
    auto unit = [&bytes](std::size_t i) {
      return static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    text.clear();
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const char16_t c = unit(i);
      if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) i += 2;
      text.push_back(static_cast<char>(Cp1252FromUnicode(c)));
    }
    return true;
  }
  encoding = RegTextEncoding::kAnsi;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text = Cp1252FromUtf16(Utf16FromUtf8(std::string_view(bytes).substr(3)));
    return true;
  }
  return false;
}

// The file's lines one by one (CR LF or LF; a last line that is empty is
// not one), numbered from 1.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (start_ > text_.size()) return false;
    std::size_t end = text_.find('\n', start_);
    const bool last = end == std::string_view::npos;
    if (last) end = text_.size();
    line = text_.substr(start_, end - start_);
    start_ = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (last && line.empty()) return false;
    ++number_;
    return true;
  }
  int Number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t start_ = 0;
  int number_ = 0;
};

bool ParseHive(std::string_view name, HKey& hive) {
  std::string upper(name);
  for (auto& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  if (upper == "HKEY_LOCAL_MACHINE" || upper == "HKLM") hive = kLocalMachine;
  else if (upper == "HKEY_CURRENT_USER" || upper == "HKCU") hive = kCurrentUser;
  else if (upper == "HKEY_CLASSES_ROOT" || upper == "HKCR") hive = kClassesRoot;
  else return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted text starting at s[pos] == '"'; on success pos is past the
// closing quote.
bool ReadQuoted(std::string_view s, std::size_t& pos, std::string& out) {
  ++pos;
  while (pos < s.size()) {
    char c = s[pos++];
    if (c == '"') return true;
    if (c == '\\' && pos < s.size()) {
      char n = s[pos++];
      if (n == '\\' || n == '"') {
        out.push_back(n);
      } else {
        out.push_back('\\');
        out.push_back(n);
      }
    } else {
      out.push_back(c);
    }
  }
  return false;
}

bool ParseHexBytes(std::string_view text, std::string& out) {
  std::size_t i = 0;
  bool expectByte = true;
  while (i < text.size()) {
    char c = text[i];
    if (c == ' ' || c == '\t') {
      ++i;
      continue;
    }
    if (expectByte) {
      int hi = HexDigit(c);
      if (hi < 0) return false;
      int value = hi;
      ++i;
      if (i < text.size() && HexDigit(text[i]) >= 0) value = value * 16 + HexDigit(text[i++]);
      out.push_back(static_cast<char>(value));
      expectByte = false;
    } else {
      if (c != ',') return false;
      ++i;
      expectByte = true;
    }
  }
  return expectByte ? out.empty() : true;
}

std::string AnsiFromUtf16Bytes(const std::string& bytes) {
  std::u16string wide;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return Cp1252FromUtf16(wide);
}

}  // namespace

std::string RegTextResult::Message() const {
  if (ok) return "ok";
  if (line > 0) return "line " + std::to_string(line) + ": " + reason;
  return reason;
}

namespace {

// Where the parser hands each operation as soon as it is read.
class OpSink {
 public:
  virtual ~OpSink() = default;
  // A key line, [hive\path] or [-hive\path] (`op` kKey or kDeleteKey); the
  // values that follow it are its own and carry its `key` number. The path
  // is a view of the file's text.
  virtual RegTextResult Key(HKey hive, std::string_view path, RegTextOp&& op) = 0;
  virtual RegTextResult Value(RegTextOp&& op) = 0;
};

// Fails at the first fault; otherwise every operation has gone to `sink`
// in the file's order.
RegTextResult ParseDecoded(std::string_view text, RegTextEncoding encoding, bool& version5, OpSink& sink) {
  Lines lines(text);
  std::string_view line;
  bool more = lines.Next(line);
  while (more && Trim(line).empty()) more = lines.Next(line);
  if (!more) return Fail(1, "expected \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\", found an empty file");
  const std::string_view header = Trim(line);
  if (header == kRegTextHeader5) version5 = true;
  else if (header == kRegTextHeader4) version5 = false;
  else return Fail(lines.Number(), "expected \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"");

  enum { kNoKey, kInKey, kInDeletedKey } state = kNoKey;
  HKey hive = 0;
  std::size_t keys = 0;
  while (lines.Next(line)) {
    const int lineNo = lines.Number();
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']') return Fail(lineNo, "expected \"]\" at the end of the key line");
      std::string_view name = line.substr(1, line.size() - 2);
      bool remove = !name.empty() && name[0] == '-';
      if (remove) name.remove_prefix(1);
      std::size_t slash = name.find('\\');
      std::string_view hiveName = name.substr(0, slash);
      if (!ParseHive(hiveName, hive))
        return Fail(lineNo, "expected HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_CLASSES_ROOT, found \"" +
                                std::string(hiveName) + "\"");
      std::string_view path = slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
      while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
      std::size_t start = 0, depth = 0;
      while (start <= path.size() && !path.empty()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end == start) return Fail(lineNo, "expected a key name between two backslashes");
        if (end - start > kMaxKeyNameLength)
          return Fail(lineNo, "expected a key name of at most 255 characters");
        if (++depth > kMaxKeyDepth) return Fail(lineNo, "expected a key at most 512 levels below its hive");
        start = end + 1;
        if (end == path.size()) break;
      }
      if (remove && path.empty()) return Fail(lineNo, "expected a key below the hive to delete");
      // The registry calls take names as C strings: a NUL would silently name
      // another key (the hive itself, for a delete).
      if (path.find('\0') != std::string_view::npos) return Fail(lineNo, "expected a key name without a NUL character");
      const RegTextOp::Kind kind = remove ? RegTextOp::kDeleteKey : RegTextOp::kKey;
      RegTextResult handed = sink.Key(hive, path, RegTextOp{kind, keys++, "", 0, ""});
      if (!handed.ok) return handed;
      state = remove ? kInDeletedKey : kInKey;
      continue;
    }
    if (state == kNoKey) return Fail(lineNo, "expected a key line \"[...]\" before the first value");
    RegTextOp op{RegTextOp::kValue, keys - 1, "", 0, ""};
    std::size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      if (!ReadQuoted(line, pos, op.name)) return Fail(lineNo, "expected the closing quote of the value name");
      if (op.name.find('\0') != std::string::npos) return Fail(lineNo, "expected a value name without a NUL character");
    } else {
      return Fail(lineNo, "expected a value line beginning with \" or @, or a key line beginning with [");
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') return Fail(lineNo, "expected \"=\" after the value name");
    ++pos;
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos < line.size() && line[pos] == '"') {
      std::string text;
      if (!ReadQuoted(line, pos, text)) return Fail(lineNo, "expected the closing quote of the value data");
      if (!Trim(line.substr(pos)).empty()) return Fail(lineNo, "expected the end of the line after the quoted data");
      op.type = regtype::kSz;
      op.data = std::move(text);
      op.data.push_back('\0');
    } else if (line.substr(pos) == "-") {
      op.kind = RegTextOp::kDeleteValue;
    } else if (StartsWithNoCase(line, pos, "dword:")) {
      const std::string_view digits = Trim(line.substr(pos + 6));
      if (digits.empty() || digits.size() > 8) return Fail(lineNo, "expected 1 to 8 hexadecimal digits after \"dword:\"");
      std::uint32_t number = 0;
      for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0) return Fail(lineNo, "expected 1 to 8 hexadecimal digits after \"dword:\"");
        number = number * 16 + static_cast<std::uint32_t>(d);
      }
      op.type = regtype::kDword;
      for (int b = 0; b < 4; ++b) op.data.push_back(static_cast<char>((number >> (8 * b)) & 0xFF));
    } else if (StartsWithNoCase(line, pos, "hex")) {
      pos += 3;
      op.type = regtype::kBinary;
      if (pos < line.size() && line[pos] == '(') {
        std::size_t close = line.find(')', pos);
        if (close == std::string::npos || close == pos + 1 || close - pos > 9)
          return Fail(lineNo, "expected a hexadecimal type number in \"hex(...)\"");
        std::uint32_t type = 0;
        for (std::size_t k = pos + 1; k < close; ++k) {
          int d = HexDigit(line[k]);
          if (d < 0) return Fail(lineNo, "expected a hexadecimal type number in \"hex(...)\"");
          type = type * 16 + static_cast<std::uint32_t>(d);
        }
        op.type = type;
        pos = close + 1;
      }
      if (pos >= line.size() || line[pos] != ':') return Fail(lineNo, "expected \":\" after \"hex\"");
      std::string hex(line.substr(pos + 1));
      while (!hex.empty() && Trim(hex).back() == '\\') {
        hex = std::string(Trim(hex));
        hex.pop_back();
        std::string_view next;
        if (!lines.Next(next)) return Fail(lineNo, "expected a continuation line after \"\\\"");
        hex += Trim(next);
      }
      if (!ParseHexBytes(Trim(hex), op.data))
        return Fail(lineNo, "expected bytes as two hexadecimal digits separated by commas");
      // The bytes of string types are in the file's own encoding: what a
      // UTF-16 file holds goes to the registry as UTF-16 (the "W" calls),
      // what an 8-bit file holds as code-page text (the "A" calls).
      if (encoding == RegTextEncoding::kUtf16 && regtype::IsString(op.type) && op.data.size() % 2 == 0)
        op.data = AnsiFromUtf16Bytes(op.data);
    } else {
      return Fail(lineNo, "expected a quoted string, dword:, hex:, hex(n): or - after \"=\"");
    }
    if (state == kInDeletedKey) continue;
    RegTextResult handed = sink.Value(std::move(op));
    if (!handed.ok) return handed;
  }
  return RegTextResult{};
}

// Keeps every operation, to be applied once the whole file has parsed.
class Collect final : public OpSink {
 public:
  explicit Collect(ParsedRegText& parsed) : parsed_(parsed) {}
  RegTextResult Key(HKey hive, std::string_view path, RegTextOp&& op) override {
    parsed_.keys.push_back(RegTextKey{hive, std::string(path)});
    parsed_.ops.push_back(std::move(op));
    return RegTextResult{};
  }
  RegTextResult Value(RegTextOp&& op) override {
    parsed_.ops.push_back(std::move(op));
    return RegTextResult{};
  }

 private:
  ParsedRegText& parsed_;
};

// Carries operations out one at a time, keeping the key they follow open.
class Applier {
 public:
  explicit Applier(IRegistry& registry) : registry_(registry) {}
  ~Applier() { CloseOpen(); }
  Applier(const Applier&) = delete;
  Applier& operator=(const Applier&) = delete;

  // The operations of one key line follow it and carry its number.
  RegTextResult Do(HKey hive, const std::string& path, const RegTextOp& op) {
    if (op.kind == RegTextOp::kDeleteKey) {
      CloseOpen();
      DeleteTree(registry_, hive, path);
      return RegTextResult{};
    }
    if (!open_ || openKey_ != op.key) {
      CloseOpen();
      RegStatus s = registry_.CreateKeyEx(hive, path.c_str(), &open_);
      if (s != err::kSuccess) {
        open_ = 0;
        if (op.kind == RegTextOp::kDeleteValue) return RegTextResult{};
        return Fail(0, "cannot create key \"" + path + "\" (error " + std::to_string(s) + ")");
      }
      openKey_ = op.key;
    }
    if (op.kind == RegTextOp::kValue) {
      RegStatus s = registry_.SetValueEx(open_, op.name.c_str(), op.type,
                                         reinterpret_cast<const std::uint8_t*>(op.data.data()),
                                         static_cast<std::uint32_t>(op.data.size()));
      if (s != err::kSuccess) {
        CloseOpen();
        return Fail(0, "cannot write value \"" + op.name + "\" of \"" + path + "\" (error " + std::to_string(s) + ")");
      }
    } else if (op.kind == RegTextOp::kDeleteValue) {
      registry_.DeleteValue(open_, op.name.c_str());
    }
    return RegTextResult{};
  }

 private:
  void CloseOpen() {
    if (open_) registry_.CloseKey(open_);
    open_ = 0;
  }
  IRegistry& registry_;
  HKey open_ = 0;
  std::size_t openKey_ = 0;
};

// Applies each operation as it is read: nothing of the file is held but
// its text.
class ApplyAsRead final : public OpSink {
 public:
  explicit ApplyAsRead(IRegistry& registry) : applier_(registry) {}
  RegTextResult Key(HKey hive, std::string_view path, RegTextOp&& op) override {
    hive_ = hive;
    path_.assign(path);
    return applier_.Do(hive_, path_, op);
  }
  RegTextResult Value(RegTextOp&& op) override { return applier_.Do(hive_, path_, op); }

 private:
  Applier applier_;
  HKey hive_ = 0;
  std::string path_;
};

}  // namespace

RegTextResult ParseRegText(const std::string& bytes, ParsedRegText& out) {
  ParsedRegText parsed;
  std::string text;
  const bool decoded = DecodeText(bytes, parsed.encoding, text);
  Collect collect(parsed);
  RegTextResult r = ParseDecoded(decoded ? text : bytes, parsed.encoding, parsed.version5, collect);
  if (r.ok) out = std::move(parsed);
  return r;
}

RegTextResult ApplyRegText(const ParsedRegText& parsed, IRegistry& registry) {
  Applier applier(registry);
  for (const RegTextOp& op : parsed.ops) {
    const RegTextKey& key = parsed.keys[op.key];
    RegTextResult r = applier.Do(key.hive, key.path, op);
    if (!r.ok) return r;
  }
  return RegTextResult{};
}

RegTextResult LoadRegText(std::string&& bytes, IRegistry& empty, RegTextEncoding& encoding) {
  std::string text;
  if (DecodeText(bytes, encoding, text))
    std::string().swap(bytes);  // a UTF-16 file is twice its text: not held beside it
  else
    text = std::move(bytes);
  bool version5 = true;
  ApplyAsRead apply(empty);
  return ParseDecoded(text, encoding, version5, apply);
}

RegTextResult ImportRegText(const std::string& bytes, IRegistry& registry, RegTextEncoding* encoding) {
  ParsedRegText parsed;
  RegTextResult r = ParseRegText(bytes, parsed);
  if (!r.ok) return r;
  if (encoding) *encoding = parsed.encoding;
  return ApplyRegText(parsed, registry);
}

}  // namespace plat::memory
