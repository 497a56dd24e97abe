#include "platform/memory/memory_shell.h"

#include "platform/codepage.h"
#include "platform/memory/reg_text.h"

namespace plat::memory {
namespace {

constexpr int kStarted = 42;
constexpr int kFileNotFound = 2;

std::string Unquote(std::string text) {
  while (!text.empty() && text.front() == ' ') text.erase(0, 1);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return text;
}

std::string InDirectory(const std::string& directory, const std::string& file) {
  if ((file.size() > 1 && (file[1] == ':' || file[0] == '\\')) || directory.empty()) return file;
  return (directory.back() == '\\' ? directory : directory + "\\") + file;
}

}  // namespace

int MemoryShell::Execute(const std::string& program, const std::string& parameters,
                         const std::string& workingDirectory, int, bool, unsigned* exitCode) {
  const std::string name = LowerAscii(program);
  unsigned code = 1;
  if (name == "reg.exe") {
    const std::string lower = LowerAscii(parameters);
    if (lower.rfind("import ", 0) == 0) {
      std::string bytes;
      const std::string file = InDirectory(workingDirectory, Unquote(parameters.substr(7)));
      if (files_.ReadFile(file, bytes) && ImportRegText(bytes, registry_).ok) code = 0;
    }
  } else if (name == "notepad.exe") {
    std::string bytes;
    const std::string file = InDirectory(workingDirectory, Unquote(parameters));
    if (files_.ReadFile(file, bytes)) {
      if (viewer_) viewer_(file, bytes);
      code = 0;
    }
  } else {
    return kFileNotFound;
  }
  if (exitCode) *exitCode = code;
  return kStarted;
}

}  // namespace plat::memory
