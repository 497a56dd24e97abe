// tidemarrow-cli: the jobs of Tidemarrow on an offline machine image.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <new>

#include "cli/commands.h"
#include "cli/process_heap.h"

int main(int argc, char** argv) {
  cli::SetUpProcessHeap();
  CLI::App app{"Tidemarrow 3.25 registry cleaner, on an offline Windows machine image"};
  app.require_subcommand(0, 1);
  app.set_version_flag("--version", "tidemarrow-cli 3.25");
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
    // --help and --version end here too, with success; every other parse
    // error is bad input: CLI11's message, and exit code 2.
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  } catch (const std::bad_alloc&) {
    // Nothing is saved before a job has ended, so the image is as it was.
    std::fprintf(stderr, "tidemarrow-cli: out of memory; the job was stopped and nothing was saved\n");
    return 7;
  }
  if (app.get_subcommands().empty()) {
    std::printf("%s", app.help().c_str());
    return 0;
  }
  return exitCode;
}
