#include "platform/hive/windows_installation.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/codepage.h"

namespace plat::hive {
namespace fs = std::filesystem;
namespace {

bool FindPath(const std::string& root, const std::vector<std::string>& parts, std::string& path) {
  std::string at = root;
  for (const auto& part : parts)
    if (!FindEntry(at, part, at)) return false;
  path = at;
  return true;
}

std::string ReadString(IRegistry& reg, HKey hive, const std::string& path, const char* name) {
  HKey key = 0;
  if (reg.OpenKeyEx(hive, path.c_str(), 0, kKeyRead, &key) != err::kSuccess) return "";
  char data[4097] = {};
  std::uint32_t size = 4096;
  const bool ok = reg.QueryValueEx(key, name, nullptr, reinterpret_cast<std::uint8_t*>(data), &size) == err::kSuccess;
  reg.CloseKey(key);
  return ok ? std::string(data, strnlen(data, size)) : "";
}

// %SystemRoot%-style references, as Windows expands them; unknown names stay.
std::string Expand(const std::string& text, const std::vector<std::pair<std::string, std::string>>& variables) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t open = text.find('%', i);
    const std::size_t close = open == std::string::npos ? open : text.find('%', open + 1);
    if (close == std::string::npos) {
      out += text.substr(i);
      break;
    }
    out += text.substr(i, open - i);
    const std::string name = text.substr(open + 1, close - open - 1);
    bool replaced = false;
    for (const auto& [n, v] : variables)
      if (NamesEqual(n, name)) {
        out += v;
        replaced = true;
        break;
      }
    if (!replaced) out += text.substr(open, close - open + 1);
    i = close + 1;
  }
  return out;
}

}  // namespace

bool FindEntry(const std::string& directory, const std::string& name, std::string& path) {
  std::error_code ec;
  if (fs::exists(fs::path(directory) / name, ec)) {
    path = (fs::path(directory) / name).string();
    return true;
  }
  const std::u16string folded = FoldUtf16(Utf16FromUtf8(name));
  for (fs::directory_iterator d(directory, ec), end; !ec && d != end; d.increment(ec))
    if (FoldUtf16(Utf16FromUtf8(d->path().filename().string())) == folded) {
      path = d->path().string();
      return true;
    }
  return false;
}

namespace {

const std::vector<std::pair<const char*, std::vector<std::string>>>& ProfileLayouts() {
  static const std::vector<std::pair<const char*, std::vector<std::string>>> layouts{
      {"Documents and Settings", {"Local Settings", "Application Data", "Microsoft", "Windows", "UsrClass.dat"}},
      {"Users", {"AppData", "Local", "Microsoft", "Windows", "UsrClass.dat"}}};
  return layouts;
}

}  // namespace

std::vector<std::string> InstallationHives(const std::string& root) {
  std::vector<std::string> hives;
  std::string windows, config, file;
  std::error_code ec;
  if ((FindEntry(root, "WINDOWS", windows) || FindEntry(root, "WINNT", windows)) &&
      FindPath(windows, {"system32", "config"}, config))
    for (const char* name : {"SAM", "SECURITY", "SOFTWARE", "SYSTEM", "DEFAULT"})
      if (FindEntry(config, name, file) && fs::is_regular_file(file, ec)) hives.push_back(file);
  for (const auto& [folder, classesPath] : ProfileLayouts()) {
    std::string profiles;
    if (!FindEntry(root, folder, profiles)) continue;
    for (fs::directory_iterator d(profiles, ec), end; !ec && d != end; d.increment(ec)) {
      if (FindEntry(d->path().string(), "NTUSER.DAT", file)) hives.push_back(file);
      if (FindPath(d->path().string(), classesPath, file)) hives.push_back(file);
    }
  }
  return hives;
}

