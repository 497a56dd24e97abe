#include "records/problem_files.h"

bool ReadTextLines(plat::IFileSystem& files, const std::string& path, std::vector<std::string>& lines) {
  std::string bytes;
  if (!files.ReadFile(path, bytes)) return false;
  std::vector<std::string> read = TextModeLines(bytes);
  if (lines.empty()) {
    lines = std::move(read);
    return true;
  }
  lines.reserve(lines.size() + read.size());
  for (auto& line : read) lines.push_back(std::move(line));
  return true;
}

bool WriteTextLines(plat::IFileSystem& files, const std::vector<std::string>& lines, const std::string& path,
                    bool append, bool createOnly) {
  const std::string bytes = createOnly ? std::string() : TextModeBytes(lines);
  if (append && !createOnly) return files.AppendFile(path, bytes);
  return files.ReplaceFileContents(path, bytes);
}

std::string JoinedRecord(const ProblemEntry& entry) {
  const ProblemRecord record = RecordOf(entry);
  std::string joined = record[0];
  for (std::size_t k = 1; k < kRecordLines; ++k) joined += "\n" + record[k];
  return joined;
}

bool FileProblemRecord(plat::IFileSystem& files, const ProblemEntry& entry, const std::string& path, bool append,
                       bool createOnly) {
  return WriteTextLines(files, {JoinedRecord(entry)}, path, append, createOnly);
}

namespace {

// The first six fields, each with its length, so no two lists of fields
// make the same key whatever bytes they hold.
template <class Field>
std::string SixFieldKey(Field field) {
  std::string key;
  for (std::size_t k = 0; k < 6; ++k) {
    const std::string& text = field(k);
    key += std::to_string(text.size());
    key += ':';
    key += text;
  }
  return key;
}

}  // namespace

ExclusionIndex::ExclusionIndex(const std::vector<std::string>& exclusions) {
  for (std::size_t i = 0; i + 5 < exclusions.size(); i += kRecordLines)
    keys_.insert(SixFieldKey([&](std::size_t k) -> const std::string& { return exclusions[i + k]; }));
}

bool ExclusionIndex::Holds(const ProblemEntry& entry) const {
  if (keys_.empty()) return false;
  const ProblemRecord r = RecordOf(entry);
  return keys_.count(SixFieldKey([&](std::size_t k) -> const std::string& { return r[k]; })) != 0;
}

bool IsExcludedEntry(const std::vector<std::string>& exclusions, const ProblemEntry& entry) {
  return ExclusionIndex(exclusions).Holds(entry);
}
