#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/session.h"
#include "platform/codepage.h"
#include "tweaks/tweaks_logic.h"

namespace cli {
namespace {

struct TweaksOptions {
  ImageOptions image;
  Answering answering;
  std::vector<std::string> sets;  // NAME=on|off|VALUE
};

int RunTweaks(const TweaksOptions& o) {
  Session session;
  int exitCode = 0;
  if (!session.Open(o.image, o.answering, exitCode)) return exitCode;
  CTweaksLogic tweaks(session.image().platform());
  for (const auto& set : o.sets) {
    const auto eq = set.find('=');
    const std::string name = plat::LowerAscii(set.substr(0, eq));
    const std::string value = eq == std::string::npos ? "" : set.substr(eq + 1);
    int index = -1;
    for (int i = 0; i < kTweakCount; ++i)
      if (name == Tweak(i).name) index = i;
    if (index < 0 || eq == std::string::npos) {
      std::string names;
      for (int i = 0; i < kTweakCount; ++i) names += std::string(" ") + Tweak(i).name;
      std::fprintf(stderr, "tidemarrow-cli: --set %s: expected NAME=on, NAME=off or NAME=VALUE; names:%s\n",
                   set.c_str(), names.c_str());
      return 2;
    }
    if (Tweak(index).needsValue) {
      tweaks.ApplyTweak(index, kTweakModify, value);
    } else if (value == "on" || value == "off") {
      tweaks.ApplyTweak(index, value == "on" ? kTweakModify : kTweakRestoreDefault, "");
    } else {
      std::fprintf(stderr, "tidemarrow-cli: --set %s: %s takes on or off\n", set.c_str(), Tweak(index).name);
      return 2;
    }
  }
  std::string error;
  if (!o.sets.empty() && !session.image().SaveRegistry(error)) {
    std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
    return 4;
  }
  for (int i = 0; i < kTweakCount; ++i)
    std::printf("%-13s %s\n              %s\n", Tweak(i).name, Tweak(i).listText, tweaks.CurrentSetting(i).c_str());
  return 0;
}

}  // namespace

void AddTweaksCommand(CLI::App& app, int& exitCode) {
  auto o = std::make_shared<TweaksOptions>();
  CLI::App* t = app.add_subcommand(
      "tweaks", "the eleven registry-held settings of the tweaks dialog with their current state; --set changes "
                "them (on: Modify, off: Restore Default, or the value typed for menuspeed, owner, organization, "
                "logonnotice and font) and saves the image's registry");
  o->image.AddTo(*t);
  o->answering.AddTo(*t);
  t->add_option("--set", o->sets, "NAME=on|off|VALUE (repeatable)");
  t->callback([o, &exitCode] { exitCode = RunTweaks(*o); });
}

}  // namespace cli
