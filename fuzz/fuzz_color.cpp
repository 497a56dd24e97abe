// color.txt: any first line gives six numbers of eight bits.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/color_file.h"
#include "records/problem_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto lines = TextModeLines(std::string(reinterpret_cast<const char*>(data), size));
  const DialogColors colors = ParseColorLine(lines.empty() ? "" : lines[0]);
  for (int c : colors)
    if (c < 0 || c > 255) std::abort();
  return 0;
}
