#include "platform/hive/hive_store.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <hivex.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <unordered_set>

#include "platform/codepage.h"
#include "platform/memory/host_files.h"
#include "platform/hive/stored_cells.h"
#include "platform/hive/hive_log.h"
#include "platform/hive/read_pages.h"
#include "platform/hive/stored_names.h"

namespace plat::hive {
namespace {

namespace fs = std::filesystem;
using memory::RegNode;

// Takes ownership of a UTF-8 name libhivex allocated, as UTF-16.
std::u16string TakeWide(char* text) {
  std::u16string out = Utf16FromUtf8(text ? std::string_view(text) : std::string_view());
  std::free(text);
  return out;
}

std::string Stamp(const LocalTime& now) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d%02d%02d-%02d%02d%02d", now.year % 100, now.month, now.day, now.hour,
                now.minute, now.second);
  return stamp;
}

// String data set through the A calls, as RegSetValueExA stores it: UTF-16.
std::string HiveStringData(std::string_view ansi) {
  std::string wide;
  wide.reserve(ansi.size() * 2);
  for (char16_t c : Utf16FromCp1252(ansi)) {
    wide += static_cast<char>(c & 0xFF);
    wide += static_cast<char>(c >> 8);
  }
  return wide;
}

bool Fsync(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// A file in /tmp that is gone again when the object is.
class TempFile {
 public:
  ~TempFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  bool Write(const std::string& bytes) {
    char name[] = "/tmp/tidemarrow-hive-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) return false;
    path_ = name;
    const bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && written;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

hive_h* OpenCutShort(const std::string& path) {
  std::string bytes, why;
  if (!memory::ReadHostFile(path, bytes, why) || bytes.size() < 8192) return nullptr;
  // Keep the hive bins that are whole.
  std::size_t end = 4096;
  while (end + 32 <= bytes.size() && std::memcmp(bytes.data() + end, "hbin", 4) == 0) {
    std::uint32_t size = 0;
    std::memcpy(&size, bytes.data() + end + 8, 4);
    if (size < 4096 || size % 4096) break;
    if (end + size > bytes.size()) {
      // The bin the cut went through keeps its whole pages.
      const std::uint32_t kept = static_cast<std::uint32_t>((bytes.size() - end) / 4096 * 4096);
      if (kept == 0) break;
      std::memcpy(bytes.data() + end + 8, &kept, 4);
      end += kept;
      break;
    }
    end += size;
  }
  if (end == 4096) return nullptr;
  bytes.resize(end);
  const std::uint32_t bins = static_cast<std::uint32_t>(bytes.size() - 4096);
  std::memcpy(bytes.data() + 40, &bins, 4);
  const std::uint32_t sum = HeaderChecksum(reinterpret_cast<const unsigned char*>(bytes.data()));
  std::memcpy(bytes.data() + 508, &sum, 4);
  TempFile temp;
  return temp.Write(bytes) ? hivex_open(temp.path().c_str(), HIVEX_OPEN_UNSAFE) : nullptr;
}

void ForEachNode(RegNode& root, const std::function<void(RegNode&)>& visit) {
  std::vector<RegNode*> pending{&root};
  while (!pending.empty()) {
    RegNode* n = pending.back();
    pending.pop_back();
    visit(*n);
    for (auto& c : n->Children()) pending.push_back(c.get());
  }
}

}  // namespace

std::string HiveState::Describe() const {
  std::string text = mount.hostPath + ": ";
  if (readOnly) text += "read-only: " + reason;
  else if (readOnlyKeys) text += "unreadable values kept (" + std::to_string(readOnlyKeys) + " keys read-only)";
  else text += "clean";
  return text + "; " + std::to_string(keys) + " keys, " + std::to_string(values) + " values";
}

struct HiveStore::Loaded {
  std::size_t state;                  // index in states_
  std::shared_ptr<RegNode> tree;      // the hive's root as read, before it is mounted
  std::shared_ptr<RegNode> mountNode; // where it is mounted
};

HiveStore::HiveStore() = default;
HiveStore::~HiveStore() = default;

namespace {

// The keys a read has reached, one bit per possible cell (cells start on
// 4-byte boundaries; a damaged hive read leniently may point elsewhere, and
// those are kept apart): a hash set of 200,000 keys cost more to build and
// free than reading them.
class SeenKeys {
 public:
  // False when the key was reached before.
  bool Insert(hive_node_h node) {
    if (node % 4) return odd_.insert(node).second;
    const std::size_t cell = node / 4;
    if (cell / 64 >= bits_.size()) bits_.resize(cell / 64 + 1 + bits_.size() / 2);
    std::uint64_t& word = bits_[cell / 64];
    const std::uint64_t bit = std::uint64_t{1} << (cell % 64);
    if (word & bit) return false;
    word |= bit;
    return true;
  }

 private:
  std::vector<std::uint64_t> bits_;
  std::unordered_set<hive_node_h> odd_;
};

// The length of a list libhivex ends with a zero handle.
template <typename Handle>
std::size_t ListLength(const Handle* list) {
  std::size_t length = 0;
  while (list[length]) ++length;
  return length;
}

// Reads one hive into a tree of its own. Structure that cannot be read
// (subkey lists, key names, keys reached twice) counts against the hive;
// values that cannot be read make their key read-only.
struct HiveReader {
  // `h`: libhivex's handle of `path`, or null when `cells` accepted the file
  // (libhivex is then opened strictly only if something is not read there).
  HiveReader(hive_h* h, std::string path, HiveState& state, const ReadPages& pages, StoredCells&& cells)
      : h(h), path(std::move(path)), state(state), pages(pages), names(pages.File()), cells(std::move(cells)) {}

  hive_h* h;
  std::string path;
  bool opened = h != nullptr;
  HiveState& state;
  const ReadPages& pages;
  std::size_t structureErrors = 0;
  StoredNames names;
  StoredCells cells;
  std::u16string name;  // the name being read, its room reused
  memory::UnitPool pool;  // where the names and values read are kept
  std::vector<hive_node_h> children;  // the lists being read, their room reused
  std::vector<hive_value_h> values;

  // What libhivex answers `ask` with its handle, or null when it cannot be
  // opened.
  template <typename Ask>
  auto Libhivex(const Ask& ask) -> decltype(ask(h)) {
    if (!opened) {
      opened = true;
      h = hivex_open(path.c_str(), 0);
    }
    return h ? ask(h) : nullptr;
  }

  void Read(RegNode& root) {
    struct Pending {
      hive_node_h node;
      RegNode* into;
      std::size_t depth;
    };
    const hive_node_h rootKey = cells.Accepted() ? cells.Root() : hivex_root(h);
    std::vector<Pending> pending{{rootKey, &root, 0}};
    SeenKeys seen;
    root.origin = rootKey;
    while (!pending.empty()) {
      const Pending p = pending.back();
      pending.pop_back();
      constexpr std::size_t kKeysBetweenReleases = 4096;
      if (++state.keys % kKeysBetweenReleases == 0) GiveBackPages(pending, p.node);
      ReadValues(p.node, *p.into);
      if (p.depth >= kMaxKeyDepth) continue;
      if (!cells.Children(p.node, children) &&
          !FromLibhivex(Libhivex([&](hive_h* x) { return hivex_node_children(x, p.node); }), children)) {
        Unreadable(*p.into, true);
        continue;
      }
      p.into->children.reserve(children.size());
      const std::size_t pushedFrom = pending.size();
      for (std::size_t i = 0; i < children.size(); ++i) {
        // A damaged hive can point back at a key already read: each is read once.
        if (!seen.Insert(children[i])) {
          Unreadable(*p.into, true);
          continue;
        }
        if (!names.KeyName(children[i], name) &&
            !NameFromLibhivex(Libhivex([&](hive_h* x) { return hivex_node_name(x, children[i]); }))) {
          Unreadable(*p.into, true);
          continue;
        }
        auto child = p.into->AddWide(name, &pool);
        if (!child) {  // two keys of one name
          Unreadable(*p.into, true);
          continue;
        }
        child->origin = children[i];
        pending.push_back({children[i], child.get(), p.depth + 1});
      }
      // Taken from the stack in the order listed, which is mostly the order
      // they lie in the file, so that the reading moves forward through it.
      std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(pushedFrom), pending.end());
    }
  }

  // The file's pages behind every key still to be read are given back now
  // and then (libhivex mapped them all when it opened the file, so the tree
  // would otherwise grow beside the whole file); ReadPages gives back all of
  // them when that is not enough. A page needed again is mapped again from
  // the page cache.
  template <typename Stack>
  void GiveBackPages(const Stack& pending, hive_node_h current) {
    hive_node_h lowest = current;
    for (const auto& q : pending) lowest = std::min(lowest, q.node);
    pages.ReleaseBefore(lowest);
  }

  void ReadValues(hive_node_h node, RegNode& into) {
    if (!cells.Values(node, values) &&
        !FromLibhivex(Libhivex([&](hive_h* x) { return hivex_node_values(x, node); }), values)) {
      Unreadable(into, true);
      return;
    }
    into.values.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      const bool named = names.ValueName(values[i], name) ||
                         NameFromLibhivex(Libhivex([&](hive_h* x) { return hivex_value_key(x, values[i]); }));
      // Any 32-bit type can stand in a hive, not only hive_type's names.
      static_assert(sizeof(hive_type) == sizeof(std::uint32_t));
      std::uint32_t type = 0;
      std::string_view data;
      std::unique_ptr<char, decltype(&std::free)> copied(nullptr, &std::free);
      bool read = named && cells.ValueData(values[i], type, data);
      if (named && !read) {
        std::size_t length = 0;
        copied.reset(Libhivex([&](hive_h* x) {
          return hivex_value_value(x, values[i], reinterpret_cast<hive_type*>(&type), &length);
        }));
        read = copied != nullptr;
        if (read) data = std::string_view(copied.get(), length);
      }
      if (!read) {
        Unreadable(into, false);
        continue;
      }
      into.values.emplace_back(name, type, data, regtype::IsString(type), &pool);
      ++state.values;
    }
  }

  // A list libhivex read (one not read from the file's bytes), taken as
  // `out`; false when it could not read it.
  template <typename Handle>
  static bool FromLibhivex(Handle* list, std::vector<Handle>& out) {
    if (!list) return false;
    out.assign(list, list + ListLength(list));
    std::free(list);
    return true;
  }

  // A name libhivex read (a name not plainly stored), taken as `name`;
  // false when it could not read it.
  bool NameFromLibhivex(char* utf8) {
    if (!utf8) return false;
    name = TakeWide(utf8);
    return true;
  }

  void Unreadable(RegNode& node, bool structure) {
    ++state.unreadableParts;
    if (structure) ++structureErrors;
    if (!node.readOnly) ++state.readOnlyKeys;
    node.readOnly = true;
  }
};

}  // namespace

