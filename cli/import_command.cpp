#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/image_options.h"
#include "demo/demo_image.h"
#include "platform/memory/host_files.h"
#include "platform/memory/reg_text.h"

namespace cli {

void AddImportCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<ImageOptions>();
  auto files = std::make_shared<std::vector<std::string>>();
  CLI::App* import = app.add_subcommand(
      "import", "import registry files (a backup, say) into the image's registry, as \"reg.exe Import\" does, and "
                "save it; with no file the registry file is only written back in its saved form");
  options->AddTo(*import);
  import->add_option("files", *files, "registry text files on the host");
  import->callback([options, files, &exitCode] {
    LoadedImage loaded;
    std::string error;
    if (!loaded.Load(*options, error)) {
      std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
      exitCode = 2;
      return;
    }
    for (const auto& file : *files) {
      std::string bytes;
      if (!plat::memory::ReadHostFile(file, bytes, error)) {
        std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
        exitCode = 2;
        return;
      }
      const auto result = plat::memory::ImportRegText(bytes, loaded.image().registry());
      if (!result.ok) {
        std::fprintf(stderr, "tidemarrow-cli: %s: %s\n", file.c_str(), result.Message().c_str());
        exitCode = 2;
        return;
      }
      std::printf("imported %s\n", file.c_str());
    }
    if (!loaded.image().SaveRegistry(error)) {
      std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
      exitCode = 4;
      return;
    }
    exitCode = 0;
  });

  auto directory = std::make_shared<std::string>();
  CLI::App* demo = app.add_subcommand("demo", "write the demo machine image (registry.reg and drive_c/) to DIR");
  demo->add_option("dir", *directory, "directory to write")->required();
  demo->callback([directory, &exitCode] {
    std::string error;
    if (!demo::WriteDemoImage(*directory, error)) {
      std::fprintf(stderr, "tidemarrow-cli: %s\n", error.c_str());
      exitCode = 2;
      return;
    }
    exitCode = 0;
  });
}

}  // namespace cli
