// Registry text files as the registry editor writes and imports them:
// "Windows Registry Editor Version 5.00" (UTF-16LE with a byte-order mark, or
// 8-bit) and "REGEDIT4". A file is parsed whole before anything is applied,
// so a malformed file changes nothing. The hex bytes of string values
// (hex(1), hex(2), hex(7)) are in the file's encoding, as the registry tools
// read them: UTF-16LE in a UTF-16 file, code-page text in an 8-bit one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace plat::memory {

enum class RegTextEncoding { kUtf16, kAnsi };

// The first line of a file, by version.
inline constexpr const char* kRegTextHeader5 = "Windows Registry Editor Version 5.00";
inline constexpr const char* kRegTextHeader4 = "REGEDIT4";

struct RegTextResult {
  bool ok = true;
  int line = 0;        // 1-based line of the fault, 0 when not about a line
  std::string reason;  // what was expected there
  std::string Message() const;
};

// A key line of the file: [hive\path] or [-hive\path].
struct RegTextKey {
  HKey hive = 0;
  std::string path;
};

struct RegTextOp {
  enum Kind { kKey, kDeleteKey, kValue, kDeleteValue } kind;
  std::size_t key = 0;  // index into ParsedRegText::keys: the key line it follows
  std::string name;
  std::uint32_t type = 0;
  std::string data;
};

struct ParsedRegText {
  bool version5 = true;
  RegTextEncoding encoding = RegTextEncoding::kAnsi;
  std::vector<RegTextKey> keys;
  std::vector<RegTextOp> ops;
};

// Parses file bytes into the operations an import carries out; `out` is
// left as it was when the file is malformed.
RegTextResult ParseRegText(const std::string& bytes, ParsedRegText& out);
// Carries the operations out: keys are created, [-key] deletes a whole
// tree, "v"=- deletes a value.
RegTextResult ApplyRegText(const ParsedRegText& parsed, IRegistry& registry);
// Fills a registry that holds nothing yet, applying each operation as it is
// read, so that a large file's operations are never held whole beside the
// registry built from them. On failure the registry holds part of the file:
// the caller throws it away.
RegTextResult LoadRegText(std::string&& bytes, IRegistry& empty, RegTextEncoding& encoding);
// Parse, then apply.
RegTextResult ImportRegText(const std::string& bytes, IRegistry& registry,
                            RegTextEncoding* encoding = nullptr);
// The HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER trees as a version 5 file.
// A key or value name holding CR or LF has no form in the file: the export
// then fails with the name in `error` rather than write a file that would
// not load again.
bool ExportRegText(IRegistry& registry, RegTextEncoding encoding, std::string& out, std::string& error);

}  // namespace plat::memory
