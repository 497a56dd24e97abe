// Where the main dialog's controls go for a client area of cx by cy pixels.
#pragma once

#include <vector>

struct ControlRect {
  int id;
  int left, top, width, height;
};

// Up to 700 pixels high the initial rectangles; taller, the list stretches
// and Help, the status line and Exit move to the right edge.
std::vector<ControlRect> MainDialogLayout(int cx, int cy);
