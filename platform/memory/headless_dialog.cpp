#include "platform/memory/headless_dialog.h"

#include <iterator>

#include <utility>

namespace plat::memory {

void HeadlessDialog::SetText(int id, const std::string& text) {
  std::function<void(int, const std::string&)> observer;
  {
    std::lock_guard lock(mutex_);
    controls_[id].text = text;
    observer = observer_;
  }
  if (observer) observer(id, text);
}

std::string HeadlessDialog::GetText(int id) {
  std::lock_guard lock(mutex_);
  return controls_[id].text;
}

void HeadlessDialog::Enable(int id, bool enabled) {
  std::lock_guard lock(mutex_);
  controls_[id].enabled = enabled;
}

bool HeadlessDialog::IsEnabled(int id) {
  std::lock_guard lock(mutex_);
  return controls_[id].enabled;
}

void HeadlessDialog::Repaint(int, bool) {}

void HeadlessDialog::OnTextChanged(std::function<void(int, const std::string&)> observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

void HeadlessListView::InsertColumn(int index, const std::string& header, int width) {
  std::lock_guard lock(mutex_);
  if (index < 0 || index > static_cast<int>(columns_.size())) index = static_cast<int>(columns_.size());
  columns_.insert(columns_.begin() + index, Column{header, width});
}

int HeadlessListView::GetItemCount() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

int HeadlessListView::InsertRow(int position, const std::string& text) {
  std::lock_guard lock(mutex_);
  if (position < 0 || position > static_cast<int>(rows_.size())) position = static_cast<int>(rows_.size());
  Row row;
  row.cells[0] = text;
  row.id = ++lastId_;
  rows_.insert(rows_.begin() + position, row);
  return position;
}

void HeadlessListView::SetCell(int row, int column, const std::string& text) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 && column < kColumns)
    rows_[row].cells[column] = text;
}

std::string HeadlessListView::GetCell(int row, int column) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 && column < kColumns)
    return rows_[row].cells[column];
  return "";
}

bool HeadlessListView::IsChecked(int row) {
  std::lock_guard lock(mutex_);
  return row >= 0 && row < static_cast<int>(rows_.size()) && rows_[row].checked;
}

void HeadlessListView::SetChecked(int row, bool checked) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < static_cast<int>(rows_.size())) rows_[row].checked = checked;
}

void HeadlessListView::DeleteRow(int row) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < static_cast<int>(rows_.size())) rows_.erase(rows_.begin() + row);
}

void HeadlessListView::DeleteAll() {
  std::lock_guard lock(mutex_);
  rows_.clear();
}

void HeadlessListView::Repaint() {}

void HeadlessListView::AddRow(std::array<std::string, kColumns> cells) {
  std::lock_guard lock(mutex_);
  rows_.push_back(Row{std::move(cells), false, ++lastId_});
}

void HeadlessListView::Scroll(int, int) {}

std::vector<HeadlessListView::Row> HeadlessListView::Rows() {
  std::lock_guard lock(mutex_);
  return {rows_.begin(), rows_.end()};
}

std::vector<HeadlessListView::Row> HeadlessListView::TakeRows() {
  std::lock_guard lock(mutex_);
  std::vector<Row> taken(std::make_move_iterator(rows_.begin()), std::make_move_iterator(rows_.end()));
  rows_.clear();
  return taken;
}

std::vector<HeadlessListView::Column> HeadlessListView::Columns() {
  std::lock_guard lock(mutex_);
  return columns_;
}

}  // namespace plat::memory
