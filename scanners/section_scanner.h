// CSectionScanner: one area of the registry. The engine calls Scan once per
// run, then reads the two counts.
#pragma once

#include <string>
#include <vector>

class CSectionScanner {
 public:
  virtual ~CSectionScanner() = default;
  // Resets the problem count, walks the section and files its problems.
  virtual void Scan(const std::vector<std::string>& exclusions, const std::string& problemsFile) = 0;
  virtual int GetProblemsFound() = 0;
  // The operation counter of the scanner's own util, its construction included.
  virtual int GetKeysExamined() = 0;
};
