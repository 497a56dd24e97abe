// CAboutDialog: template 100, closes on OK.
#pragma once

#include "platform/win32/win32_dialog.h"
#include "resources/resource_ids.h"

class CAboutDialog final : public plat::win32::Win32Dialog {
 public:
  CAboutDialog() : Win32Dialog(IDD_ABOUTBOX) {}
};
