#include "app/color_file.h"

#include <cstdlib>

DialogColors ParseColorLine(const std::string& line) {
  DialogColors colors = kDefaultDialogColors;
  std::size_t start = 0;
  for (std::size_t slot = 0; slot < colors.size(); ++slot) {
    const std::size_t comma = line.find(',', start);
    const std::string field = line.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    colors[slot] = std::atoi(field.c_str()) & 0xFF;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return colors;
}
