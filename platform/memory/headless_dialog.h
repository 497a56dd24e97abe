// Dialog controls and a list view as plain state, for tests and the CLI. Safe
// to use from the worker thread while another thread reads.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dialog_controls.h"

namespace plat::memory {

class HeadlessDialog final : public IDialogControls {
 public:
  void SetText(int id, const std::string& text) override;
  std::string GetText(int id) override;
  void Enable(int id, bool enabled) override;
  bool IsEnabled(int id) override;
  void Repaint(int id, bool eraseBackground) override;
  // Called after every SetText, on the caller's thread.
  void OnTextChanged(std::function<void(int, const std::string&)> observer);

 private:
  struct Control {
    std::string text;
    bool enabled = true;
  };
  std::mutex mutex_;
  std::map<int, Control> controls_;
  std::function<void(int, const std::string&)> observer_;
};

class HeadlessListView final : public IListView {
 public:
  static constexpr int kColumns = 8;
  struct Row {
    std::array<std::string, kColumns> cells;
    bool checked = false;
    // Tells rows with the same texts apart: given once, when inserted.
    std::uint64_t id = 0;
  };
  struct Column {
    std::string header;
    int width = 0;
  };

  void InsertColumn(int index, const std::string& header, int width) override;
  int GetItemCount() override;
  int InsertRow(int position, const std::string& text) override;
  void SetCell(int row, int column, const std::string& text) override;
  std::string GetCell(int row, int column) override;
  bool IsChecked(int row) override;
  void SetChecked(int row, bool checked) override;
  void DeleteRow(int row) override;
  void DeleteAll() override;
  void Repaint() override;
  void Scroll(int dx, int dy) override;
  void AddRow(std::array<std::string, kColumns> cells) override;

  std::vector<Row> Rows();
  // The rows, leaving the list empty: for a caller done with the list (a
  // scan's 10,000 rows are not copied to be printed).
  std::vector<Row> TakeRows();
  std::vector<Column> Columns();

 private:
  std::mutex mutex_;
  // Not a vector: a list of tens of thousands of rows grew by moving every
  // row to a new block each time it doubled, slower per row the longer it
  // was.
  std::deque<Row> rows_;
  std::vector<Column> columns_;
  std::uint64_t lastId_ = 0;
};

}  // namespace plat::memory
