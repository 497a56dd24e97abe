// What every job command of the CLI sets up: the image, the jobs with the
// CLI's own view of them and the list they fill, and message boxes printed
// as the program would show them. Questions are answered only with --yes,
// or on a terminal.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/recorded_job_view.h"
#include "cli/image_options.h"
#include "engine/job_control.h"
#include "platform/memory/headless_dialog.h"

namespace cli {

struct Answering {
  bool yes = false;  // --yes: every question of the program is answered yes
  void AddTo(CLI::App& app);
};

class Session {
 public:
  // Loads the image and runs the program's start-up checks; false, after
  // printing why, when the image cannot be used. exitCode then holds 2 or 3.
  bool Open(const ImageOptions& options, const Answering& answering, int& exitCode);

  // Runs one of the job starters and waits for the job to end; false when
  // the starter started none.
  bool RunJob(const std::function<bool(std::function<void()>)>& start);
  // Fixes the ticked rows; rows of a review only after its warning. False
  // when no job was started.
  bool FixTicked();
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
  plat::memory::HeadlessListView& list() { return list_; }
  CJobControl& jobs() { return *jobs_; }
  CRecordedJobView& view() { return view_; }

 private:
  int Answer(const std::string& text, unsigned style, int answer);

  LoadedImage loaded_;
  plat::memory::HeadlessListView list_;
  CRecordedJobView view_;
  std::unique_ptr<CJobControl> jobs_;
  // The rows come from a review (loaded from the last scan's file).
  bool reviewRows_ = false;
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