bool HiveStore::Load(const std::vector<HiveMount>& mounts, memory::MemoryRegistry& registry,
                     std::vector<std::string>& notes, std::string& error) {
  std::vector<std::unique_ptr<Loaded>> loaded;
  std::vector<HiveState> states;
  for (const auto& mount : mounts) {
    HiveState st;
    st.mount = mount;
    st.header = ReadHiveHeader(mount.hostPath);
    // A dirty hive is read as Windows would load it: with its logs replayed,
    // in memory; the file itself is left for `recover`.
    std::string readFrom = mount.hostPath;
    TempFile recovered;
    if (st.header.state == HiveHeader::State::kDirty) {
      const LogRecovery r = RecoverHive(mount.hostPath);
      if (r.recovered && recovered.Write(r.hive)) {
        readFrom = recovered.path();
        st.header.reason += "; read with its logs replayed (" + r.reason + ")";
      } else {
        st.header.reason += "; its logs cannot be replayed (" + r.reason + "), so it is read without them";
      }
    }
    const std::uint64_t residentBefore = ReadPages::Resident();
    // A hive that passes every check libhivex's strict open makes is read
    // from a mapping of its own, and libhivex, whose open reads the whole
    // file once more, is opened only for what is not read here.
    ReadPages pages = ReadPages::Map(readFrom, residentBefore);
    StoredCells cells(pages.File());
    hive_h* h = nullptr;
    bool strict = cells.Accepted();
    int strictErrno = 0;
    if (!strict) {
      pages = ReadPages();
      h = hivex_open(readFrom.c_str(), 0);
      strict = h != nullptr;
      strictErrno = errno;
      if (!h) h = hivex_open(readFrom.c_str(), HIVEX_OPEN_UNSAFE);
      // A hive cut short (a crash, a copy that stopped) claims more hive
      // bins than the file holds, and libhivex refuses it: what is there is
      // read from a copy whose header claims only that.
      if (!h && st.header.binsSize != 0 && 4096 + std::uint64_t{st.header.binsSize} > st.header.fileSize)
        h = OpenCutShort(mount.hostPath);
      if (!h) {
        error = mount.hostPath + ": not a hive that can be read (" +
                (st.header.state == HiveHeader::State::kDamaged ? st.header.reason : std::strerror(strictErrno)) + ")";
        return false;
      }
      pages = ReadPages(readFrom, residentBefore);
    }
    auto l = std::make_unique<Loaded>();
    l->tree = std::make_shared<RegNode>();
    HiveReader reader{h, readFrom, st, pages, std::move(cells)};
    reader.Read(*l->tree);
    if (reader.h) hivex_close(reader.h);
    if (st.header.state != HiveHeader::State::kClean) {
      st.readOnly = true;
      st.reason = st.header.reason;
    } else if (!strict) {
      st.readOnly = true;
      st.reason = "libhivex reads it only in its lenient mode (" + std::string(std::strerror(strictErrno)) + ")";
    } else if (reader.structureErrors) {
      st.readOnly = true;
      st.reason = std::to_string(reader.structureErrors) + " subkey lists or key names cannot be read";
    }
    if (st.readOnly) {
      ForEachNode(*l->tree, [](RegNode& n) { n.readOnly = true; });
      notes.push_back(mount.hostPath + ": " +
                      (st.header.state == HiveHeader::State::kDirty ? "dirty" : "damaged") + ", " + st.reason +
                      "; it is never written" +
                      (st.header.state == HiveHeader::State::kDirty ? " until tidemarrow-cli recover has written its logs into it" : ""));
    } else if (st.readOnlyKeys) {
      notes.push_back(mount.hostPath + ": " + std::to_string(st.unreadableParts) + " values cannot be read; the " +
                      std::to_string(st.readOnlyKeys) + " keys that hold them are kept as they are and never changed");
    }
    l->state = states.size();
    states.push_back(st);
    loaded.push_back(std::move(l));
  }
  // Every hive was read: now they are mounted.
  for (auto& l : loaded) {
    const HiveMount& mount = states[l->state].mount;
    if (mount.mountPath.empty()) {
      auto root = registry.Root(mount.hive);
      root->AdoptChildren(*l->tree);
      root->values = std::move(l->tree->values);
      root->origin = l->tree->origin;
      root->readOnly = l->tree->readOnly;
      l->mountNode = root;
    } else {
      const std::size_t slash = mount.mountPath.rfind('\\');
      const std::string parentPath = slash == std::string::npos ? "" : mount.mountPath.substr(0, slash);
      const std::string leaf = slash == std::string::npos ? mount.mountPath : mount.mountPath.substr(slash + 1);
      // A parent no hive holds exists only in memory.
      if (!parentPath.empty() && !registry.NodeAt(mount.hive, parentPath))
        AddVolatileKey(registry, mount.hive, parentPath);
      auto parent = parentPath.empty() ? registry.Root(mount.hive) : registry.NodeAt(mount.hive, parentPath);
      if (!parent) {
        error = mount.hostPath + ": cannot be mounted at " + mount.mountPath;
        return false;
      }
      l->tree->wide = Utf16FromCp1252(leaf);
      parent->Attach(l->tree);
      l->mountNode = l->tree;
    }
    l->tree.reset();
  }
  // Mounting marks nothing as changed by a job.
  for (auto& l : loaded)
    ForEachNode(*l->mountNode, [](RegNode& n) {
      n.valuesChanged = false;
      n.ClearRemovedOrigins();
    });
  registry.Changed();
  for (auto& l : loaded) l->state += states_.size();
  states_.insert(states_.end(), states.begin(), states.end());
  for (auto& l : loaded) hives_.push_back(std::move(l));
  return true;
}

