#include "app/dialog_job_view.h"

#include "resources/resource_ids.h"

namespace {

constexpr int kJobButtons[] = {IDC_FIND, IDC_USER_DETERMINES, IDC_RESTORE, IDC_DISPLAY_EXCLUSIONS, IDC_EXIT};
constexpr int kListButtons[] = {IDC_ADD_EXCLUSIONS, IDC_SELECT_ALL, IDC_UNSELECT_ALL, IDC_FIX, IDC_DELETE_EXCLUSIONS};

}  // namespace

void CDialogJobView::JobStarted(int) {
  for (int id : kJobButtons) dialog_.Enable(id, false);
  dialog_.Enable(IDC_CANCEL_ACTIONS, true);
  for (int id : kListButtons) dialog_.Enable(id, false);
}

void CDialogJobView::JobEnded(int mode, int rows) {
  for (int id : kJobButtons) dialog_.Enable(id, true);
  dialog_.Enable(IDC_CANCEL_ACTIONS, false);
  if (rows > 0 && mode < kJobDisplayExclusions) {
    for (int id : {IDC_ADD_EXCLUSIONS, IDC_SELECT_ALL, IDC_UNSELECT_ALL, IDC_FIX}) dialog_.Enable(id, true);
  } else if (rows > 0) {
    for (int id : {IDC_SELECT_ALL, IDC_UNSELECT_ALL, IDC_DELETE_EXCLUSIONS}) dialog_.Enable(id, true);
  }
}

void CDialogJobView::StatusText(const std::string& text) { dialog_.SetText(IDC_STATUS, text); }

void CDialogJobView::ShowSection(std::size_t index, SectionState state) {
  if (index >= kSectionCount) return;
  const std::string& name = sections_[index].displayName;
  switch (state) {
    case SectionState::kBlank: dialog_.SetText(kSectionCellIds[index], ""); break;
    case SectionState::kProcessing: dialog_.SetText(kSectionCellIds[index], " Processing => " + name); break;
    case SectionState::kDone: dialog_.SetText(kSectionCellIds[index], " Done => " + name); break;
  }
}

void CDialogJobView::Counters(int examined, std::optional<int> found) {
  dialog_.SetText(IDC_EXAMINED_COUNT, std::to_string(examined));
  dialog_.Repaint(IDC_EXAMINED_COUNT, true);
  if (found) {
    dialog_.SetText(IDC_FOUND_COUNT, std::to_string(*found));
    dialog_.Repaint(IDC_FOUND_COUNT, true);
  }
}

void CDialogJobView::FixingStarted() { dialog_.SetText(IDC_FIXED_LABEL, "Problems Fixed:"); }

void CDialogJobView::ProblemsFixed(int count) { dialog_.SetText(IDC_FIXED_COUNT, std::to_string(count)); }
