#include "records/problem_entry.h"

#include <algorithm>

std::string RecordField(const std::string& text) {
  std::string out = text;
  for (auto& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

ProblemRecord RecordOf(const ProblemEntry& e) {
  return {RecordField(e.marker),    RecordField(e.section),   RecordField(e.fullKey),
          RecordField(e.mainKey),   RecordField(e.valueName), RecordField(e.valueData),
          RecordField(e.problem),   RecordField(e.deleteKey)};
}

std::vector<ProblemRecord> RecordsOf(const std::vector<std::string>& lines, std::size_t* leftover) {
  std::vector<ProblemRecord> records;
  for (std::size_t i = 0; i + kRecordLines <= lines.size(); i += kRecordLines) {
    ProblemRecord r;
    for (std::size_t k = 0; k < kRecordLines; ++k) r[k] = lines[i + k];
    records.push_back(std::move(r));
  }
  if (leftover) *leftover = lines.size() % kRecordLines;
  return records;
}

bool IsMarker(const std::string& line) {
  return line == "L (K)" || line == "U (K)" || line == "L (V)" || line == "U (V)";
}

std::vector<ProblemRecord> RecordsByMarker(const std::vector<std::string>& lines, std::vector<std::string>* faults) {
  std::vector<ProblemRecord> records;
  std::size_t i = 0;
  while (i < lines.size()) {
    if (!IsMarker(lines[i])) {
      const std::size_t start = i;
      while (i < lines.size() && !IsMarker(lines[i])) ++i;
      if (faults)
        faults->push_back("line " + std::to_string(start + 1) + ": " + std::to_string(i - start) +
                          " line(s) that belong to no record");
      continue;
    }
    std::size_t k = 1;
    while (k < kRecordLines && i + k < lines.size() && !IsMarker(lines[i + k])) ++k;
    if (k < kRecordLines) {
      if (faults) faults->push_back("line " + std::to_string(i + 1) + ": a record cut short after " +
                                    std::to_string(k) + " of its 8 lines");
      i += k;
      continue;
    }
    ProblemRecord r;
    for (std::size_t j = 0; j < kRecordLines; ++j) r[j] = lines[i + j];
    records.push_back(std::move(r));
    i += kRecordLines;
  }
  return records;
}

std::string TextModeBytes(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    for (char c : line) {
      if (c == '\n') out += '\r';
      out += c;
    }
    out += "\r\n";
  }
  return out;
}

std::vector<std::string> TextModeLines(const std::string& bytes) {
  std::vector<std::string> lines;
  // Counted first: a whole problem list is read at the end of a scan, when
  // the most is held.
  lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    if (c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}
