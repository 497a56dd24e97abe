// Environment, global atoms, message boxes and files of the running Windows.
#pragma once

#include <chrono>
#include <mutex>
#include <string>

#include "platform/atoms.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/message_box.h"

namespace plat::win32 {

class Win32Environment final : public IEnvironment {
 public:
  std::uint32_t GetVariable(const char* name, char* buffer, std::uint32_t size) override;
  std::uint32_t QueryWindowsDirectory(char* buffer, std::uint32_t size) override;
};

// The global atom table, so that every program of the logon sees the atom.
//
// A job polls for its cancel atom before every line it displays, thousands
// of times a second; under Wine each look-up is a round trip to the
// wineserver (about 35 microseconds, which alone held the list to about
// 3,000 rows a second). A look-up is therefore answered from the last one
// for up to a millisecond, unless this process has added or deleted an atom
// since: a cancel from this program is seen by the very next poll, one from
// another program within a millisecond.
class Win32Atoms final : public IAtoms {
 public:
  Atom Add(const char* name) override;
  Atom Find(const char* name) override;
  Atom Delete(Atom atom) override;

 private:
  std::mutex mutex_;
  std::string lastName_;
  Atom lastAtom_ = 0;
  std::chrono::steady_clock::time_point lastAsked_{};
  bool lastValid_ = false;
};

class Win32MessageBoxes final : public IMessageBoxes {
 public:
  // owner: the window the boxes belong to (an HWND), or 0.
  void SetOwner(void* owner) { owner_ = owner; }
  int Show(const std::string& text, unsigned style) override;

 private:
  void* owner_ = nullptr;
};

class Win32Clock final : public IClock {
 public:
  LocalTime Now() override;
};

class Win32Files final : public IFileSystem {
 public:
  bool CanOpenForRead(const std::string& path) override;
  bool ReadFile(const std::string& path, std::string& contents) override;
  bool AppendFile(const std::string& path, const std::string& bytes) override;
  bool AppendFileDurably(const std::string& path, const std::string& bytes) override;
  bool ReadFileFrom(const std::string& path, std::uint64_t offset, std::string& contents) override;
  bool TruncateFile(const std::string& path, std::uint64_t length) override;
  bool ReplaceFileContents(const std::string& path, const std::string& bytes) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool SetAttributes(const std::string& path, unsigned attributes) override;
  bool ListFiles(const std::string& directory, std::vector<std::string>& names) override;
};

}  // namespace plat::win32