void HiveStore::AddVolatileKey(memory::MemoryRegistry& registry, HKey hive, const std::string& path) {
  auto node = registry.Root(hive);
  bool created = false;
  std::size_t start = 0;
  while (node && start <= path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    const std::u16string wide = Utf16FromCp1252(path.substr(start, end - start));
    auto child = node->Find(FoldUtf16(wide));
    if (!child) {
      child = node->AddWide(wide);
      if (!created) child->isVolatile = true;
      created = true;
    }
    node = child;
    start = end + 1;
  }
  registry.Changed();
}

void HiveStore::MarkVolatile(memory::MemoryRegistry& registry, HKey hive, const std::string& path) {
  if (auto node = registry.NodeAt(hive, path)) node->isVolatile = true;
}

std::string HiveStore::ReadOnlyReason(HKey hive, const std::string& path) const {
  const HiveState* best = nullptr;
  const std::u16string folded = FoldName(path);
  for (const auto& st : states_) {
    if (st.mount.hive != hive) continue;
    const std::u16string mount = FoldName(st.mount.mountPath);
    const bool under = mount.empty() || folded == mount ||
                       (folded.size() > mount.size() && folded.compare(0, mount.size(), mount) == 0 &&
                        folded[mount.size()] == u'\\');
    if (under && (!best || st.mount.mountPath.size() > best->mount.mountPath.size())) best = &st;
  }
  return best && best->readOnly ? best->mount.hostPath + " is read-only: " + best->reason : "";
}

