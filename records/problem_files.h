// The ProblemsFile and the ExclusionsFile as files: their text-mode lines
// read and written through the file system alone. Nothing here touches the
// registry, so displaying or saving a list costs no registry walk.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "platform/files.h"
#include "records/problem_entry.h"

// Appends the file's lines to `lines`; false when it cannot be read.
bool ReadTextLines(plat::IFileSystem& files, const std::string& path, std::vector<std::string>& lines);
// Writes the lines (each with CR LF), replacing the file or appended to it;
// createOnly writes an empty file whatever `append` says.
bool WriteTextLines(plat::IFileSystem& files, const std::vector<std::string>& lines, const std::string& path,
                    bool append, bool createOnly);
// The entry's eight-line record as one text, its lines joined by LF:
// WriteLines writes it as filed.
std::string JoinedRecord(const ProblemEntry& entry);
// Files the entry as its eight-line record.
bool FileProblemRecord(plat::IFileSystem& files, const ProblemEntry& entry, const std::string& path, bool append,
                       bool createOnly);
// Whether the exclusions (the ExclusionsFile's lines) hold a record whose
// first six lines are the entry's, compared as filed (a trailing group of
// at least six lines takes part). One call: a scan keeps an ExclusionIndex.
bool IsExcludedEntry(const std::vector<std::string>& exclusions, const ProblemEntry& entry);

// The exclusions' records by their first six lines, so that an entry is
// looked up at once however many exclusions there are.
class ExclusionIndex {
 public:
  ExclusionIndex() = default;
  explicit ExclusionIndex(const std::vector<std::string>& exclusions);
  bool Holds(const ProblemEntry& entry) const;

 private:
  std::unordered_set<std::string> keys_;
};
