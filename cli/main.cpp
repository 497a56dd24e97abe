// tidemarrow-cli: the jobs of Tidemarrow on an offline machine image.
#include <CLI/CLI.hpp>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"Tidemarrow 3.25 registry cleaner, on an offline Windows machine image"};
  app.require_subcommand(1);
  int exitCode = 0;
  cli::AddScanCommand(app, exitCode);
  cli::AddFixCommand(app, exitCode);
  cli::AddReviewCommands(app, exitCode);
  cli::AddRestoreCommand(app, exitCode);
  cli::AddTweaksCommand(app, exitCode);
  cli::AddImportCommand(app, exitCode);
  cli::AddInfoCommand(app, exitCode);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  return exitCode;
}
