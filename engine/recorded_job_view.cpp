#include "engine/recorded_job_view.h"

void CRecordedJobView::JobStarted(int) {
  found_.reset();
  fixed_ = 0;
}

void CRecordedJobView::ShowSection(std::size_t index, SectionState state) {
  if (state == SectionState::kProcessing && onSection_) onSection_(index);
}

void CRecordedJobView::Counters(int examined, std::optional<int> found) {
  examined_ = examined;
  if (found) found_ = found;
}
