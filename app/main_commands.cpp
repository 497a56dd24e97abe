#include "app/main_commands.h"

#include "engine/problem_list_display.h"
#include "exclusions/exclusion_commands.h"
#include "resources/resource_ids.h"

CMainCommands::CMainCommands(const plat::Platform& platform, plat::IDialogControls& dialog, plat::IListView& list)
    : platform_(platform), dialog_(dialog), list_(list), view_(dialog), jobs_(platform, list, view_) {}

void CMainCommands::Initialise() {
  jobs_.SetFilePaths();
  for (int id : {IDC_STATUS, IDC_SELECT_ALL, IDC_UNSELECT_ALL, IDC_FIX, IDC_FIXED_LABEL, IDC_FOUND_LABEL,
                 IDC_FIXED_COUNT, IDC_FOUND_COUNT})
    dialog_.SetText(id, "");
  for (int id : {IDC_FIX, IDC_UNSELECT_ALL, IDC_SELECT_ALL, IDC_DELETE_EXCLUSIONS, IDC_ADD_EXCLUSIONS,
                 IDC_CANCEL_ACTIONS})
    dialog_.Enable(id, false);
  InsertListColumns(list_);
}

void CMainCommands::PrepareList(const char* selectAll, const char* unselectAll, const char* fix) {
  dialog_.SetText(IDC_SELECT_ALL, selectAll);
  dialog_.SetText(IDC_UNSELECT_ALL, unselectAll);
  dialog_.SetText(IDC_FIX, fix);
}

void CMainCommands::OnFindProblems(std::function<void()> onFinished) {
  if (jobs_.JobRunning()) return;
  PrepareList("Select &All Problems", "U&nSelect All Problems", "&Fix Selected Problems");
  dialog_.SetText(IDC_FIXED_LABEL, "");
  dialog_.SetText(IDC_FIXED_COUNT, "");
  dialog_.SetText(IDC_FOUND_LABEL, "Problems Found:");
  jobs_.FindProblems(std::move(onFinished));
}

void CMainCommands::OnUserDetermines(std::function<void()> onFinished) {
  if (jobs_.JobRunning()) return;
  PrepareList("Select &All Entries", "U&nSelect All Entries", "&Fix Selected Entries");
  for (int id : {IDC_FIXED_LABEL, IDC_FOUND_LABEL, IDC_FIXED_COUNT, IDC_FOUND_COUNT}) dialog_.SetText(id, "");
  dialog_.Repaint(IDC_FOUND_COUNT, true);
  jobs_.UserDetermines(std::move(onFinished));
}

void CMainCommands::OnDisplayExclusions(std::function<void()> onFinished) {
  if (jobs_.JobRunning()) return;
  PrepareList("Select &All Exclusions", "U&nSelect All Exclusions", "");
  for (int id : {IDC_FIXED_LABEL, IDC_FOUND_LABEL, IDC_FIXED_COUNT, IDC_FOUND_COUNT, IDC_EXAMINED_COUNT})
    dialog_.SetText(id, "");
  for (int id : {IDC_UNSELECT_ALL, IDC_SELECT_ALL, IDC_FIX, IDC_DELETE_EXCLUSIONS}) dialog_.Enable(id, false);
  jobs_.DisplayExclusions(std::move(onFinished));
}

void CMainCommands::OnAddExclusions() {
  if (jobs_.JobRunning()) return;
  AddExclusions(platform_, list_, view_, jobs_.ExclusionsFile());
}

void CMainCommands::OnDeleteExclusions() { DeleteExclusionsNow(); }

bool CMainCommands::DeleteExclusionsNow() {
  if (jobs_.JobRunning()) return false;
  return DeleteSelectedExclusions(platform_, list_, view_, jobs_.ExclusionsFile());
}

bool CMainCommands::OnFixSelected(std::function<void()> onFinished) {
  if (jobs_.JobRunning()) return false;
  // The review's caption: what is listed was not found to be a problem.
  if (dialog_.GetText(IDC_FIX) == "&Fix Selected Entries" && !jobs_.ConfirmFixingReviewRows()) return false;
  dialog_.SetText(IDC_FIXED_COUNT, "");
  return jobs_.FixSelected(std::move(onFinished));
}

void CMainCommands::OnCancelActions() {
  dialog_.SetText(IDC_STATUS, "Canceling previous action...");
  jobs_.RequestCancel();
}
