// "color.txt": one line of six comma-separated numbers, the dialog
// background's red, green and blue, then the text's.
#pragma once

#include <array>
#include <string>

using DialogColors = std::array<int, 6>;

inline constexpr DialogColors kDefaultDialogColors = {220, 220, 210, 0, 0, 0};

// Each field converts as atoi does and keeps its low eight bits; fields the
// line does not supply keep their defaults, fields past the sixth are ignored.
DialogColors ParseColorLine(const std::string& line);
