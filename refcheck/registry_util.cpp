#include "refcheck/registry_util.h"

#include <cstring>
#include <mutex>

#include "platform/codepage.h"

namespace {

// Extensions that name program files without being registered as classes.
constexpr const char* kFixedExtensions[] = {".isu", ".ax",  ".aw",  ".acm", ".olb", ".pkg", ".exd", ".twd",
                                            ".awx", ".flt", ".dep", ".vsk", ".srg", ".tip", ".lex", ".pfc"};

std::string TrimBlanks(const std::string& s) {
  const char* ws = " \t\r\n\v\f";
  const std::size_t b = s.find_first_not_of(ws);
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(ws) - b + 1);
}

// The classes root as the last util listed it. The scanners' utils are all
// made before the first scan runs, one after another, and each lists the
// same classes: a list equal to the one the util before made is shared
// with it rather than kept again (fifteen copies of 17,000 extensions were
// 7 MB); on an offline image whose keys are as they were then, it is not
// listed again at all, only counted as its listing counted.
struct ClassesRootListing {
  std::mutex mutex;
  const plat::IRegistry* registry = nullptr;
  std::uint64_t shape = 0;
  int enumerations = 0;
  std::weak_ptr<const std::vector<std::string>> extensions;
};

ClassesRootListing& LastClassesRootListing() {
  static ClassesRootListing last;
  return last;
}

}  // namespace

std::string EnsureTrailingBackslash(std::string text) {
  if (text.empty() || text.back() != '\\') text += '\\';
  return text;
}

CRegistryUtil::CRegistryUtil(const plat::Platform& platform)
    : CRegistryKey(platform),
      programFiles_(ReadDirectoryVariable("ProgramFiles")),
      systemRoot_(ReadDirectoryVariable("SystemRoot")) {
  BuildExtensionList();
}

CRegistryUtil::~CRegistryUtil() = default;

std::string CRegistryUtil::ReadDirectoryVariable(const char* name) {
  char buffer[kDirectoryBufferSize] = {};
  const std::uint32_t length = platform_.environment.GetVariable(name, buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return "";
  return std::string(buffer, strnlen(buffer, length));
}

void CRegistryUtil::BuildExtensionList() {
  plat::IRegistry& registry = platform_.registry;
  ClassesRootListing& last = LastClassesRootListing();
  if (registry.ChangesOnlyThroughThisProcess()) {
    std::lock_guard lock(last.mutex);
    if (last.registry == &registry && last.shape == registry.ShapeGeneration()) {
      if (auto held = last.extensions.lock()) {
        if (Open(plat::kClassesRoot, "")) {
          AddOperations(last.enumerations);
          DropSubkeyNames();
        }
        extensions_ = std::move(held);
        return;
      }
    }
  }
  std::vector<std::string> extensions;
  int enumerations = 0;
  if (Open(plat::kClassesRoot, "")) {
    const int before = GetOperationCount();
    ListSubkeys();
    enumerations = GetOperationCount() - before;
    // Taken, so that they go with this function: the 30,000 names are not
    // kept by every scanner's util.
    const std::vector<std::string> names = TakeSubkeyNames();
    for (const auto& name : names)
      if (!name.empty() && name[0] == '.') extensions.push_back(name);
  }
  for (const char* fixed : kFixedExtensions) extensions.emplace_back(fixed);
  std::lock_guard lock(last.mutex);
  auto held = last.extensions.lock();
  if (!held || *held != extensions) held = std::make_shared<const std::vector<std::string>>(std::move(extensions));
  last.registry = &registry;
  last.shape = registry.ShapeGeneration();
  last.enumerations = enumerations;
  last.extensions = held;
  extensions_ = std::move(held);
}

void CRegistryUtil::LoadAppPaths() {
  if (!OpenAndListLocalMachine(kAppPathsKey)) return;
  const std::vector<std::string> names = TakeSubkeyNames();
  for (const auto& name : names) {
    appPathsNames_.push_back(plat::LowerAscii(name));
    std::string path = "null";
    if (Open(plat::kLocalMachine, std::string(kAppPathsKey) + "\\" + name)) ReadValue("Path", path);
    appPathsPaths_.push_back(path);
  }
}

bool CRegistryUtil::HasNoSubkeys() {
  char name[kDirectoryBufferSize] = {};
  return platform_.registry.EnumKey(CurrentKey(), 0, name, sizeof name) != plat::err::kSuccess;
}

bool CRegistryUtil::HasNoNamedValues() {
  char name[kRegistryBufferSize];
  for (std::uint32_t index = 0;; ++index) {
    name[0] = '\0';
    std::uint32_t length = kRegistryBufferSize;
    if (platform_.registry.EnumValue(CurrentKey(), index, name, &length, nullptr, nullptr, nullptr) !=
        plat::err::kSuccess)
      return true;
    if (name[0] != '\0') return false;
  }
}

bool CRegistryUtil::WriteLines(const std::vector<std::string>& lines, const std::string& path, bool append,
                               bool createOnly) {
  return WriteTextLines(platform_.files, lines, path, append, createOnly);
}

bool CRegistryUtil::ReadLines(std::vector<std::string>& lines, const std::string& path) {
  return ReadTextLines(platform_.files, path, lines);
}

bool CRegistryUtil::AddProblem(const ProblemEntry& entry, const std::string& path, bool append, bool createOnly) {
  return FileProblemRecord(platform_.files, entry, path, append, createOnly);
}

bool CRegistryUtil::IsExcluded(const std::vector<std::string>& exclusions, const ProblemEntry& entry) const {
  return IsExcludedEntry(exclusions, entry);
}

namespace {

bool ReadInstallDirectoryThrough(CRegistryKey& key, plat::IMessageBoxes& messages, std::vector<std::string>& values,
                                 const std::string& productName) {
  if (!key.Open(plat::kLocalMachine, "Software\\Brindlecote\\" + productName)) {
    messages.Show("Registry values for " + productName + " are missing.  Contact support.", plat::mb::kOk);
    return false;
  }
  std::string path;
  key.ReadValue("Path", path);
  if (path != "null") path = TrimBlanks(EnsureTrailingBackslash(path));
  values.push_back(path);
  return true;
}

}  // namespace

bool ReadInstallDirectoryWith(const plat::Platform& platform, std::vector<std::string>& values,
                              const std::string& productName) {
  CRegistryKey key(platform);
  return ReadInstallDirectoryThrough(key, platform.messages, values, productName);
}

bool CRegistryUtil::ReadInstallDirectory(std::vector<std::string>& values, std::string productName) {
  return ReadInstallDirectoryThrough(*this, platform_.messages, values, productName);
}

bool CRegistryUtil::FileExists(const std::string& path) { return platform_.files.CanOpenForRead(path); }
