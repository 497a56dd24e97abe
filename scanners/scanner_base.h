// What every section scanner owns: its util, its entry and the entry list,
// and the problem count; and the filing step every CheckEntry ends with.
#pragma once

#include "records/problem_entry.h"
#include "records/problem_files.h"
#include "refcheck/registry_util.h"
#include "scanners/section_scanner.h"

class CScannerBase : public CSectionScanner {
 public:
  // Walks the section, then writes the records still waiting: when it
  // returns, every problem found is in the file.
  void Scan(const std::vector<std::string>& exclusions, const std::string& problemsFile) final;
  int GetProblemsFound() override { return problemsFound_; }
  int GetKeysExamined() override { return util_.GetOperationCount(); }

 protected:
  // Builds the util (which lists HKEY_CLASSES_ROOT for its extension list),
  // clears the entry, then loads the App Paths lists: all of it counted in
  // the scanner's figure.
  explicit CScannerBase(const plat::Platform& platform);

  // The section's own walk.
  virtual void ScanSection(const std::vector<std::string>& exclusions, const std::string& problemsFile) = 0;
  // Sets the Problem text and records the entry.
  void File(const std::string& problem, const std::string& problemsFile);
  // Appends the entry's record and counts it. Records are written a batch
  // at a time (a scan finds thousands, and each append is a few system
  // calls), all of them by the end of Scan. A record that could not be
  // written still counts: the job compares the count with the rows it
  // reads back, and says how many are missing.
  void Record(const std::string& problemsFile);
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
  void WriteRecords();
  std::vector<std::string> records_;  // the records not written yet
  std::string recordsFile_;           // the file they go to
  ExclusionIndex exclusionIndex_;
  const std::vector<std::string>* indexed_ = nullptr;
  std::size_t indexedSize_ = 0;
};
