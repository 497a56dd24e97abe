// What every job command of the CLI sets up: the image, the headless main
// dialog with its commands, and message boxes printed as the program would
// show them. Questions are answered only with --yes, or on a terminal.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_commands.h"
#include "cli/image_options.h"
#include "platform/memory/headless_dialog.h"

namespace cli {

struct Answering {
  bool yes = false;  // --yes: every question of the program is answered yes
  void AddTo(CLI::App& app);
};

class Session {
 public:
  // Loads the image and runs the main dialog's start-up checks; false, after
  // printing why, when the image cannot be used. exitCode then holds 2 or 3.
  bool Open(const ImageOptions& options, const Answering& answering, int& exitCode);

  // Runs one of the commands' job starters and waits for the job to end.
  void RunJob(const std::function<void(std::function<void()>)>& start);
  // Fills the list from Problems.txt; false when it is missing or cut short.
  bool LoadLastScan(std::string& error);
  // The rows to work on: those of the last scan, or of a scan run now.
  // False, after printing why, when the last scan cannot be read.
  bool ScanOrLoadLastScan(bool useLastScan);
  // Ticks rows given as "1,4-7" (numbers as the list shows them).
  bool TickRows(const std::string& spec, std::string& error);

  // True when a question was refused for want of --yes or a terminal.
  bool Refused() const { return refused_; }
  // While held, the program's plain messages (OK only) are kept back, so
  // that a success is not printed before what it depends on (saving the
  // registry) has happened; questions are still asked at once.
  void HoldMessages() { holding_ = true; }
  // Prints the messages held back, or drops them.
  void ReleaseMessages(bool print);
  plat::memory::MachineImage& image() { return loaded_.image(); }
  const plat::hive::HiveStore* hives() const { return loaded_.hives(); }
  plat::memory::HeadlessDialog& dialog() { return dialog_; }
  plat::memory::HeadlessListView& list() { return list_; }
  CMainCommands& commands() { return *commands_; }

 private:
  int Answer(const std::string& text, unsigned style, int answer);

  LoadedImage loaded_;
  plat::memory::HeadlessDialog dialog_;
  plat::memory::HeadlessListView list_;
  std::unique_ptr<CMainCommands> commands_;
  bool yes_ = false;
  bool refused_ = false;
  bool holding_ = false;
  std::vector<std::string> held_;
  // The installation directory, locked for as long as the session runs.
  int lock_ = -1;

 public:
  ~Session();
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
};

}  // namespace cli
