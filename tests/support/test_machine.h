// A throw-away machine for one test: an in-memory registry filled from short
// registry text, a drive C: in a fresh temporary directory, the environment
// of Windows XP, atoms and recorded message boxes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/memory/memory_machine.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_services.h"
#include "platform/memory/reg_text.h"
#include "platform/platform.h"

namespace testing_support {

class TestMachine : public plat::memory::MemoryMachine {
 public:
  TestMachine();
  // With its drive below `base` (a memory file system keeps thousands of
  // flushed writes cheap).
  explicit TestMachine(const std::filesystem::path& base);
  ~TestMachine();

  // Imports registry text; the header line is added when missing.
  void Reg(const std::string& text);
  // Creates an empty file (and its directories) at a Windows path on C:.
  void Touch(const std::string& windowsPath, const std::string& contents = "");
  std::string HostPath(const std::string& relative) const { return (root_ / relative).string(); }
  // The host file's contents, or "<missing>".
  std::string HostFile(const std::string& relative) const;

 private:
  std::filesystem::path root_;
};

}  // namespace testing_support
