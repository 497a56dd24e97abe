// Problems.txt and Exclusions.txt: any bytes split into lines and records,
// and exclusion tests over them, without reading past what is there.
#include <cstdint>
#include <string>

#include "records/problem_entry.h"
#include "exclusions/exclusion_commands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto lines = TextModeLines(bytes);
  std::size_t leftover = 0;
  const auto records = RecordsOf(lines, &leftover);
  ProblemEntry entry;
  if (!records.empty()) {
    entry.marker = records[0][0];
    entry.section = records[0][1];
    entry.fullKey = records[0][2];
    entry.mainKey = records[0][3];
    entry.valueName = records[0][4];
    entry.valueData = records[0][5];
    entry.deleteKey = records[0][7];
  }
  IsAlreadyExcluded(entry, lines);
  TextModeLines(TextModeBytes(lines));
  return 0;
}
