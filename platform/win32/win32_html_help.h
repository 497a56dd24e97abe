// Reaching HTML Help: the control library is found through its class-id
// registration, loaded once, and its entry point (ordinal 14, HtmlHelpA)
// called. Once it has failed, later calls return 0 without trying again.
#pragma once

#include <windows.h>

namespace plat::win32 {

HWND CallHtmlHelp(HWND owner, const char* file, UINT command, DWORD_PTR data);

}  // namespace plat::win32
