// Windows paths on drives mapped to host directories, looked up the way
// Windows finds files: components matched without case (of host names that
// differ only in case, the one spelled as asked), 8.3 short names
// (C:\PROGRA~1) recognised, "." and ".." resolved, trailing dots and blanks
// dropped, paths over 259 characters and UNC paths not found. A relative path
// resolves against the current directory. Read-only is the host file's write
// permission, and is honoured even for root.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/files.h"
#include "platform/memory/folded_index.h"

namespace plat::memory {

class MappedDrive final : public IFileSystem {
 public:
  MappedDrive() = default;
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;
  ~MappedDrive() override;
  // letter: 'C'; hostDirectory: an existing directory.
  void Map(char letter, const std::string& hostDirectory);
  // A Windows path such as "C:\Program Files\Tidemarrow\".
  void SetWorkingDirectory(const std::string& windowsPath);

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

  // The host path of an existing file or directory; false when not found.
  bool ResolveExisting(const std::string& windowsPath, std::string& hostPath);
  // The host path a new file of that Windows path would have: its directory
  // must exist; an existing file is found without case.
  bool ResolveForWrite(const std::string& windowsPath, std::string& hostPath);
  // The 8.3 short name Windows would give `name` among `siblings`.
  static std::string ShortName(const std::string& name, const std::vector<std::string>& siblings);

 private:
  // One file or directory as listed. Its two names share one block (the
  // drive keeps every file of system32 listed: two strings each cost more
  // than the names they held).
  class Entry {
   public:
    Entry(std::string_view hostName, std::u16string_view folded, bool regular);
    // The name on the host, as bytes.
    std::string_view HostName() const {
      return {reinterpret_cast<const char*>(names_.get() + foldedUnits_), hostBytes_};
    }
    // The Windows name, upper-cased.
    std::u16string_view Folded() const { return {names_.get(), foldedUnits_}; }
    bool regular = false;  // a regular file (or a link to one) when listed

   private:
    std::unique_ptr<char16_t[]> names_;  // the folded name's units, then the host name's bytes
    std::uint32_t foldedUnits_ = 0;
    std::uint32_t hostBytes_ = 0;
  };
  // A directory's entries, found by long and by short name in constant time
  // (system32 holds thousands of files, each looked up many times). The
  // long-name index holds positions of the entries, whose names it reads.
  // Short names are made when a name is first not found by its long name:
  // most references use long names, and giving every file its short name
  // (asking an NTFS mount for each) costs more than listing.
  struct Listed {
    std::vector<Entry> entries;
    FoldedIndex byName;
    // The entry of a name as the A calls give it, not converted first.
    std::size_t FindCp1252(std::string_view name) const {
      return byName.FindCp1252(name, [this, name](std::size_t i) { return EqualFoldedCp1252(entries[i].Folded(), name); });
    }
    std::unique_ptr<std::unordered_map<std::u16string, std::size_t>> byShortName;  // those that differ
    bool caseTwins = false;  // two names differ only in case
    // Whether the file system may hold short names of its own for these
    // files (an NTFS mount), asked once.
    enum class Stored : std::uint8_t { kUnknown, kNo, kYes };
    Stored storesShortNames = Stored::kUnknown;
  };
  bool Components(const std::string& windowsPath, char& drive, std::vector<std::string>& parts);
  Listed& Listing(const std::string& hostDir);
  void MakeShortNames(const std::string& hostDir, Listed& listed);
  bool StoresShortNames(const std::string& hostDir, Listed& listed);
  bool FindEntry(const std::string& hostDir, const std::string& component, std::string& hostName);
  const Entry* FindListed(const std::string& hostDir, const std::string& component);
  const Entry* FindIn(Listed& listed, const std::string& hostDir, std::string_view component);
  // Whether `path` names a plain file name in the directory the last path
  // resolved lay in, spelled as that path spelled it; `leaf`: that name.
  bool InLastDirectory(std::string_view path, std::string_view& leaf) const;
  // ResolveExisting, saying whether it found a regular file (or a link to
  // one; not for a drive's root).
  bool Resolve(const std::string& windowsPath, std::string& hostPath, bool* regular);
  void Forget(const std::string& hostPath);
  bool IsReadOnly(const std::string& hostPath);
  bool Append(const std::string& path, const std::string& bytes, bool durable);

  std::mutex mutex_;
  std::map<char, std::string> drives_;
  char currentDrive_ = 'C';
  std::vector<std::string> currentParts_;
  std::unordered_map<std::string, Listed> listings_;
  // Directories found to lie inside their drive (links resolved), so that a
  // file appended to line by line is not checked again for every line;
  // forgotten with the listings.
  std::unordered_map<std::string, bool> insideDrive_;
  // The file appended to last, kept open for the next append to it: a
  // scan appends its problems to Problems.txt batch after batch, and
  // finding, checking and opening the file again for each cost more than
  // the writing. Closed by any other change made through the drive.
  struct OpenAppend {
    std::string path;
    int fd = -1;
  };
  OpenAppend lastAppend_;
  void CloseAppend();
  // The directory the last path resolved lay in, by its components as
  // given (a scan checks thousands of files in system32 one after another):
  // its host path and listing (null while it has none). Forgotten with the
  // listings.
  struct LastDirectory {
    bool known = false;
    char drive = 0;
    std::vector<std::string> parts;
    std::string host;
    Listed* listed = nullptr;
    // The text of the last absolute path up to its file name, when that
    // name was kept as spelled; empty otherwise.
    std::string text;
  };
  // Directories (by a hash of the host path) a path has landed in without
  // listing them; a hash shared by two only makes the second listed sooner.
  std::unordered_set<std::size_t> probed_;
  LastDirectory lastDirectory_;
  std::vector<std::string> resolvedParts_;  // Resolve's, its room kept
  std::string resolvedHost_;                // CanOpenForRead's, its room kept
};

}  // namespace plat::memory
