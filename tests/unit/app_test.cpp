// The window-independent parts of start-up and the main dialog: the colour
// file and the layout rule.
#include <gtest/gtest.h>

#include "app/color_file.h"
#include "app/main_layout.h"
#include "resources/resource_ids.h"

namespace {

ControlRect Find(const std::vector<ControlRect>& layout, int id) {
  for (const auto& r : layout)
    if (r.id == id) return r;
  return {0, -1, -1, -1, -1};
}

bool Same(const ControlRect& r, int left, int top, int width, int height) {
  return r.left == left && r.top == top && r.width == width && r.height == height;
}

}  // namespace

TEST(ColorFile, FieldsConvertAsAtoiAndMissingOnesKeepTheirDefaults) {
  EXPECT_EQ(ParseColorLine("0,0,128,255,255,255"), (DialogColors{0, 0, 128, 255, 255, 255}));
  EXPECT_EQ(ParseColorLine("200"), (DialogColors{200, 220, 210, 0, 0, 0}));
  EXPECT_EQ(ParseColorLine("1,2,3,4,5,6,7,8"), (DialogColors{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(ParseColorLine(" 12abc,x,,300,-1"), (DialogColors{12, 0, 0, 300 & 0xFF, 0xFF, 0}))
      << "blanks skipped, non-digits stop, no digits give 0, low eight bits kept";
  EXPECT_EQ(ParseColorLine(""), (DialogColors{0, 220, 210, 0, 0, 0})) << "an empty line is one empty field";
}

// The rectangles themselves are checked on the screen (the Windows GUI
// tests); here only where stretching begins.
TEST(MainLayout, AClientAreaOfExactly700PixelsKeepsTheInitialRectangles) {
  EXPECT_TRUE(Same(Find(MainDialogLayout(1200, 700), IDC_LIST), 14, 170, 980, 424));
  EXPECT_TRUE(Same(Find(MainDialogLayout(1200, 701), IDC_LIST), 14, 170, 1172, 487));
}
