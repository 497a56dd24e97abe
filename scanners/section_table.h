// The fifteen sections in the order the find job runs them: each with the
// text that names it (its status cell shows it), the section codes of the
// rows it files and the scanner that walks it.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "scanners/section_scanner.h"

struct SectionRow {
  std::string displayName;  // begins with one blank
  std::vector<std::string> codes;  // the section codes its problem rows carry
  std::unique_ptr<CSectionScanner> (*makeScanner)(const plat::Platform&) = nullptr;
};

inline constexpr std::size_t kSectionCount = 15;
using SectionTable = std::array<SectionRow, kSectionCount>;

SectionTable BuildSectionTable();

// The section's name without its leading blank ("Major Keys"), for the CLI.
std::string SectionName(const SectionRow& row);

// The fifteen scanners in section-table order, each built with its util.
std::vector<std::unique_ptr<CSectionScanner>> BuildSectionScanners(const plat::Platform& platform);
