// Writing the registry as a registry text file (reading one: reg_text.cpp).
#include "platform/memory/reg_text.h"

#include <cstdio>
#include <vector>

#include "platform/codepage.h"

namespace plat::memory {
namespace {

std::string Utf16BytesFromAnsi(const std::string& text) {
  std::string out;
  for (char16_t c : Utf16FromCp1252(text)) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

std::string EscapeQuoted(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

void AppendHex(std::string& out, std::string prefix, const std::string& data) {
  std::string line = std::move(prefix);
  char byte[4];
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(data[i]));
    line += byte;
    if (i + 1 < data.size()) {
      line += ',';
      if (line.size() >= 76) {
        out += line + "\\\r\n";
        line = "  ";
      }
    }
  }
  out += line + "\r\n";
}

void ExportValue(std::string& out, const std::string& name, std::uint32_t type, const std::string& data,
                 RegTextEncoding encoding) {
  std::string lead = name.empty() ? "@=" : "\"" + EscapeQuoted(name) + "\"=";
  if (type == regtype::kSz && !data.empty() && data.back() == '\0' &&
      data.find_first_of(std::string("\0\r\n", 3)) == data.size() - 1) {
    out += lead + "\"" + EscapeQuoted(data.substr(0, data.size() - 1)) + "\"\r\n";
  } else if (type == regtype::kDword && data.size() == 4) {
    std::uint32_t n = 0;
    for (int b = 3; b >= 0; --b) n = (n << 8) | static_cast<unsigned char>(data[b]);
    char text[16];
    std::snprintf(text, sizeof text, "%08x", n);
    out += lead + "dword:" + text + "\r\n";
  } else if (type == regtype::kBinary) {
    AppendHex(out, lead + "hex:", data);
  } else {
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", type);
    const bool wide = encoding == RegTextEncoding::kUtf16 && regtype::IsString(type);
    AppendHex(out, lead + prefix, wide ? Utf16BytesFromAnsi(data) : data);
  }
}

}  // namespace

bool ExportRegText(IRegistry& registry, RegTextEncoding encoding, std::string& result, std::string& error) {
  std::string out = std::string(kRegTextHeader5) + "\r\n";
  auto unwritable = [&](const std::string& what, const std::string& name) {
    if (name.find_first_of("\r\n") == std::string::npos) return false;
    error = what + " \"" + name + "\" holds a line end, which a registry file cannot hold";
    return true;
  };
  const std::pair<HKey, const char*> hives[] = {{kLocalMachine, "HKEY_LOCAL_MACHINE"},
                                               {kCurrentUser, "HKEY_CURRENT_USER"}};
  std::vector<std::uint8_t> data(1 << 16);
  char name[16384];
  for (const auto& [hive, hiveName] : hives) {
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
      std::string path = std::move(pending.back());
      pending.pop_back();
      HKey key = 0;
      if (registry.OpenKeyEx(hive, path.c_str(), 0, kKeyRead, &key) != err::kSuccess) continue;
      std::string block = "\r\n[" + std::string(hiveName) + (path.empty() ? "" : "\\" + path) + "]\r\n";
      bool hasValues = false;
      for (std::uint32_t i = 0;; ++i) {
        std::uint32_t nameLength = sizeof name, type = 0, size = static_cast<std::uint32_t>(data.size());
        RegStatus s = registry.EnumValue(key, i, name, &nameLength, &type, data.data(), &size);
        if (s == err::kMoreData) {
          data.resize(size + 1);
          --i;
          continue;
        }
        if (s != err::kSuccess) break;
        hasValues = true;
        if (unwritable("value name", std::string(name, nameLength))) {
          registry.CloseKey(key);
          return false;
        }
        ExportValue(block, std::string(name, nameLength), type,
                    std::string(reinterpret_cast<const char*>(data.data()), size), encoding);
      }
      if (!path.empty() || hasValues) out += block;
      std::vector<std::string> children;
      for (std::uint32_t i = 0;; ++i) {
        std::uint32_t length = sizeof name;
        if (registry.EnumKeyEx(key, i, name, &length) != err::kSuccess) break;
        if (unwritable("key name", std::string(name, length))) {
          registry.CloseKey(key);
          return false;
        }
        children.push_back(path.empty() ? std::string(name, length) : path + "\\" + std::string(name, length));
      }
      registry.CloseKey(key);
      for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
    }
  }
  if (encoding == RegTextEncoding::kAnsi) {
    result = std::move(out);
    return true;
  }
  std::string wide = "\xFF\xFE";
  for (char16_t c : Utf16FromCp1252(out)) {
    wide.push_back(static_cast<char>(c & 0xFF));
    wide.push_back(static_cast<char>(c >> 8));
  }
  result = std::move(wide);
  return true;
}

}  // namespace plat::memory