namespace {

// Writes what a job changed below one mount into an open hive.
class HiveWriter {
 public:
  HiveWriter(hive_h* h, const std::set<const RegNode*>& foreign) : h_(h), foreign_(foreign) {}

  bool Apply(RegNode& node, const std::string& path) {
    if (node.valuesChanged && !SetValues(node)) return Fail("the values of " + path + " cannot be written");
    for (std::uint64_t removed : node.RemovedOrigins())
      if (hivex_node_delete_child(h_, removed) != 0) return Fail("a key below " + path + " cannot be deleted");
    for (auto& child : node.Children()) {
      if (foreign_.count(child.get()) || child->isVolatile || child->Link()) continue;
      const std::string childPath = path + "\\" + child->Name();
      if (child->origin == 0) {
        const hive_node_h added = hivex_node_add_child(h_, node.origin, Utf8FromUtf16(child->wide).c_str());
        if (!added) return Fail("the key " + childPath + " cannot be added");
        child->origin = added;
        child->valuesChanged = true;
        added_.push_back(child.get());
      }
      if (!Apply(*child, childPath)) return false;
    }
    return true;
  }

  // The keys added, each with where it now stands in the hive.
  const std::vector<RegNode*>& Added() const { return added_; }

  const std::string& error() const { return error_; }

