// Tidemarrow.exe: the real platform and the application object.
#include <windows.h>

#include "app/win32/scan_app.h"
#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  plat::win32::Win32Platform windows;
  CScanApp app(windows.platform, windows.shell);
  app.InitInstance();
  return 0;
}
