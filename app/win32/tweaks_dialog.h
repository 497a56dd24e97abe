// CTweaksDialog: template 137, the eleven tweaks. What each shows and writes
// is CTweaksLogic's; this class is the window around it.
#pragma once

#include "platform/win32/win32_dialog.h"
#include "tweaks/tweaks_logic.h"

class CTweaksDialog final : public plat::win32::Win32Dialog {
 public:
  explicit CTweaksDialog(const plat::Platform& platform);

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code) override;

 private:
  int Selected();
  // String id 102 + index; nothing happens for an id outside 102 to 112.
  void ShowCurrentSetting(int stringId);
  void ApplyTweak(int stringId, int action);

  CTweaksLogic logic_;
};
