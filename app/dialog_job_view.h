// CDialogJobView: a job's view on the main dialog's controls. It owns which
// control shows what: the status line, the fifteen section cells, the three
// counters, and the buttons a job turns off and on.
#pragma once

#include "engine/job_view.h"
#include "platform/dialog_controls.h"
#include "scanners/section_table.h"

// The status cell of each section, in section-table order.
inline constexpr int kSectionCellIds[kSectionCount] = {1043, 1038, 1046, 1045, 1039, 1048, 1047, 1040,
                                                       1050, 1049, 1041, 1052, 1051, 1042, 1044};

class CDialogJobView final : public IJobView {
 public:
  explicit CDialogJobView(plat::IDialogControls& dialog) : dialog_(dialog), sections_(BuildSectionTable()) {}

  void JobStarted(int mode) override;
  void JobEnded(int mode, int rows) override;
  void StatusText(const std::string& text) override;
  void ShowSection(std::size_t index, SectionState state) override;
  void Counters(int examined, std::optional<int> found) override;
  void FixingStarted() override;
  void ProblemsFixed(int count) override;

 private:
  plat::IDialogControls& dialog_;
  SectionTable sections_;
};
