#include "app/main_layout.h"

#include "resources/resource_ids.h"

std::vector<ControlRect> MainDialogLayout(int cx, int cy) {
  if (cy <= 700) {
    return {{IDC_LIST, 14, 170, 980, 424},           {IDC_FIND, 14, 14, 214, 28},
            {IDC_USER_DETERMINES, 230, 14, 199, 28}, {IDC_RESTORE, 431, 14, 103, 28},
            {IDC_DISPLAY_EXCLUSIONS, 536, 14, 158, 28}, {IDC_ADD_EXCLUSIONS, 696, 14, 132, 28},
            {IDC_MISC, 830, 14, 98, 28},              {IDC_HELP_BUTTON, 930, 14, 64, 28},
            {IDC_STATUS, 664, 140, 330, 22},          {IDC_SELECT_ALL, 14, 600, 152, 28},
            {IDC_UNSELECT_ALL, 168, 600, 170, 28},    {IDC_FIX, 340, 600, 174, 28},
            {IDC_DELETE_EXCLUSIONS, 516, 600, 200, 28}, {IDC_CANCEL_ACTIONS, 718, 600, 194, 28},
            {IDC_EXIT, 914, 600, 80, 28}};
  }
  const int bottom = cy - 36;
  return {{IDC_LIST, 14, 170, cx - 28, cy - 214},     {IDC_DISPLAY_EXCLUSIONS, 536, 14, 158, 28},
          {IDC_ADD_EXCLUSIONS, 696, 14, 132, 28},     {IDC_MISC, 830, 14, cx - 910, 28},
          {IDC_HELP_BUTTON, cx - 78, 14, 64, 28},     {IDC_STATUS, cx - 344, 140, 330, 22},
          {IDC_SELECT_ALL, 14, bottom, 152, 28},      {IDC_UNSELECT_ALL, 168, bottom, 170, 28},
          {IDC_FIX, 340, bottom, 174, 28},            {IDC_DELETE_EXCLUSIONS, 516, bottom, 200, 28},
          {IDC_CANCEL_ACTIONS, 718, bottom, cx - 814, 28}, {IDC_EXIT, cx - 94, bottom, 80, 28}};
}
