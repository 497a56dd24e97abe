#include <algorithm>
#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/list_printer.h"
#include "cli/session.h"
#include "engine/install_directory.h"
#include "platform/codepage.h"
#include "platform/memory/memory_shell.h"
#include "restore/restore_logic.h"

namespace cli {
namespace {

struct RestoreOptions {
  ImageOptions image;
  Answering answering;
  bool list = false;
  bool remove = false;
  bool view = false;
  std::vector<std::string> files;
};

int RunRestore(const RestoreOptions& o) {
  const int modes = (o.list ? 1 : 0) + (o.remove ? 1 : 0) + (o.view ? 1 : 0);
  if (modes > 1 || (modes == 0 && o.files.empty()) || (o.list && !o.files.empty()) ||
      ((o.remove || o.view) && o.files.empty())) {
    std::fprintf(stderr, "tidemarrow-cli restore: use --list, or FILE..., --delete FILE... or --view FILE...\n");
    return 2;
  }
  Session session;
  int exitCode = 0;
  if (!session.Open(o.image, o.answering, exitCode)) return exitCode;
  auto& image = session.image();
  plat::memory::MemoryShell shell(image.registry(), image.drive());
  shell.SetViewer([](const std::string& path, const std::string& contents) {
    std::printf("%s:\n%s\n", path.c_str(), Latin1ToUtf8(contents).c_str());
  });
  CRestoreLogic logic(image.platform(), shell, InstallDirectory());
  const auto backups = logic.ListBackups();
  if (o.list) {
    for (const auto& name : backups) std::printf("%s\n", Latin1ToUtf8(name).c_str());
    return 0;
  }
  // Only the backups the list shows, as the dialog offers only those: never
  // another file of the directory, nor one elsewhere.
  for (const auto& file : o.files)
    if (std::none_of(backups.begin(), backups.end(), [&](const auto& b) { return plat::NamesEqual(b, file); })) {
      std::fprintf(stderr, "tidemarrow-cli restore: %s is not one of the backups --list shows\n", file.c_str());
      return 2;
    }
  if (o.view) {
    logic.View(o.files);
    return 0;
  }
  if (o.remove) {
    if (!logic.Delete(o.files)) return session.Refused() ? 5 : 1;
    return 0;
  }
  session.HoldMessages();
  const bool restored = logic.Restore(o.files);
  std::string error;
  const bool saved = image.SaveRegistry(error);
  session.ReleaseMessages(saved);
  if (!saved) {
    std::fprintf(stderr, "tidemarrow-cli: %s\ntidemarrow-cli: the registry was left as it was; nothing was restored\n",
                 error.c_str());
    return 4;
  }
  return restored ? 0 : 1;
}

}  // namespace

void AddRestoreCommand(CLI::App& app, int& exitCode) {
  auto o = std::make_shared<RestoreOptions>();
  CLI::App* r = app.add_subcommand(
      "restore", "the backup files of the installation directory: list them, restore them (as \"reg.exe Import\" "
                 "does, then the image's registry is saved), delete or view them");
  o->image.AddTo(*r);
  o->answering.AddTo(*r);
  r->add_flag("--list", o->list, "list the backup files, newest first");
  r->add_flag("--delete", o->remove, "delete the named backup files (asks first)");
  r->add_flag("--view", o->view, "print the named backup files");
  r->add_option("files", o->files, "backup file names, as --list shows them");
  r->callback([o, &exitCode] { exitCode = RunRestore(*o); });
}

}  // namespace cli
