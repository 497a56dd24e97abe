// The eleven tweaks on a small image: their current settings, what Modify
// and Restore Default write, with keys and values missing.
#include <gtest/gtest.h>

#include "tests/support/test_machine.h"
#include "tweaks/tweaks_logic.h"

using testing_support::TestMachine;

namespace {

constexpr const char* kKeys =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\W32Time\\TimeProviders\\NtpClient]\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\W32Time\\Config]\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\FileSystem]\n"
    "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon]\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Cdrom]\n";

}  // namespace

TEST(Tweaks, EachSettingIsShownAndChanged) {
  TestMachine m;
  m.Reg(kKeys);
  CTweaksLogic t(m.platform);
  std::vector<std::string> before;
  for (int i = 0; i < kTweakCount; ++i) before.push_back(t.CurrentSetting(i));
  EXPECT_EQ(before, (std::vector<std::string>{
                        "Set to synchronize clock once every week.", "Creation of short names is enabled.",
                        "Last access update is enabled.", "Menu display speed is set at: ",
                        "Speed is set for fast shutdown.", "", "", "CD-ROM autorun is enabled.",
                        "Windows version is not displayed on the desktop.", "The logon notice is disabled.",
                        "The system font is: "}))
      << "values absent";
  for (int i : {0, 1, 2, 4, 7, 8}) t.ApplyTweak(i, kTweakModify, "");
  t.ApplyTweak(3, kTweakModify, "250abc");
  t.ApplyTweak(5, kTweakModify, std::string(150, 'o'));
  t.ApplyTweak(6, kTweakModify, "Brindlecote");
  t.ApplyTweak(9, kTweakModify, "Authorised use only");
  t.ApplyTweak(10, kTweakModify, "");
  std::string edit;
  EXPECT_EQ(t.CurrentSetting(0), "Set to synchronize clock once every day.");
  EXPECT_EQ(t.ReadDword(plat::kLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\W32Time\\Config", "UpdateInterval"),
            86400u);
  EXPECT_EQ(t.CurrentSetting(1), "Creation of short names is disabled.");
  EXPECT_EQ(t.CurrentSetting(2), "Last access update is disabled.");
  EXPECT_EQ(t.CurrentSetting(3, &edit), "Menu display speed is set at: 250abc") << "atoi takes 250";
  EXPECT_EQ(edit, "250abc");
  EXPECT_EQ(t.CurrentSetting(4), "Speed is set for fast shutdown.");
  EXPECT_EQ(t.CurrentSetting(5), std::string(100, 'o')) << "at most 100 typed characters";
  EXPECT_EQ(t.CurrentSetting(6), "Brindlecote");
  EXPECT_EQ(t.CurrentSetting(7), "CD-ROM autorun is disabled.");
  EXPECT_EQ(t.CurrentSetting(8), "Windows version is displayed on the desktop.");
  EXPECT_EQ(t.CurrentSetting(9), "The logon notice message is: Authorised use only");
  EXPECT_EQ(t.ReadString(plat::kLocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
                         "LegalNoticeCaption"),
            "Notice");
  EXPECT_EQ(t.CurrentSetting(10), "The system font is: Microsoft Sans Serif");
  std::vector<std::string> reboots;
  for (const auto& b : m.messages.Boxes()) reboots.push_back(b.text);
  EXPECT_EQ(reboots, std::vector<std::string>(3, "Change won't take effect until you reboot your computer."))
      << "after version, menu speed and font";

  for (int i : {0, 1, 2, 4, 7, 8}) t.ApplyTweak(i, kTweakRestoreDefault, "");
  EXPECT_EQ(t.ReadDword(plat::kLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\W32Time\\TimeProviders\\NtpClient",
                        "SpecialPollInterval"),
            604800u);
  EXPECT_EQ(t.CurrentSetting(0), "Set to synchronize clock once every week.");
  EXPECT_EQ(t.CurrentSetting(4), "Shutdown speed is set at default.");
  EXPECT_EQ(t.CurrentSetting(1), "Creation of short names is enabled.");
  t.ApplyTweak(9, kTweakModify, "");
  EXPECT_EQ(t.CurrentSetting(9), "The logon notice is disabled.");
  t.ApplyTweak(3, kTweakModify, "1001");
  EXPECT_EQ(t.CurrentSetting(3), "Menu display speed is set at: 250abc") << "out of range: nothing written";
  EXPECT_EQ(m.messages.Boxes().size(), 5u) << "the reboot message all the same";
}

TEST(Tweaks, MissingKeysAreNeitherReadNorCreatedAndLongValuesDoNotOverrun) {
  TestMachine m;
  CTweaksLogic t(m.platform);
  EXPECT_EQ(t.ReadDword(plat::kCurrentUser, "Control Panel\\Desktop", "PaintDesktopVersion"), 0xFFFFFFFFu);
  t.ApplyTweak(8, kTweakModify, "");
  EXPECT_EQ(t.CurrentSetting(8), "Windows version is not displayed on the desktop.") << "no key is created";
  m.Reg(kKeys);
  plat::HKey key = 0;
  m.registry.OpenKeyEx(plat::kCurrentUser, "Control Panel\\Desktop", 0, plat::kKeyAllAccess, &key);
  const std::string longText(300, 'x');
  m.registry.SetValueEx(key, "MenuShowDelay", plat::regtype::kSz,
                        reinterpret_cast<const std::uint8_t*>(longText.c_str()), 301);
  m.registry.SetValueEx(key, "PaintDesktopVersion", plat::regtype::kSz,
                        reinterpret_cast<const std::uint8_t*>(longText.c_str()), 301);
  m.registry.CloseKey(key);
  EXPECT_EQ(t.CurrentSetting(3), "Menu display speed is set at: ") << "longer than its 260-byte buffer: not read";
  EXPECT_EQ(t.ReadDword(plat::kCurrentUser, "Control Panel\\Desktop", "PaintDesktopVersion"), 0xFFFFFFFFu);
  EXPECT_EQ(t.CurrentSetting(-1), "");
  t.ApplyTweak(11, kTweakModify, "x");
  EXPECT_TRUE(m.messages.Boxes().size() <= 1u);
}
