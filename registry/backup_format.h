// The backup file's text: what one deleted key or value looks like in the
// registry editor's import format, and a parser for exactly those forms, so
// that what reached the disk can be read back and compared with what the
// registry held before anything is deleted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A value exactly as the registry holds it: name, type and every data byte.
struct ExactValue {
  std::string name;
  std::uint32_t type = 0;
  std::string data;
  bool operator==(const ExactValue&) const = default;
};

// One block of the file: the key line, and the value line that follows it
// (none for the block that records the key's own deletion).
struct BackupBlock {
  std::string hiveName;  // "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER"
  std::string path;
  std::optional<ExactValue> value;
  bool operator==(const BackupBlock&) const = default;
};

// The value line (with its line end). Ordinary strings, numbers and binary
// data keep their plain forms; a string that is not text plus one
// terminator, a number whose size is not 4 and every other type are written
// as hex(n) so that type and bytes come back exactly. False, with a reason,
// when no line of the format carries the value (a line end in its name).
bool FormatValueLine(const ExactValue& value, std::string& line, std::string& reason);
// The key line, preceded by the empty line that opens every block. False,
// with a reason, when the path holds a line end: no key line names it.
bool FormatKeyLine(const std::string& hiveName, const std::string& path, std::string& text, std::string& reason);
// Parses blocks as written above (text after the header). False, with the
// 1-based line number in `reason`, on anything else.
bool ParseBackupBlocks(const std::string& text, std::vector<BackupBlock>& blocks, std::string& reason);
// The text of the blocks, as FormatKeyLine and FormatValueLine give it.
bool FormatBlocks(const std::vector<BackupBlock>& blocks, std::string& text, std::string& reason);
// The length of the longest prefix of a backup file that ends at a line end:
// a write cut short by a crash leaves at most one partial line, and every
// whole line of the format stands on its own.
std::size_t WholeLinesLength(const std::string& file);
