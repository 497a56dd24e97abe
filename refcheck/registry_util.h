// CRegistryUtil: a CRegistryKey plus what the reference checks need (the
// system root and program files directories, the registered extensions, the
// App Paths lists) and the problem-list file operations. Every scanner owns
// one; only an unchanging extension list equal to another's is shared.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/problem_files.h"
#include "registry/registry_key.h"

// Environment and directory buffers hold this many bytes, terminator included.
inline constexpr std::uint32_t kDirectoryBufferSize = 260;

inline constexpr const char* kAppPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// Appends "\" unless the text already ends with one; "" becomes "\".
std::string EnsureTrailingBackslash(std::string text);

// Reads "Path" of the product key through a key object of its own; what
// CRegistryUtil::ReadInstallDirectory and InstallInfo both do.
bool ReadInstallDirectoryWith(const plat::Platform& platform, std::vector<std::string>& values,
                              const std::string& productName);

class CRegistryUtil : public CRegistryKey {
 public:
  explicit CRegistryUtil(const plat::Platform& platform);
  ~CRegistryUtil() override;

  void LoadAppPaths();
  // Neither test counts as a registry operation.
  bool HasNoSubkeys();
  bool HasNoNamedValues();

  // Problem-list files (records/problem_files, for the scanners' use).
  bool WriteLines(const std::vector<std::string>& lines, const std::string& path, bool append, bool createOnly);
  bool ReadLines(std::vector<std::string>& lines, const std::string& path);
  bool AddProblem(const ProblemEntry& entry, const std::string& path, bool append, bool createOnly);
  bool IsExcluded(const std::vector<std::string>& exclusions, const ProblemEntry& entry) const;

  // Appends the installation directory (with trailing backslash), or "null"
  // when the product key has no "Path"; false, after a message, when the
  // product key does not open.
  bool ReadInstallDirectory(std::vector<std::string>& values, std::string productName);

  // A file of that path can be opened for reading.
  bool FileExists(const std::string& path);

  // File references (a command line, a server path, a help file). True when
  // the named file exists, or when no file name with a known extension can be
  // recognised; false when it names a missing file or the text is empty.
  bool FileReferenceExists(const std::string& text);
  // The candidate file name of a registry text, or "#".
  std::string ExtractFileName(const std::string& text);
  // The same of text already lower-cased.
  std::string FileNameOfLowered(std::string work);
  void CutAtExtension(std::string& text);
  int FindExtension(const std::string& text);
  // Class ids. Both work through this util's key object, so they replace its
  // current key (and ClassNameRegistered its subkey list) and are counted.
  bool ClassIdExists(const std::string& id);
  bool ClassNameRegistered(const std::string& text);
  // Lets go of what ClassNameRegistered keeps between calls (on a large
  // machine, the names of 90,000 classes), and of the listing it left, once
  // its scan is done.
  void ForgetClassNames();

  // A bare file name: registered under App Paths, or in a PATH directory.
  bool FindOnSearchPath(const std::string& name);
  bool FindViaAppPaths(const std::string& name);

  const std::string& ProgramFilesDirectory() const { return programFiles_; }
  const std::string& SystemRootDirectory() const { return systemRoot_; }
  const std::vector<std::string>& ExtensionList() const { return *extensions_; }
  const std::vector<std::string>& AppPathsNames() const { return appPathsNames_; }
  const std::vector<std::string>& AppPathsPaths() const { return appPathsPaths_; }

 private:
  void BuildExtensionList();
  std::string ReadDirectoryVariable(const char* name);

  std::string programFiles_;
  std::string systemRoot_;
  std::shared_ptr<const std::vector<std::string>> extensions_;  // equal lists shared between utils
  std::vector<std::string> appPathsNames_;
  std::vector<std::string> appPathsPaths_;
  bool inAppPaths_ = false;  // a nested App Paths search returns false at once
  // Whether HKEY_CLASSES_ROOT\Wow6432Node\CLSID exists: -1 not yet asked.
  bool HasWow64Classes();
  int wow64Classes_ = -1;
  // What ClassNameRegistered finds on a registry that only this process
  // changes: for each name the first class that carries it, and the
  // operations a walk that stops at each class makes.
  struct ClassNameIndex {
    int listCost = 0;
    bool listed = false;
    std::vector<int> costThrough;  // operations of the walk up to and including class i
    // Each name once, with the first class that carries it: the names end
    // to end in one string, their entries sorted by name (a node-based map
    // of 45,000 names was the largest part of the index).
    struct Named {
      std::uint32_t offset = 0;
      std::uint32_t length = 0;
      std::size_t firstClass = 0;
    };
    std::string names;
    std::vector<Named> byName;
    std::uint64_t listingsWhenSet = 0;
    std::string_view NameOf(const Named& n) const { return std::string_view(names).substr(n.offset, n.length); }
    void Sort();
    const Named* Find(std::string_view name) const;
  };
  bool WalkClassNames(const std::string& text);
  std::unique_ptr<ClassNameIndex> BuildClassNameIndex();
  std::unique_ptr<ClassNameIndex> classNames_;
};
