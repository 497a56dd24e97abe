#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/image_options.h"
#include "refcheck/registry_util.h"
#include "scanners/section_table.h"

namespace cli {

void AddInfoCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<ImageOptions>();
  CLI::App* info = app.add_subcommand("info", "print the section table and the lists a scanner's helper builds");
  options->AddTo(*info);
  info->callback([options, &exitCode] {
    LoadedImage loaded;
    std::string error;
    if (!loaded.Load(*options, error)) {
      std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
      exitCode = 2;
      return;
    }
    if (const auto* hives = loaded.hives()) {
      std::printf("Hives:\n");
      for (const auto& st : hives->States())
        std::printf("  %-20s %s\n", (st.mount.hive == plat::kLocalMachine ? "HKLM\\" + st.mount.mountPath
                                                                           : "HKCU" + (st.mount.mountPath.empty() ? "" : "\\" + st.mount.mountPath))
                                        .c_str(),
                    st.Describe().c_str());
      std::printf("\n");
    }
    std::printf("Sections (in scan order):\n");
    const SectionTable table = BuildSectionTable();
    for (std::size_t i = 0; i < table.size(); ++i)
      std::printf("  %2zu  %s\n", i, SectionName(table[i]).c_str());
    CRegistryUtil util(loaded.image().platform());
    util.LoadAppPaths();
    std::printf("\nExtension list (%zu):\n ", util.ExtensionList().size());
    for (const auto& e : util.ExtensionList()) std::printf(" %s", e.c_str());
    std::printf("\n\nApp Paths (%zu):\n", util.AppPathsNames().size());
    for (std::size_t i = 0; i < util.AppPathsNames().size(); ++i)
      std::printf("  %-20s %s\n", util.AppPathsNames()[i].c_str(), util.AppPathsPaths()[i].c_str());
    std::printf("\nKeys/Values Examined: %d\n", util.GetOperationCount());
    exitCode = 0;
  });
}

}  // namespace cli
