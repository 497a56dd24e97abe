// The fifteen sections in the order the find job runs them, each with the
// text its status cell shows, that cell's control id and the section codes
// of the rows it files.
#pragma once

#include <array>
#include <string>
#include <vector>

struct SectionRow {
  std::string displayName;  // begins with one blank
  int cellId = 0;
  std::vector<std::string> codes;  // the section codes its problem rows carry
};

inline constexpr std::size_t kSectionCount = 15;
using SectionTable = std::array<SectionRow, kSectionCount>;

SectionTable BuildSectionTable();

// The section's name without its leading blank ("Major Keys"), for the CLI.
std::string SectionName(const SectionRow& row);
