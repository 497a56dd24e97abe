#include <cstdio>
#include <ctime>
#include <memory>

#include "cli/commands.h"
#include "platform/hive/hive_log.h"
#include "platform/hive/windows_installation.h"

namespace cli {
namespace {

std::string Stamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%y%m%d-%H%M%S", &local);
  return stamp;
}

int RunRecover(const std::string& windows) {
  const auto hives = plat::hive::InstallationHives(windows);
  if (hives.empty()) {
    std::fprintf(stderr, "tidemarrow-cli: %s: no hive files (WINDOWS\\system32\\config, profiles)\n", windows.c_str());
    return 2;
  }
  int failed = 0;
  const std::string stamp = Stamp();
  for (const auto& hive : hives) {
    const plat::hive::LogRecovery r = plat::hive::RecoverHive(hive);
    if (!r.dirty) {
      std::printf("%s: clean\n", hive.c_str());
      continue;
    }
    if (!r.recovered) {
      std::printf("%s: dirty, and cannot be recovered: %s\n", hive.c_str(), r.reason.c_str());
      ++failed;
      continue;
    }
    std::vector<std::string> kept;
    std::string error;
    if (!plat::hive::WriteRecoveredHive(hive, r, stamp, kept, error)) {
      std::printf("%s: %s\n", hive.c_str(), error.c_str());
      ++failed;
      continue;
    }
    std::printf("%s: recovered, %s\n", hive.c_str(), r.reason.c_str());
    for (const auto& k : kept) std::printf("  kept as %s\n", k.c_str());
  }
  return failed ? 1 : 0;
}

}  // namespace

void AddRecoverCommand(CLI::App& app, int& exitCode) {
  auto windows = std::make_shared<std::string>();
  CLI::App* recover = app.add_subcommand(
      "recover",
      "write into every hive of a Windows partition the changes its transaction logs hold (a hive left dirty by a "
      "crash), as Windows does when it loads it: both log formats (.LOG of Windows 2000/XP, .LOG1/.LOG2 of "
      "Windows 8.1 and later). The hive and its logs are kept as dated copies, and the logs used are set aside. "
      "Exit code 0 when every hive is clean or recovered, 1 when some could not be.");
  recover->add_option("--windows", *windows, "the mounted Windows partition")->required();
  recover->callback([windows, &exitCode] { exitCode = RunRecover(*windows); });
}

}  // namespace cli