 private:
  bool SetValues(RegNode& node) {
    std::vector<std::string> names, datas;
    names.reserve(node.values.size());
    datas.reserve(node.values.size());
    for (const auto& v : node.values) {
      names.push_back(Utf8FromUtf16(v.Wide()));
      datas.push_back(!v.Utf16() && regtype::IsString(v.Type()) ? HiveStringData(v.Data()) : v.Data());
    }
    std::vector<hive_set_value> set(node.values.size());
    for (std::size_t i = 0; i < set.size(); ++i) {
      set[i].key = names[i].data();
      const std::uint32_t type = node.values[i].Type();
      std::memcpy(&set[i].t, &type, sizeof set[i].t);
      set[i].len = datas[i].size();
      set[i].value = datas[i].data();
    }
    return hivex_node_set_values(h_, node.origin, set.size(), set.data(), 0) == 0;
  }

  bool Fail(const std::string& what) {
    error_ = what + " (" + std::strerror(errno) + ")";
    return false;
  }

  hive_h* h_;
  const std::set<const RegNode*>& foreign_;
  std::vector<RegNode*> added_;
  std::string error_;
};

// Writes the changes below a mount into `temp` in a child process. libhivex
// stops the process with an assertion when a cell it frees while deleting a
// key is not where the hive says (damage the reading does not see): in a
// child that ends only the child, the hive stays as it was, and the user is
// told. The child reports where each key it added stands in the new file;
// the addresses of the nodes are the parent's too, as fork copies them.
bool WriteHiveApart(const HiveMount& mount, RegNode& root, const std::set<const RegNode*>& foreign,
                    const std::string& temp, std::vector<std::pair<RegNode*, std::uint64_t>>& origins,
                    std::string& error) {
  int fds[2];
  if (::pipe(fds) != 0) {
    error = "no pipe for the hive writer";
    return false;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    error = "the hive writer cannot be started";
    return false;
  }
  if (child == 0) {
    ::close(fds[0]);
    // The assertion must end this child quietly, whatever handler the
    // parent installed for it (a crash reporter would report a crash).
    std::signal(SIGABRT, SIG_DFL);
    std::string report;
    auto finish = [&](char status, const std::string& text) {
      report = std::string(1, status) + report + text;
      for (std::size_t done = 0; done < report.size();) {
        const ssize_t n = ::write(fds[1], report.data() + done, report.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
      ::_exit(0);
    };
    hive_h* h = hivex_open(mount.hostPath.c_str(), HIVEX_OPEN_WRITE);
    if (!h) finish('E', mount.hostPath + ": cannot be opened for writing (" + std::strerror(errno) + ")");
    HiveWriter writer(h, foreign);
    if (!writer.Apply(root, mount.mountPath)) finish('E', mount.hostPath + ": " + writer.error());
    if (hivex_commit(h, temp.c_str(), 0) != 0)
      finish('E', temp + ": the hive cannot be written (" + std::strerror(errno) + ")");
    hivex_close(h);
    if (!Fsync(temp)) finish('E', temp + ": cannot be flushed");
    hive_h* check = hivex_open(temp.c_str(), 0);
    if (!check) finish('E', temp + ": the hive written does not read back");
    hivex_close(check);
    for (RegNode* n : writer.Added()) {
      const std::uint64_t pair[2] = {reinterpret_cast<std::uintptr_t>(n), n->origin};
      report.append(reinterpret_cast<const char*>(pair), sizeof pair);
    }
    finish('K', "");
  }
  ::close(fds[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    report.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (report.empty() || !WIFEXITED(status)) {
    error = mount.hostPath + ": libhivex stopped while writing it (a damaged cell it cannot free)";
    return false;
  }
  if (report[0] != 'K') {
    error = report.substr(1);
    return false;
  }
  for (std::size_t at = 1; at + 16 <= report.size(); at += 16) {
    std::uint64_t pair[2];
    std::memcpy(pair, report.data() + at, sizeof pair);
    origins.emplace_back(reinterpret_cast<RegNode*>(static_cast<std::uintptr_t>(pair[0])), pair[1]);
  }
  return true;
}

bool Changed(RegNode& mount, const std::set<const RegNode*>& foreign) {
  bool changed = false;
  std::vector<RegNode*> pending{&mount};
  while (!pending.empty() && !changed) {
    RegNode* n = pending.back();
    pending.pop_back();
    changed = n->valuesChanged || !n->RemovedOrigins().empty();
    for (auto& c : n->Children()) {
      if (foreign.count(c.get()) || c->isVolatile || c->Link()) continue;
      if (c->origin == 0) changed = true;
      pending.push_back(c.get());
    }
  }
  return changed;
}

}  // namespace

bool HiveStore::Commit(memory::MemoryRegistry& registry, const LocalTime& now, std::string& error) {
  written_.clear();
  std::set<const RegNode*> mounts;
  for (const auto& l : hives_) mounts.insert(l->mountNode.get());
  struct Pending {
    Loaded* loaded;
    std::string temp;
    std::string kept;
    std::vector<std::pair<RegNode*, std::uint64_t>> origins;  // of the keys added
  };
  std::vector<Pending> pending;
  for (auto& l : hives_) {
    std::set<const RegNode*> foreign = mounts;
    foreign.erase(l->mountNode.get());
    if (!Changed(*l->mountNode, foreign)) continue;
    const HiveState& st = states_[l->state];
    if (st.readOnly) {
      error = st.mount.hostPath + " changed but is read-only (" + st.reason + "); no hive was written";
      return false;
    }
    pending.push_back({l.get(), st.mount.hostPath + ".tmp-tidemarrow", "", {}});
  }
  std::error_code ec;
  auto abandon = [&](const std::string& why) {
    for (auto& p : pending) {
      fs::remove(p.temp, ec);
      if (!p.kept.empty()) fs::remove(p.kept, ec);
    }
    error = why + "; no hive was written";
    return false;
  };
  // 1. Every changed hive into a temporary file beside it, flushed, and
  // opened again to prove libhivex reads what was written.
  for (auto& p : pending) {
    std::set<const RegNode*> foreign = mounts;
    foreign.erase(p.loaded->mountNode.get());
    std::string why;
    if (!WriteHiveApart(states_[p.loaded->state].mount, *p.loaded->mountNode, foreign, p.temp, p.origins, why))
      return abandon(why);
  }
  // 2. The originals kept under names no earlier copy has, each whole.
  for (auto& p : pending) {
    const std::string& path = states_[p.loaded->state].mount.hostPath;
    const std::string kept = memory::UnusedName(path + ".tidemarrow-" + Stamp(now));
    if (kept.empty()) return abandon(path + ": no free name is left beside it to keep the original under");
    std::string bytes, why;
    if (!memory::ReadHostFile(path, bytes, why) || !memory::WriteHostFileAtomically(kept, bytes, why))
      return abandon(path + ": the original could not be kept as " + kept + " (" + why + ")");
    p.kept = kept;
  }
  // 3. The new files replace the hives in turn; a rename that fails puts
  // back the ones already replaced.
  for (std::size_t i = 0; i < pending.size(); ++i) {
    const std::string& path = states_[pending[i].loaded->state].mount.hostPath;
    fs::rename(pending[i].temp, path, ec);
    if (!ec) continue;
    const std::string why = path + ": cannot be replaced: " + ec.message();
    for (std::size_t j = 0; j < i; ++j) {
      const std::string& done = states_[pending[j].loaded->state].mount.hostPath;
      fs::copy_file(pending[j].kept, done + ".tmp-tidemarrow", fs::copy_options::overwrite_existing, ec);
      fs::rename(done + ".tmp-tidemarrow", done, ec);
    }
    return abandon(why);
  }
  for (auto& p : pending) {
    const std::string& path = states_[p.loaded->state].mount.hostPath;
    memory::SyncDirectory(fs::path(path).parent_path().string());
    written_.push_back(path);
    for (const auto& [node, origin] : p.origins) node->origin = origin;
    ForEachNode(*p.loaded->mountNode, [](RegNode& n) {
      n.valuesChanged = false;
      n.ClearRemovedOrigins();
      for (auto& v : n.values)
        if (!v.Utf16() && regtype::IsString(v.Type())) v.SetData(v.Type(), HiveStringData(v.Data()), true);
    });
  }
  return true;
}

}  // namespace plat::hive
