// ProblemEntry: what a scanner knows about one examined key or value, and the
// eight-line record it becomes in the ProblemsFile and the ExclusionsFile.
#pragma once

#include <array>
#include <string>
#include <vector>

struct ProblemEntry {
  std::string marker;      // "L (K)", "U (K)", "L (V)" or "U (V)"
  std::string section;
  std::string fullKey;
  std::string mainKey;
  std::string deleteKey;
  std::string valueName;
  std::string valueData;
  std::string valueData2;  // working texts of one check; never filed
  std::string valueData3;
  std::string problem;
  int noSubkeys = 0;
  int noValues = 0;
};

class ProblemEntryList {
 public:
  void ClearEntry(ProblemEntry& entry) const { entry = ProblemEntry{}; }
};

// One record: marker, Section, Full Key, Main Key, Value Name, Value Data,
// Problem, Delete Key; line k of a record is list column k - 1.
inline constexpr std::size_t kRecordLines = 8;
using ProblemRecord = std::array<std::string, kRecordLines>;

// A field as it is filed: a line end inside it would shift every later
// record, so CR and LF become blanks.
std::string RecordField(const std::string& text);
// The eight record lines of an entry, each field as filed.
ProblemRecord RecordOf(const ProblemEntry& entry);
// Groups lines strictly by position; a trailing group of fewer than eight
// lines is not a record. `leftover` (when given) receives that group's size.
std::vector<ProblemRecord> RecordsOf(const std::vector<std::string>& lines, std::size_t* leftover = nullptr);

// The four markers a record begins with.
bool IsMarker(const std::string& line);
// Records found by their marker lines, for files a person may have edited or
// a full disk may have cut (the ExclusionsFile): a group that does not hold
// eight lines before the next marker is passed over, `faults` gets "line N:
// ..." for it, and reading goes on at the next marker instead of shifting
// every record after it.
std::vector<ProblemRecord> RecordsByMarker(const std::vector<std::string>& lines, std::vector<std::string>* faults);

// Text-mode files: every line written with CR LF; reading turns CR LF back
// into line ends and keeps a last line that has none.
std::string TextModeBytes(const std::vector<std::string>& lines);
std::vector<std::string> TextModeLines(const std::string& bytes);

// The list view shows one record a row, its columns in record order: header
// and width in pixels (Delete Key is carried, not seen).
struct ListColumn {
  const char* header;
  int width;
};
inline constexpr ListColumn kListColumns[8] = {{"Select", 50},     {"Section", 70},     {"Full Key", 50},
                                               {"Main Key", 100},  {"Value Name", 100}, {"Value Data", 200},
                                               {"Problem", 500},   {"Delete Key", 0}};
