// The eleven tweaks of the tweaks dialog: what each shows as its current
// setting and what Modify and Restore Default write. Every operation builds
// a key object of its own; nothing is kept between operations.
#pragma once

#include <string>

#include "platform/platform.h"

inline constexpr int kTweakCount = 11;
inline constexpr int kTweakModify = 1;
inline constexpr int kTweakRestoreDefault = 2;

struct TweakInfo {
  const char* name;         // short name for the CLI
  const char* listText;     // string 102 + index
  bool needsValue;          // the edit box is used; Restore Default is disabled
};

const TweakInfo& Tweak(int index);
// Description text, string 122 + index.
const char* TweakDescription(int index);

class CTweaksLogic {
 public:
  explicit CTweaksLogic(const plat::Platform& platform) : platform_(platform) {}
  // The current-setting text; for tweaks 3, 5 and 6 the value read goes to
  // *editValue too.
  std::string CurrentSetting(int index, std::string* editValue = nullptr);
  // Writes the tweak's values; typed is the edit box's text (at most its
  // first 100 characters are taken). Shows the reboot message where due.
  void ApplyTweak(int index, int action, const std::string& typed);

  std::uint32_t ReadDword(plat::HKey hive, const std::string& path, const std::string& name);
  std::string ReadString(plat::HKey hive, const std::string& path, const std::string& name);
  bool WriteDword(plat::HKey hive, const std::string& path, const std::string& name, std::uint32_t number);
  bool WriteString(plat::HKey hive, const std::string& path, const std::string& name, const std::string& text);

 private:
  const plat::Platform& platform_;
};
