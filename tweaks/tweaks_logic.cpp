#include "tweaks/tweaks_logic.h"

#include <cstdlib>

#include "registry/registry_key.h"

namespace {

#define TWEAK(name, needsValue, listText, description) {name, listText, needsValue},
constexpr TweakInfo kTweaks[kTweakCount] = {
#include "tweaks/tweak_texts.def"
};
#undef TWEAK

#define TWEAK(name, needsValue, listText, description) description,
constexpr const char* kDescriptions[kTweakCount] = {
#include "tweaks/tweak_texts.def"
};
#undef TWEAK

constexpr plat::HKey M = plat::kLocalMachine;
constexpr plat::HKey U = plat::kCurrentUser;
constexpr const char* kNtpClient = "SYSTEM\\CurrentControlSet\\Services\\W32Time\\TimeProviders\\NtpClient";
constexpr const char* kW32Config = "SYSTEM\\CurrentControlSet\\Services\\W32Time\\Config";
constexpr const char* kFileSystem = "SYSTEM\\CurrentControlSet\\Control\\FileSystem";
constexpr const char* kDesktop = "Control Panel\\Desktop";
constexpr const char* kControl = "System\\CurrentControlSet\\Control";
constexpr const char* kNtCurrent = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kCdrom = "System\\CurrentControlSet\\Services\\Cdrom";
constexpr const char* kWinlogon = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr const char* kFontSubstitutes = "Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes";
constexpr const char* kReboot = "Change won't take effect until you reboot your computer.";
constexpr std::uint32_t kSmallBuffer = 260;

}  // namespace

const TweakInfo& Tweak(int index) { return kTweaks[index]; }
const char* TweakDescription(int index) { return kDescriptions[index]; }

std::uint32_t CTweaksLogic::ReadDword(plat::HKey hive, const std::string& path, const std::string& name) {
  CRegistryKey util(platform_);
  if (!util.Open(hive, path)) return 0xFFFFFFFFu;
  QueriedValue value;
  value.size = kSmallBuffer;  // the registry is told the text buffer's real size
  value.type = 0;
  if (!util.QueryValue(name, value)) return 0xFFFFFFFFu;
  return value.number;
}

std::string CTweaksLogic::ReadString(plat::HKey hive, const std::string& path, const std::string& name) {
  CRegistryKey util(platform_);
  if (!util.Open(hive, path)) return "";
  std::string text;
  if (!util.ReadValue(name, text, kSmallBuffer)) return "";
  return text;
}

bool CTweaksLogic::WriteDword(plat::HKey hive, const std::string& path, const std::string& name,
                              std::uint32_t number) {
  CRegistryKey util(platform_);
  return util.Open(hive, path) && util.SetDwordValue(name, number);
}

bool CTweaksLogic::WriteString(plat::HKey hive, const std::string& path, const std::string& name,
                               const std::string& text) {
  CRegistryKey util(platform_);
  return util.Open(hive, path) && util.SetStringValue(name, text);
}

std::string CTweaksLogic::CurrentSetting(int index, std::string* editValue) {
  std::string text;
  switch (index) {
    case 0: {
      const std::uint32_t a = ReadDword(M, kNtpClient, "SpecialPollInterval");
      const std::uint32_t b = ReadDword(M, kW32Config, "UpdateInterval");
      return a > 86400 || b > 86400 ? "Set to synchronize clock once every week."
                                    : "Set to synchronize clock once every day.";
    }
    case 1: {
      const std::uint32_t n = ReadDword(M, kFileSystem, "NtfsDisable8dot3NameCreation");
      return n == 0 || n == 0xFFFFFFFFu ? "Creation of short names is enabled." : "Creation of short names is disabled.";
    }
    case 2: {
      const std::uint32_t n = ReadDword(M, kFileSystem, "NtfsDisableLastAccessUpdate");
      return n == 0 || n == 0xFFFFFFFFu ? "Last access update is enabled." : "Last access update is disabled.";
    }
    case 3:
      text = ReadString(U, kDesktop, "MenuShowDelay");
      if (editValue) *editValue = text;
      return "Menu display speed is set at: " + text;
    case 4:
      return ReadString(M, kControl, "WaitToKillServiceTimeout") == "20000" ? "Shutdown speed is set at default."
                                                                           : "Speed is set for fast shutdown.";
    case 5:
    case 6:
      text = ReadString(M, kNtCurrent, index == 5 ? "RegisteredOwner" : "RegisteredOrganization");
      if (editValue) *editValue = text;
      return text;
    case 7:
      return ReadDword(M, kCdrom, "AutoRun") == 1 ? "CD-ROM autorun is disabled." : "CD-ROM autorun is enabled.";
    case 8:
      return ReadDword(U, kDesktop, "PaintDesktopVersion") == 1 ? "Windows version is displayed on the desktop."
                                                                : "Windows version is not displayed on the desktop.";
    case 9:
      text = ReadString(M, kWinlogon, "LegalNoticeText");
      return text.empty() ? "The logon notice is disabled." : "The logon notice message is: " + text;
    case 10:
      return "The system font is: " + ReadString(M, kFontSubstitutes, "MS Shell Dlg");
    default:
      return "";
  }
}

void CTweaksLogic::ApplyTweak(int index, int action, const std::string& typedText) {
  const std::string typed = typedText.substr(0, 100);
  const bool modify = action == kTweakModify;
  if (action != kTweakModify && action != kTweakRestoreDefault) return;
  switch (index) {
    case 0:
      WriteDword(M, kNtpClient, "SpecialPollInterval", modify ? 86400 : 604800);
      WriteDword(M, kW32Config, "UpdateInterval", modify ? 86400 : 360000);
      break;
    case 1: WriteDword(M, kFileSystem, "NtfsDisable8dot3NameCreation", modify ? 1 : 0); break;
    case 2: WriteDword(M, kFileSystem, "NtfsDisableLastAccessUpdate", modify ? 1 : 0); break;
    case 3:
      if (!modify || typed.empty()) break;
      if (const int n = std::atoi(typed.c_str()); n >= 0 && n <= 1000) WriteString(U, kDesktop, "MenuShowDelay", typed);
      platform_.messages.Show(kReboot, plat::mb::kOk);
      break;
    case 4: WriteString(M, kControl, "WaitToKillServiceTimeout", modify ? "200" : "20000"); break;
    case 5:
      if (modify) WriteString(M, kNtCurrent, "RegisteredOwner", typed);
      break;
    case 6:
      if (modify) WriteString(M, kNtCurrent, "RegisteredOrganization", typed);
      break;
    case 7: WriteDword(M, kCdrom, "AutoRun", modify ? 1 : 0); break;
    case 8:
      WriteDword(U, kDesktop, "PaintDesktopVersion", modify ? 1 : 0);
      platform_.messages.Show(kReboot, plat::mb::kOk);
      break;
    case 9:
      if (!modify) break;
      WriteString(M, kWinlogon, "LegalNoticeCaption", typed.empty() ? "" : "Notice");
      WriteString(M, kWinlogon, "LegalNoticeText", typed);
      break;
    case 10:
      if (!modify) break;
      WriteString(M, kFontSubstitutes, "MS Shell Dlg", typed.empty() ? "Microsoft Sans Serif" : typed);
      platform_.messages.Show(kReboot, plat::mb::kOk);
      break;
    default:
      break;
  }
}
