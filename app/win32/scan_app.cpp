#include "app/win32/scan_app.h"

#include <windows.h>
#include <commctrl.h>

#include "app/color_file.h"
#include "app/install_info.h"
#include "app/win32/main_dialog.h"
#include "records/problem_entry.h"
#include "platform/win32/win32_dialog.h"

bool CScanApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  DialogColors colors = kDefaultDialogColors;
  InstallInfo info(platform_);
  std::vector<std::string> values;
  if (!info.ReadInstallDirectory(values, "Tidemarrow")) return false;
  std::string bytes;
  if (platform_.files.ReadFile(values[0] + "color.txt", bytes)) {
    const std::vector<std::string> lines = TextModeLines(bytes);
    colors = ParseColorLine(lines.empty() ? "" : lines[0]);
    plat::win32::SetDialogColors(RGB(colors[0], colors[1], colors[2]), RGB(colors[3], colors[4], colors[5]));
  }
  CMainDialog dialog(platform_, shell_);
  showedDialog_ = true;
  dialog.DoModal();
  return false;
}
