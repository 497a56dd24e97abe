// Tidemarrow.exe: the real platform and the application object.
#include <windows.h>

#include "app/win32/scan_app.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_shell.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  plat::win32::Win32Registry registry;
  plat::win32::Win32Environment environment;
  plat::win32::Win32Files files;
  plat::win32::Win32Atoms atoms;
  plat::win32::Win32MessageBoxes messages;
  plat::win32::Win32Clock clock;
  const plat::Platform platform{registry, environment, files, atoms, messages, clock};
  plat::win32::Win32Shell shell;
  CScanApp app(platform, shell);
  app.InitInstance();
  return 0;
}
