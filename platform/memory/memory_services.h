// The small in-memory services: environment, global atoms and message boxes
// that record what they were asked and answer as a test or the CLI says.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/atoms.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/message_box.h"

namespace plat::memory {

class MemoryEnvironment final : public IEnvironment {
 public:
  // Variable names are matched without case, as Windows does.
  void Set(const std::string& name, const std::string& value);
  void Unset(const std::string& name);
  void SetWindowsDirectory(const std::string& directory);
  MemoryEnvironment() = default;
  // The environment of a Windows XP installation on C:.
  struct WindowsXpDefaults {};
  explicit MemoryEnvironment(WindowsXpDefaults);

  std::uint32_t GetVariable(const char* name, char* buffer, std::uint32_t size) override;
  std::uint32_t QueryWindowsDirectory(char* buffer, std::uint32_t size) override;

 private:
  std::mutex mutex_;
  std::map<std::string, std::string> variables_;  // key: upper-cased name
  std::string windowsDirectory_ = "C:\\WINDOWS";
};

class MemoryAtoms final : public IAtoms {
 public:
  Atom Add(const char* name) override;
  Atom Find(const char* name) override;
  Atom Delete(Atom atom) override;

 private:
  struct Entry {
    std::string name;
    int count = 0;
  };
  std::mutex mutex_;
  std::map<Atom, Entry> atoms_;
  Atom next_ = 0xC000;
};

// The host's local time, or a fixed time a test sets.
class MemoryClock final : public IClock {
 public:
  void Set(const LocalTime& time);
  LocalTime Now() override;

 private:
  std::mutex mutex_;
  bool fixed_ = false;
  LocalTime time_;
};

class RecordedMessageBoxes final : public IMessageBoxes {
 public:
  struct Shown {
    std::string text;
    unsigned style = 0;
  };
  // Answers the next boxes in order; when none is queued, a box is answered
  // with OK, Cancel or No (the answer that changes nothing).
  void QueueAnswer(int answer);
  // Called with each box as it is shown (the CLI prints it).
  void SetObserver(std::function<int(const std::string&, unsigned, int)> observer);
  std::vector<Shown> Boxes() const;
  void Clear();

  int Show(const std::string& text, unsigned style) override;

 private:
  mutable std::mutex mutex_;
  std::vector<Shown> shown_;
  std::vector<int> answers_;
  std::function<int(const std::string&, unsigned, int)> observer_;
};

}  // namespace plat::memory
