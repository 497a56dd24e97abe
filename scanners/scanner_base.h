// What every section scanner owns: its util, its entry and the entry list,
// and the problem count; and the filing step every CheckEntry ends with.
#pragma once

#include "records/problem_entry.h"
#include "records/problem_files.h"
#include "refcheck/registry_util.h"
#include "scanners/section_scanner.h"

class CScannerBase : public CSectionScanner {
 public:
  int GetProblemsFound() override { return problemsFound_; }
  int GetKeysExamined() override { return util_.GetOperationCount(); }

 protected:
  // Builds the util (which lists HKEY_CLASSES_ROOT for its extension list),
  // clears the entry, then loads the App Paths lists: all of it counted in
  // the scanner's figure.
  explicit CScannerBase(const plat::Platform& platform);

  // Sets the Problem text, appends the record and counts it. A record that
  // could not be written still counts.
  void File(const std::string& problem, const std::string& problemsFile);
  // Whether the entry is one of the exclusions (looked up in an index built
  // at the first call: a scanner sees one list of exclusions in its run).
  bool IsExcluded(const std::vector<std::string>& exclusions);
  // "null" stands for a value that could not be read; both it and the empty
  // text count as absent.
  static bool IsAbsent(const std::string& text) { return text.empty() || text == "null"; }

  CRegistryUtil util_;
  ProblemEntry entry_;
  ProblemEntryList entryList_;
  int problemsFound_ = 0;

 private:
  ExclusionIndex exclusionIndex_;
  const std::vector<std::string>* indexed_ = nullptr;
  std::size_t indexedSize_ = 0;
};
