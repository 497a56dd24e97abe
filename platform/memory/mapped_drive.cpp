#include "platform/memory/mapped_drive.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

#include "platform/codepage.h"
#include "platform/memory/host_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#ifdef __linux__
#include <sys/xattr.h>
#endif

namespace fs = std::filesystem;

namespace plat::memory {
namespace {

constexpr std::size_t kMaxPath = 259;

char UpperDrive(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// The characters no Windows file name holds, by byte (paths are checked by
// the ten thousand in a scan).
constexpr std::array<bool, 256> kInvalidInName = [] {
  std::array<bool, 256> invalid{};
  for (int c = 0; c < 32; ++c) invalid[c] = true;
  for (unsigned char c : std::string_view("<>:\"|?*")) invalid[c] = true;
  return invalid;
}();

bool InvalidComponent(std::string_view c) {
  if (c.size() > 255) return true;
  for (unsigned char ch : c)
    if (kInvalidInName[ch]) return true;
  return false;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A last component that a path keeps as it is spelled: no "." or "..", no
// trailing dot or blank dropped, no separator, nothing a name cannot hold.
bool IsPlainComponent(std::string_view c) {
  return !c.empty() && c.back() != '.' && c.back() != ' ' && !InvalidComponent(c) &&
         std::none_of(c.begin(), c.end(), IsSeparator);
}

// The text of an absolute path up to its last separator when its last
// component is `leaf` as spelled: another path that starts with that text
// and ends in a plain component lies in the same directory. Empty otherwise.
std::string_view DirectoryText(std::string_view path, std::string_view leaf) {
  if (path.size() < 3 || path[1] != ':' || !IsSeparator(path[2])) return {};
  const std::size_t separator = path.find_last_of("\\/");
  if (path.substr(separator + 1) != leaf) return {};
  return path.substr(0, separator + 1);
}

std::string HostName(std::string_view cp1252) {
  return IsAscii(cp1252) ? std::string(cp1252) : Utf8FromUtf16(Utf16FromCp1252(cp1252));
}
// A host file's name as the A calls show it (the reverse of HostName).
std::string WindowsName(std::string_view host) { return Cp1252FromUtf16(Utf16FromUtf8(host)); }

// What a short name cannot hold and its basis has '_' for.
bool ReplacedInShortName(unsigned char c) {
  switch (c) {
    case '+': case ',': case ';': case '=': case '[': case ']': return true;
    default: return false;
  }
}

bool IsValidShortName(std::string_view name) {
  if (name == "." || name == "..") return false;
  const std::size_t dot = name.find('.');
  const std::size_t baseLength = dot == std::string_view::npos ? name.size() : dot;
  const std::size_t extLength = dot == std::string_view::npos ? 0 : name.size() - dot - 1;
  if (baseLength == 0 || baseLength > 8 || extLength > 3) return false;
  if (dot != std::string_view::npos && name.find('.', dot + 1) != std::string_view::npos) return false;
  for (unsigned char c : name)
    if (c == ' ' || c >= 0x80 || ReplacedInShortName(c))
      return false;
  return true;
}

std::string ShortBasis(const std::string& name, std::string& ext) {
  std::size_t dot = name.rfind('.');
  std::string base = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  std::string rawExt = dot == std::string::npos || dot == 0 ? "" : name.substr(dot + 1);
  auto clean = [](const std::string& s, std::size_t limit) {
    std::string out;
    for (unsigned char c : s) {
      if (out.size() == limit) break;
      if (c == ' ' || c == '.') continue;
      if (ReplacedInShortName(c)) c = '_';
      if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
      out.push_back(static_cast<char>(c));
    }
    return out;
  };
  ext = clean(rawExt, 3);
  return clean(base, 6);
}

// A directory's entries as the mapped drive names them (the code page's
// form, '?' for what it lacks), each handed to `add` with the host's own
// name and whether it is a regular file (or a link to one). Read with
// readdir, and handed over as views of the entry (system32 holds tens of
// thousands of files; a string or path object per entry cost more than the
// scan's use of the listing).
template <typename Add>
void ReadDirectory(const std::string& hostDir, Add add) {
  DIR* dir = ::opendir(hostDir.c_str());
  if (!dir) return;
  std::string windowsName;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    bool isRegular = entry->d_type == DT_REG;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      struct stat st;
      isRegular = ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
    }
    if (IsAscii(name)) {
      add(name, name, isRegular);
    } else {
      windowsName = WindowsName(name);
      add(std::string_view(windowsName), name, isRegular);
    }
  }
  ::closedir(dir);
}

// Read-only is the host file's write permission, honoured even for root.
bool WriteProtected(const fs::file_status& status) {
  return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

}  // namespace

MappedDrive::~MappedDrive() { CloseAppend(); }

void MappedDrive::CloseAppend() {
  if (lastAppend_.fd >= 0) ::close(lastAppend_.fd);
  lastAppend_ = OpenAppend{};
}

void MappedDrive::Map(char letter, const std::string& hostDirectory) {
  std::lock_guard lock(mutex_);
  CloseAppend();
  drives_[UpperDrive(letter)] = hostDirectory;
  listings_.clear();
  probed_.clear();
  insideDrive_.clear();
  lastDirectory_.known = false;
}

void MappedDrive::SetWorkingDirectory(const std::string& windowsPath) {
  char drive = 0;
  std::vector<std::string> parts;
  std::lock_guard lock(mutex_);
  CloseAppend();
  if (Components(windowsPath, drive, parts)) {
    currentDrive_ = drive;
    currentParts_ = parts;
  }
}

std::string MappedDrive::ShortName(const std::string& name, const std::vector<std::string>& siblings) {
  if (IsValidShortName(name)) {
    std::string upper = name;
    for (auto& c : upper)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return upper;
  }
  std::string ext;
  const std::string basis = ShortBasis(name, ext);
  std::vector<std::string> same;
  for (const auto& s : siblings) {
    if (IsValidShortName(s)) continue;
    std::string e;
    if (ShortBasis(s, e) == basis && e == ext) same.push_back(s);
  }
  std::sort(same.begin(), same.end(),
            [](const std::string& a, const std::string& b) { return FoldName(a) < FoldName(b); });
  std::size_t index = std::find(same.begin(), same.end(), name) - same.begin();
  std::string n = std::to_string(index + 1);
  std::string base = basis.substr(0, std::min<std::size_t>(basis.size(), 7 - n.size()));
  return base + "~" + n + (ext.empty() ? "" : "." + ext);
}

bool MappedDrive::Components(const std::string& windowsPath, char& drive,
                             std::vector<std::string>& parts) {
  const std::string_view p = windowsPath;
  if (p.empty() || p.size() > kMaxPath) return false;
  const auto slash = IsSeparator;
  if (p.size() >= 2 && slash(p[0]) && slash(p[1])) return false;  // UNC and device paths
  parts.clear();
  std::size_t at = 0;
  if (p.size() >= 2 && p[1] == ':') {
    drive = UpperDrive(p[0]);
    if (drive < 'A' || drive > 'Z') return false;
    at = 2;
    // "C:name" is relative to the current directory of its drive.
    if ((p.size() == 2 || !slash(p[2])) && drive == currentDrive_) parts = currentParts_;
  } else {
    drive = currentDrive_;
    if (!slash(p[0])) parts = currentParts_;
  }
  while (at <= p.size()) {
    std::size_t end = at;
    while (end < p.size() && !slash(p[end])) ++end;
    std::string_view c = p.substr(at, end - at);
    at = end + 1;
    if (c.empty() || c == ".") continue;
    if (c == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    while (!c.empty() && (c.back() == '.' || c.back() == ' ')) c.remove_suffix(1);
    if (c.empty()) continue;
    if (InvalidComponent(c)) return false;
    parts.emplace_back(c);
  }
  return true;
}

MappedDrive::Entry::Entry(std::string_view hostName, std::u16string_view folded, bool regular)
    : regular(regular),
      names_(std::make_unique_for_overwrite<char16_t[]>(folded.size() + (hostName.size() + 1) / 2)),
      foldedUnits_(static_cast<std::uint32_t>(folded.size())),
      hostBytes_(static_cast<std::uint32_t>(hostName.size())) {
  std::copy(folded.begin(), folded.end(), names_.get());
  std::memcpy(names_.get() + foldedUnits_, hostName.data(), hostName.size());
}

MappedDrive::Listed& MappedDrive::Listing(const std::string& hostDir) {
  auto it = listings_.find(hostDir);
  if (it != listings_.end()) return it->second;
  Listed listed;
  std::u16string folded;
  ReadDirectory(hostDir, [&](std::string_view name, std::string_view hostName, bool regular) {
    FoldNameInto(name, folded);
    listed.entries.emplace_back(hostName, folded, regular);
  });
  listed.entries.shrink_to_fit();
  // Of two names that differ only in case, the first listed is found by
  // any other spelling.
  listed.byName = FoldedIndex(listed.entries.size());
  const auto nameAt = [&listed](std::size_t i) { return listed.entries[i].Folded(); };
  for (std::size_t index = 0; index < listed.entries.size(); ++index)
    if (!listed.byName.InsertFirst(listed.entries[index].Folded(), index, nameAt)) listed.caseTwins = true;
  return listings_.emplace(hostDir, std::move(listed)).first->second;
}

namespace {

// The short name an NTFS mount (ntfs-3g) keeps for a file, into `shortName`
// (empty when it keeps none); false when the file system keeps no short
// names at all, which it says alike for every file.
bool ReadStoredShortName([[maybe_unused]] const std::string& hostPath, std::string& shortName) {
  shortName.clear();
#ifdef __linux__
  char buffer[64];
  const ssize_t n = getxattr(hostPath.c_str(), "system.ntfs_dos_name", buffer, sizeof buffer);
  if (n > 0) shortName.assign(buffer, static_cast<std::size_t>(n));
  return !(n < 0 && (errno == EOPNOTSUPP || errno == ENOTSUP));
#else
  return false;
#endif
}

}  // namespace

bool MappedDrive::StoresShortNames(const std::string& hostDir, Listed& listed) {
  if (listed.storesShortNames == Listed::Stored::kUnknown) {
    // Asked of one file: a file system without the attribute says so for
    // every file alike.
    std::string shortName;
    listed.storesShortNames =
        !listed.entries.empty() &&
                ReadStoredShortName((hostDir + "/").append(listed.entries.front().HostName()), shortName)
            ? Listed::Stored::kYes
            : Listed::Stored::kNo;
  }
  return listed.storesShortNames == Listed::Stored::kYes;
}

void MappedDrive::MakeShortNames(const std::string& hostDir, Listed& listed) {
  // The long names again, as the listing spelled them for Windows.
  std::vector<std::string> names;
  names.reserve(listed.entries.size());
  for (const Entry& e : listed.entries) {
    const std::string_view host = e.HostName();
    names.push_back(IsAscii(host) ? std::string(host) : WindowsName(host));
  }
  // Names that need a generated short name, grouped by its basis, so that
  // each one's number is found without walking every sibling again.
  std::map<std::pair<std::string, std::string>, std::vector<std::string>> groups;
  std::vector<bool> valid(names.size());  // a valid 8.3 name is its own short name
  for (std::size_t index = 0; index < names.size(); ++index) {
    const std::string& name = names[index];
    valid[index] = IsValidShortName(name);
    if (valid[index]) continue;
    std::string ext;
    const std::string basis = ShortBasis(name, ext);
    groups[{basis, ext}].push_back(name);
  }
  std::unordered_map<std::string, std::size_t> number;  // a name's place in its group, from 1
  for (auto& [key, group] : groups) {
    std::sort(group.begin(), group.end(),
              [](const std::string& a, const std::string& b) { return FoldName(a) < FoldName(b); });
    for (std::size_t i = 0; i < group.size(); ++i) number[group[i]] = i + 1;
  }
  listed.byShortName = std::make_unique<std::unordered_map<std::u16string, std::size_t>>();
  // An NTFS mount gives each file's real short name; a file system without
  // them is not asked for each file (system32 holds thousands).
  bool shortNamesStored = StoresShortNames(hostDir, listed);
  std::string shortName;
  for (std::size_t index = 0; index < names.size(); ++index) {
    const std::string& name = names[index];
    const Entry& e = listed.entries[index];
    shortName.clear();
    if (shortNamesStored) shortNamesStored = ReadStoredShortName((hostDir + "/").append(e.HostName()), shortName);
    // A valid 8.3 name is its own short name, found through the long one.
    if (shortName.empty() && !valid[index]) {
      std::string ext;
      const std::string basis = ShortBasis(name, ext);
      const std::string n = std::to_string(number[name]);
      shortName = basis.substr(0, std::min<std::size_t>(basis.size(), 7 - n.size())) + "~" + n +
                  (ext.empty() ? "" : "." + ext);
    }
    if (shortName.empty()) continue;
    std::u16string folded = FoldName(shortName);
    if (folded != e.Folded()) listed.byShortName->emplace(std::move(folded), index);
  }
}

const MappedDrive::Entry* MappedDrive::FindListed(const std::string& hostDir, const std::string& component) {
  return FindIn(Listing(hostDir), hostDir, component);
}

const MappedDrive::Entry* MappedDrive::FindIn(Listed& listed, const std::string& hostDir,
                                              std::string_view component) {
  // Of names that differ only in case (a host directory may hold them),
  // the one spelled as asked, as a look-up of that spelling finds it.
  if (listed.caseTwins) {
    const std::string host = HostName(component);
    for (const Entry& e : listed.entries)
      if (e.HostName() == host) return &e;
  }
  // A long name first, then a short one, as Windows matches them.
  if (const std::size_t index = listed.FindCp1252(component); index != FoldedIndex::kNotFound)
    return &listed.entries[index];
  if (!listed.byShortName) {
    // Every short name made here holds a '~': where the file system stores
    // none, a name without one is nobody's short name, and the directory's
    // short names (system32's: thousands) are not made for it.
    if (component.find('~') == std::string_view::npos && !StoresShortNames(hostDir, listed)) return nullptr;
    MakeShortNames(hostDir, listed);
  }
  thread_local std::u16string folded;
  FoldNameInto(component, folded);
  const auto it = listed.byShortName->find(folded);
  return it == listed.byShortName->end() ? nullptr : &listed.entries[it->second];
}

bool MappedDrive::FindEntry(const std::string& hostDir, const std::string& component, std::string& hostName) {
  const Entry* entry = FindListed(hostDir, component);
  if (!entry) return false;
  hostName = entry->HostName();
  return true;
}

bool MappedDrive::InLastDirectory(std::string_view path, std::string_view& leaf) const {
  const LastDirectory& directory = lastDirectory_;
  const std::string_view text = directory.text;
  if (!directory.known || text.empty() || path.size() > kMaxPath || path.size() <= text.size() ||
      path.compare(0, text.size(), text) != 0)
    return false;
  leaf = path.substr(text.size());
  return IsPlainComponent(leaf);
}

bool MappedDrive::Resolve(const std::string& windowsPath, std::string& hostPath, bool* regular) {
  if (regular) *regular = false;
  LastDirectory& directory = lastDirectory_;
  // A scan checks thousands of files of one directory in a row, spelled
  // alike up to the file's name: those skip taking the path apart.
  std::string_view leaf;
  if (!InLastDirectory(windowsPath, leaf)) {
    char drive = 0;
    std::vector<std::string>& parts = resolvedParts_;
    if (!Components(windowsPath, drive, parts)) return false;
    auto d = drives_.find(drive);
    if (d == drives_.end()) return false;
    if (parts.empty()) {
      hostPath = d->second;
      return true;
    }
    const auto directoryEnd = parts.end() - 1;
    if (!directory.known || directory.drive != drive ||
        !std::equal(parts.begin(), directoryEnd, directory.parts.begin(), directory.parts.end())) {
      std::string host = d->second;
      for (auto part = parts.begin(); part != directoryEnd; ++part) {
        const Entry* entry = FindListed(host, *part);
        if (!entry) return false;
        host.append("/").append(entry->HostName());
      }
      directory.drive = drive;
      directory.parts.assign(parts.begin(), directoryEnd);
      const auto listed = listings_.find(host);
      directory.listed = listed == listings_.end() ? nullptr : &listed->second;
      directory.host = std::move(host);
      directory.known = true;
    }
    directory.text = DirectoryText(windowsPath, parts.back());
    leaf = parts.back();
  }
  if (!directory.listed) {
    // A directory a path first lands in is not listed for it: most such (a
    // program's own folder) are asked for one file, and that file as spelled
    // is one system call where a listing is four. The next path into the
    // directory lists it.
    if (probed_.insert(std::hash<std::string>{}(directory.host)).second) {
      hostPath.assign(directory.host).append("/").append(HostName(leaf));
      struct stat st;
      if (::stat(hostPath.c_str(), &st) == 0) {
        if (regular) *regular = S_ISREG(st.st_mode);
        return true;
      }
    }
    directory.listed = &Listing(directory.host);
  }
  const Entry* last = FindIn(*directory.listed, directory.host, leaf);
  if (!last) return false;
  if (regular) *regular = last->regular;
  hostPath.assign(directory.host).append("/").append(last->HostName());
  return true;
}

bool MappedDrive::ResolveExisting(const std::string& windowsPath, std::string& hostPath) {
  return Resolve(windowsPath, hostPath, nullptr);
}

bool MappedDrive::ResolveForWrite(const std::string& windowsPath, std::string& hostPath) {
  char drive = 0;
  std::vector<std::string> parts;
  if (!Components(windowsPath, drive, parts) || parts.empty()) return false;
  auto d = drives_.find(drive);
  if (d == drives_.end()) return false;
  std::string host = d->second;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    std::string name;
    if (!FindEntry(host, parts[i], name)) return false;
    host += "/" + name;
  }
  std::error_code ec;
  if (!fs::is_directory(host, ec)) return false;
  std::string leaf;
  if (!FindEntry(host, parts.back(), leaf)) leaf = HostName(parts.back());
  // A file written through a symbolic link, or in a directory a link leads
  // to, could lie anywhere on the host: writes stay on the mapped drive.
  if (fs::is_symlink(host + "/" + leaf, ec)) return false;
  auto inside = insideDrive_.find(host);
  if (inside == insideDrive_.end()) {
    const fs::path root = fs::weakly_canonical(d->second, ec);
    const fs::path dir = fs::weakly_canonical(host, ec);
    const auto rel = dir.lexically_relative(root);
    inside = insideDrive_.emplace(host, !ec && !rel.empty() && *rel.begin() != "..").first;
  }
  if (!inside->second) return false;
  hostPath = host + "/" + leaf;
  return true;
}

void MappedDrive::Forget(const std::string& hostPath) {
  listings_.erase(fs::path(hostPath).parent_path().string());
  insideDrive_.clear();
  lastDirectory_.known = false;
}

bool MappedDrive::IsReadOnly(const std::string& hostPath) {
  std::error_code ec;
  const fs::file_status status = fs::status(hostPath, ec);
  return !ec && WriteProtected(status);
}

bool MappedDrive::CanOpenForRead(const std::string& path) {
  std::lock_guard lock(mutex_);
  std::string& host = resolvedHost_;
  bool regular = false;
  // Asked for every file a registry text names (tens of thousands in one
  // scan): the directory listing answers. A file that is there can be
  // opened: whether the host lets this user read it says nothing of whether
  // Windows could (the mount's modes are not the disk's ACLs), and a file
  // called missing for it would have its registry entries offered for
  // deletion.
  return Resolve(path, host, &regular) && regular;
}

bool MappedDrive::ReadFile(const std::string& path, std::string& contents) {
  std::lock_guard lock(mutex_);
  std::string host, why;
  return ResolveExisting(path, host) && ReadHostFile(host, contents, why);
}

bool MappedDrive::AppendFile(const std::string& path, const std::string& bytes) {
  return Append(path, bytes, false);
}

bool MappedDrive::AppendFileDurably(const std::string& path, const std::string& bytes) {
  return Append(path, bytes, true);
}

bool MappedDrive::Append(const std::string& path, const std::string& bytes, bool durable) {
  std::lock_guard lock(mutex_);
  if (!durable && lastAppend_.fd >= 0 && lastAppend_.path == path) {
    if (WriteAll(lastAppend_.fd, bytes)) return true;
    CloseAppend();
    return false;
  }
  CloseAppend();
  std::string host;
  std::error_code ec;
  if (!ResolveForWrite(path, host)) return false;
  // One look at the file: a directory is not appended to, a read-only file
  // is refused, a missing one is created.
  const fs::file_status status = fs::status(host, ec);
  const bool created = !fs::exists(status);
  if (fs::is_directory(status)) return false;
  if (!created && WriteProtected(status)) return false;
  const int fd = ::open(host.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  if (created) Forget(host);
  if (!durable) {
    if (!WriteAll(fd, bytes)) {
      ::close(fd);
      return false;
    }
    lastAppend_ = OpenAppend{path, fd};
    return true;
  }
  const off_t start = ::lseek(fd, 0, SEEK_END);
  bool ok = start >= 0 && WriteAll(fd, bytes);
  if (ok) ok = ::fsync(fd) == 0 && (!created || SyncDirectory(fs::path(host).parent_path().string()));
  if (!ok && start >= 0) {
    // The system may have taken part of the bytes before it failed (a full
    // disk): they are cut off again so that no partial line stays.
    if (::ftruncate(fd, start) == 0) ::fsync(fd);
  }
  return ::close(fd) == 0 && ok;
}

bool MappedDrive::ReadFileFrom(const std::string& path, std::uint64_t offset, std::string& contents) {
  std::lock_guard lock(mutex_);
  std::string host;
  std::error_code ec;
  if (!ResolveExisting(path, host) || !fs::is_regular_file(host, ec)) return false;
  const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string out;
  char buffer[65536];
  bool ok = true;
  for (off_t at = static_cast<off_t>(offset);;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    out.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
  ::close(fd);
  if (ok) contents = std::move(out);
  return ok;
}

bool MappedDrive::TruncateFile(const std::string& path, std::uint64_t length) {
  std::lock_guard lock(mutex_);
  CloseAppend();
  std::string host;
  std::error_code ec;
  if (!ResolveExisting(path, host) || !fs::is_regular_file(host, ec)) return false;
  const int fd = ::open(host.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::ftruncate(fd, static_cast<off_t>(length)) == 0 && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

bool MappedDrive::ReplaceFileContents(const std::string& path, const std::string& bytes) {
  std::lock_guard lock(mutex_);
  CloseAppend();
  std::string host;
  std::error_code ec;
  if (!ResolveForWrite(path, host) || fs::is_directory(host, ec)) return false;
  if (fs::exists(host, ec) && IsReadOnly(host)) return false;
  std::string error;
  if (!WriteHostFileAtomically(host, bytes, error)) return false;
  Forget(host);
  return true;
}

bool MappedDrive::Rename(const std::string& from, const std::string& to) {
  std::lock_guard lock(mutex_);
  CloseAppend();
  std::string source, target;
  std::error_code ec;
  if (!ResolveExisting(from, source) || !fs::is_regular_file(source, ec)) return false;
  if (!ResolveForWrite(to, target)) return false;
  // Windows refuses to rename onto an existing file, except onto itself with
  // other letter case.
  if (fs::exists(target, ec) && !fs::equivalent(source, target, ec)) return false;
  fs::rename(source, target, ec);
  Forget(source);
  Forget(target);
  return !ec;
}

bool MappedDrive::Remove(const std::string& path) {
  std::lock_guard lock(mutex_);
  CloseAppend();
  std::string host;
  std::error_code ec;
  if (!ResolveExisting(path, host) || !fs::is_regular_file(host, ec)) return false;
  if (IsReadOnly(host)) return false;  // DeleteFile refuses read-only files
  bool removed = fs::remove(host, ec);
  Forget(host);
  return removed && !ec;
}

bool MappedDrive::SetAttributes(const std::string& path, unsigned attributes) {
  std::lock_guard lock(mutex_);
  CloseAppend();
  std::string host;
  if (!ResolveExisting(path, host)) return false;
  std::error_code ec;
  const auto writeBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if (attributes & attr::kReadOnly)
    fs::permissions(host, writeBits, fs::perm_options::remove, ec);
  else
    fs::permissions(host, fs::perms::owner_write, fs::perm_options::add, ec);
  return !ec;
}

bool MappedDrive::ListFiles(const std::string& directory, std::vector<std::string>& names) {
  std::lock_guard lock(mutex_);
  std::string host;
  std::error_code ec;
  if (!ResolveExisting(directory, host) || !fs::is_directory(host, ec)) return false;
  for (fs::directory_iterator d(host, ec), end; !ec && d != end; d.increment(ec))
    if (d->is_regular_file(ec)) names.push_back(Cp1252FromUtf16(Utf16FromUtf8(d->path().filename().string())));
  return true;
}

}  // namespace plat::memory
