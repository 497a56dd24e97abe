#include "tweaks/tweaks_logic.h"

#include <cstdlib>

#include "registry/registry_key.h"

namespace {

constexpr TweakInfo kTweaks[kTweakCount] = {
    {"clock", "Update clock from Internet every day instead of every week.", false},
    {"shortnames", "Disable creation of short names in NT file system (NTFS).", false},
    {"lastaccess", "Disable last access update in NT file system (NTFS).", false},
    {"menuspeed", "Speed up menu display.", true},
    {"shutdown", "Shutdown XP faster.", false},
    {"owner", "Change the Registered Owner of the installed Windows XP operating system.", true},
    {"organization", "Change the Registered Organization of the installed Windows XP operating system.", true},
    {"autorun", "Disable CD-ROM autorun.", false},
    {"version", "Display the Windows version on the desktop.", false},
    {"logonnotice", "Display a notice, reminder, or warning message during Windows logon.", true},
    {"font", "Change the system font.", true},
};

constexpr const char* kDescriptions[kTweakCount] = {
    "Click the Modify button to synchronize your clock every day, or click the Restore Default button to "
    "synchronize every week.  XP synchronizes the system clock with the Internet every week (double-click on the "
    "time in the lower right corner, click on \"Internet Time\" tab, and make sure the selection \"Automatically "
    "synchronize with an Internet time server\" is checked.  I recommend setting the server to time.nist.gov, "
    "because it is the atomic clock.)",
    "Click the Modify button to disable creation of short names, or click the Restore Default button to enable it.  "
    "By default, NTFS generates the style of file name that consists of eight characters, followed by a period and "
    "a three-character extension for compatibility with MS-DOS and Microsoft\xAE Windows\xAE 3.x clients.  If you "
    "are not supporting these types of clients, the creation of short names can be disabled.",
    "Click the Modify button to disable last access update, or click the Restore Default button to enable it.  By "
    "default NTFS updates the date and time stamp of the last access on directories whenever it traverses the "
    "directory.  For a large NTFS volume, this update process can slow performance.  By disabling this option, NTFS "
    "will not record the last time a file was accessed. This can speed up disk operations if applications are "
    "written to access many small files very frequently as is found in many pseudo database applications "
    "(Modification timestamps will still be made).",
    "Enter a menu display speed (400 being the default) into the edit text box and press Enter or click the modify "
    "button.  Lower values result in faster display.  Valid values are 0 - 1000.",
    "Click the Modify button to shutdown XP faster, or click the Restore Default button for the default setting.  "
    "When a user shuts down Windows XP, first the system has to kill all services currently running.  Every once in "
    "a while the service does not shut down instantly and windows gives it a chance to shut down on its own before "
    "it kills it.  You can modify it's behavior so it shuts down faster.",
    "Enter a name for the Registered Owner into the edit text box and press Enter or click the modify button.",
    "Enter a name for the Registered Organization into the edit text box and press Enter or click the modify button.",
    "Click the Modify button to disable CD-ROM autorun, or click the Restore Default button to enable it.  When "
    "CD-ROM autorun is enabled, inserting a CD-ROM automatically activates a window allowing you to view the "
    "contents of the CD.  If this annoys you, turn off autorun.",
    "Click the Modify button to display the Windows version on the desktop, or click the Restore Default button to "
    "disable it.  A useless vanity that some geekazoids may enjoy.  The Windows version will display upon boot up.",
    "Enter the logon message (maximum 100 characters including spaces) into the edit text box and press Enter or "
    "click the modify button.  Or, with an empty edit box, press Enter or click the modify button to disable the "
    "logon notice.",
    "Enter a name for the system font (Ex. Arial, Tahoma Times New Roman, etc), into the edit text box and press "
    "Enter or click the modify button.  Or, with an empty edit box, press Enter or click the modify button to use "
    "the default font (Microsoft Sans Serif).  You will only see the font changed in option windows, and other "
    "miscellaneous places.  The change won't take place until boot up.",
};

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
