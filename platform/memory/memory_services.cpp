#include "platform/memory/memory_services.h"

#include <cstring>
#include <ctime>

#include "platform/codepage.h"

namespace plat::memory {
namespace {

std::string Upper(const std::string& s) {
  std::string out = s;
  for (auto& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

std::uint32_t CopyOut(const std::string& value, char* buffer, std::uint32_t size) {
  if (value.size() + 1 > size) return static_cast<std::uint32_t>(value.size() + 1);
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  return static_cast<std::uint32_t>(value.size());
}

}  // namespace

void MemoryEnvironment::Set(const std::string& name, const std::string& value) {
  std::lock_guard lock(mutex_);
  variables_[Upper(name)] = value;
}

void MemoryEnvironment::Unset(const std::string& name) {
  std::lock_guard lock(mutex_);
  variables_.erase(Upper(name));
}

void MemoryEnvironment::SetWindowsDirectory(const std::string& directory) {
  std::lock_guard lock(mutex_);
  windowsDirectory_ = directory;
}

MemoryEnvironment::MemoryEnvironment(WindowsXpDefaults) {
  variables_["OS"] = "Windows_NT";
  variables_["SYSTEMROOT"] = "C:\\WINDOWS";
  variables_["PROGRAMFILES"] = "C:\\Program Files";
  variables_["PATH"] = "C:\\WINDOWS\\system32;C:\\WINDOWS;C:\\WINDOWS\\System32\\Wbem";
}

std::uint32_t MemoryEnvironment::GetVariable(const char* name, char* buffer, std::uint32_t size) {
  std::lock_guard lock(mutex_);
  auto it = variables_.find(Upper(name ? name : ""));
  if (it == variables_.end()) return 0;
  return CopyOut(it->second, buffer, size);
}

std::uint32_t MemoryEnvironment::QueryWindowsDirectory(char* buffer, std::uint32_t size) {
  std::lock_guard lock(mutex_);
  return CopyOut(windowsDirectory_, buffer, size);
}

Atom MemoryAtoms::Add(const char* name) {
  std::lock_guard lock(mutex_);
  for (auto& [atom, entry] : atoms_)
    if (NamesEqual(entry.name, name)) {
      ++entry.count;
      return atom;
    }
  Atom atom = next_++;
  atoms_[atom] = Entry{name, 1};
  return atom;
}

Atom MemoryAtoms::Find(const char* name) {
  std::lock_guard lock(mutex_);
  for (auto& [atom, entry] : atoms_)
    if (NamesEqual(entry.name, name)) return atom;
  return 0;
}

Atom MemoryAtoms::Delete(Atom atom) {
  std::lock_guard lock(mutex_);
  auto it = atoms_.find(atom);
  if (it == atoms_.end()) return atom;
  if (--it->second.count == 0) atoms_.erase(it);
  return 0;
}

void MemoryClock::Set(const LocalTime& time) {
  std::lock_guard lock(mutex_);
  fixed_ = true;
  time_ = time;
}

LocalTime MemoryClock::Now() {
  {
    std::lock_guard lock(mutex_);
    if (fixed_) return time_;
  }
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &now);
#else
  localtime_r(&now, &tm);
#endif
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void RecordedMessageBoxes::QueueAnswer(int answer) {
  std::lock_guard lock(mutex_);
  answers_.push_back(answer);
}

void RecordedMessageBoxes::SetObserver(std::function<int(const std::string&, unsigned, int)> observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

std::vector<RecordedMessageBoxes::Shown> RecordedMessageBoxes::Boxes() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

void RecordedMessageBoxes::Clear() {
  std::lock_guard lock(mutex_);
  shown_.clear();
  answers_.clear();
}

int RecordedMessageBoxes::Show(const std::string& text, unsigned style) {
  std::function<int(const std::string&, unsigned, int)> observer;
  int answer = 0;
  {
    std::lock_guard lock(mutex_);
    shown_.push_back(Shown{text, style});
    const unsigned buttons = style & 0xF;
    answer = buttons == mb::kYesNo ? mb::kIdNo : buttons == mb::kOkCancel ? mb::kIdCancel : mb::kIdOk;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.erase(answers_.begin());
    }
    observer = observer_;
  }
  return observer ? observer(text, style, answer) : answer;
}

}  // namespace plat::memory