bool LoadWindowsInstallation(const WindowsSpec& spec, memory::MachineImage& image, std::unique_ptr<HiveStore>& store,
                             std::vector<std::string>& notes, std::string& error) {
  std::string windows, config;
  std::error_code ec;
  if (!fs::is_directory(spec.root, ec)) {
    error = spec.root + ": not a directory";
    return false;
  }
  if (!FindEntry(spec.root, "WINDOWS", windows) && !FindEntry(spec.root, "WINNT", windows)) {
    error = spec.root + ": no Windows directory (WINDOWS or WINNT) here";
    return false;
  }
  if (!FindPath(windows, {"system32", "config"}, config)) {
    error = windows + ": no system32\\config directory with the hives";
    return false;
  }
  std::vector<HiveMount> mounts;
  for (const char* name : {"SAM", "SECURITY", "SOFTWARE", "SYSTEM"}) {
    std::string file;
    if (FindEntry(config, name, file) && fs::is_regular_file(file, ec)) mounts.push_back({file, kLocalMachine, name});
  }
  if (mounts.empty() || mounts.end() == std::find_if(mounts.begin(), mounts.end(), [](const HiveMount& m) {
        return m.mountPath == "SOFTWARE";
      })) {
    error = config + ": no SOFTWARE hive";
    return false;
  }
  if (mounts.end() == std::find_if(mounts.begin(), mounts.end(), [](const HiveMount& m) { return m.mountPath == "SYSTEM"; }))
    notes.push_back(config + ": no SYSTEM hive; HKEY_LOCAL_MACHINE\\SYSTEM is empty and the Path comes from defaults");
  // The user: the profile named, or the only one there is, in Windows XP's
  // "Documents and Settings" or in the "Users" of later Windows.
  struct Profile {
    std::string directory;
    std::string classes;  // UsrClass.dat, where this Windows keeps it
  };
  std::vector<Profile> found;
  for (const auto& [folder, classesPath] : ProfileLayouts()) {
    std::string profiles;
    if (!FindEntry(spec.root, folder, profiles)) continue;
    for (fs::directory_iterator d(profiles, ec), end; !ec && d != end; d.increment(ec)) {
      const std::string name = d->path().filename().string();
      std::string ntuser, classes;
      if (!FindEntry(d->path().string(), "NTUSER.DAT", ntuser)) continue;
      const bool wanted = !spec.user.empty()
                              ? NamesEqual(name, spec.user)
                              : !(NamesEqual(name, "Default User") || NamesEqual(name, "Default") ||
                                  NamesEqual(name, "LocalService") || NamesEqual(name, "NetworkService") ||
                                  NamesEqual(name, "All Users") || NamesEqual(name, "Public"));
      if (!wanted) continue;
      FindPath(d->path().string(), classesPath, classes);
      found.push_back({d->path().string(), classes});
    }
  }
  if (found.size() > 1) {
    error = spec.root + ": several profiles; choose one with --user";
    return false;
  }
  if (!spec.user.empty() && found.empty()) {
    error = "no profile named " + spec.user + " with an NTUSER.DAT (in Documents and Settings or Users)";
    return false;
  }
  if (!found.empty()) {
    std::string ntuser;
    FindEntry(found[0].directory, "NTUSER.DAT", ntuser);
    mounts.push_back({ntuser, kCurrentUser, ""});
    if (!found[0].classes.empty()) mounts.push_back({found[0].classes, kCurrentUser, "Software\\Classes"});
  } else {
    notes.push_back("no user profile found: HKEY_CURRENT_USER is empty");
  }
  auto hives = std::make_unique<HiveStore>();
  memory::MemoryRegistry& reg = image.registry();
  if (!hives->Load(mounts, reg, notes, error)) return false;

  // CurrentControlSet links to the control set Select names.
  HKey select = 0;
  std::uint32_t current = 0, size = 4;
  if (reg.OpenKeyEx(kLocalMachine, "SYSTEM\\Select", 0, kKeyRead, &select) == err::kSuccess) {
    reg.QueryValueEx(select, "Current", nullptr, reinterpret_cast<std::uint8_t*>(&current), &size);
    reg.CloseKey(select);
    char set[32];
    std::snprintf(set, sizeof set, "SYSTEM\\ControlSet%03u", current);
    if (reg.AddLink(kLocalMachine, "SYSTEM", "CurrentControlSet", set))
      hives->MarkVolatile(reg, kLocalMachine, "SYSTEM\\CurrentControlSet");
  }
  // What a running Windows keeps even from an administrator.
  reg.DenyWriteAccessBelow(kLocalMachine, "SAM\\SAM");
  reg.DenyWriteAccessBelow(kLocalMachine, "SECURITY");

  image.drive().Map('C', spec.root);
  const std::string windowsName = fs::path(windows).filename().string();
  std::string systemRoot = ReadString(reg, kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot");
  if (systemRoot.empty()) systemRoot = "C:\\" + windowsName;
  std::string programFiles = ReadString(reg, kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
  if (programFiles.empty()) programFiles = "C:\\Program Files";
  const std::vector<std::pair<std::string, std::string>> vars{
      {"SystemRoot", systemRoot}, {"windir", systemRoot}, {"SystemDrive", "C:"}, {"ProgramFiles", programFiles}};
  std::string path = ReadString(reg, kLocalMachine,
                                "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", "Path");
  path = path.empty() ? systemRoot + "\\system32;" + systemRoot + ";" + systemRoot + "\\System32\\Wbem" : Expand(path, vars);
  auto& env = image.environment();
  env.Set("OS", "Windows_NT");
  env.Set("SystemRoot", systemRoot);
  env.Set("windir", systemRoot);
  env.Set("ProgramFiles", programFiles);
  env.Set("Path", path);
  env.SetWindowsDirectory(systemRoot);

  // Without the program's own key its files go to the working directory,
  // as if that were where it is installed; the key exists only in memory.
  if (ReadString(reg, kLocalMachine, "SOFTWARE\\Brindlecote\\Tidemarrow", "Path").empty()) {
    fs::create_directories(spec.work, ec);
    if (!fs::is_directory(spec.work, ec)) {
      error = spec.work + ": the working directory cannot be created";
      return false;
    }
    image.drive().Map('W', spec.work);
    hives->AddVolatileKey(reg, kLocalMachine, "SOFTWARE\\Brindlecote\\Tidemarrow");
    HKey key = 0;
    reg.OpenKeyEx(kLocalMachine, "SOFTWARE\\Brindlecote\\Tidemarrow", 0, kKeyAllAccess, &key);
    const std::string dir = "W:\\";
    reg.SetValueEx(key, "Path", regtype::kSz, reinterpret_cast<const std::uint8_t*>(dir.c_str()),
                   static_cast<std::uint32_t>(dir.size() + 1));
    reg.CloseKey(key);
    notes.push_back("Tidemarrow is not installed there: its files go to " + spec.work);
  }
  HiveStore* raw = hives.get();
  image.UseRegistryStore([raw, &image](std::string& e) { return raw->Commit(image.registry(), image.clock().Now(), e); });
  store = std::move(hives);
  return true;
}

}  // namespace plat::hive
