// tidemarrow-cli: the jobs of Tidemarrow on an offline machine image.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <new>

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
  cli::AddRecoverCommand(app, exitCode);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const std::bad_alloc&) {
    // Nothing is saved before a job has ended, so the image is as it was.
    std::fprintf(stderr, "tidemarrow-cli: out of memory; the job was stopped and nothing was saved\n");
    return 7;
  }
  return exitCode;
}
