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
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string out;
  out.reserve(size);
  for (const auto& line : lines) {
    // Each line break inside a line gets its carriage return; the rest of
    // the line is copied as it is.
    std::size_t from = 0;
    for (std::size_t at; (at = line.find('\n', from)) != std::string::npos; from = at + 1)
      out.append(line, from, at - from).append("\r\n");
    out.append(line, from, std::string::npos).append("\r\n");
  }
  return out;
}

std::vector<std::string> TextModeLines(const std::string& bytes) {
  std::vector<std::string> lines;
  // Counted first: a whole problem list is read at the end of a scan, when
  // the most is held.
  lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
  std::size_t from = 0;
  for (std::size_t at; (at = bytes.find('\n', from)) != std::string::npos; from = at + 1) {
    // The carriage return before a line feed goes; one elsewhere stays.
    const std::size_t end = at > from && bytes[at - 1] == '\r' ? at - 1 : at;
    lines.emplace_back(bytes, from, end - from);
  }
  if (from < bytes.size()) lines.emplace_back(bytes, from, std::string::npos);
  return lines;
}
