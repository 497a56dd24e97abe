// The fifteen sections in the order the find job runs them, each with the
// text its status cell shows and that cell's control id.
#pragma once

#include <array>
#include <string>

struct SectionRow {
  std::string displayName;  // begins with one blank
  int cellId = 0;
};

inline constexpr std::size_t kSectionCount = 15;
using SectionTable = std::array<SectionRow, kSectionCount>;

SectionTable BuildSectionTable();

// The section's name without its leading blank ("Major Keys"), for the CLI.
std::string SectionName(const SectionRow& row);
