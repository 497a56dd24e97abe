#include "bench/image_generator.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace bench {
namespace {

class Writer {
 public:
  explicit Writer(plat::IRegistry& r) : reg_(r) {}
  void Sz(plat::HKey hive, const std::string& path, const std::string& name, const std::string& text) {
    plat::HKey key = 0;
    reg_.CreateKeyEx(hive, path.c_str(), &key);
    reg_.SetValueEx(key, name.c_str(), plat::regtype::kSz, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                    static_cast<std::uint32_t>(text.size() + 1));
    reg_.CloseKey(key);
  }

 private:
  plat::IRegistry& reg_;
};

std::string Guid(unsigned kind, unsigned n) {
  char text[48];
  std::snprintf(text, sizeof text, "{%08X-0000-4000-8000-%012X}", kind, n);
  return text;
}

void Touch(const std::filesystem::path& path) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary);
}

}  // namespace

void GenerateImage(const ImageSize& size, plat::memory::MemoryRegistry& registry, const std::string& driveDirectory) {
  std::mt19937 random(20021205);
  std::uniform_real_distribution<double> share(0.0, 1.0);
  auto broken = [&] { return share(random) < size.brokenShare; };
  Writer w(registry);
  const plat::HKey m = plat::kLocalMachine;
  const std::filesystem::path drive(driveDirectory);
  for (const char* ext : {".dll", ".exe", ".tlb", ".txt"}) w.Sz(m, std::string("Software\\Classes\\") + ext, "", "file");
  w.Sz(m, "Software\\Brindlecote\\Tidemarrow", "Path", "C:\\Program Files\\Tidemarrow\\");
  Touch(drive / "Program Files/Tidemarrow/Tidemarrow.exe");
  for (int i = 0; i < size.classes; ++i) {
    const std::string id = Guid(1, static_cast<unsigned>(i));
    const std::string file = "srv" + std::to_string(i) + ".dll";
    w.Sz(m, "Software\\Classes\\CLSID\\" + id, "", "Class " + std::to_string(i));
    w.Sz(m, "Software\\Classes\\CLSID\\" + id + "\\InProcServer32", "", "C:\\WINDOWS\\system32\\" + file);
    w.Sz(m, "Software\\Classes\\CLSID\\" + id + "\\InProcServer32", "ThreadingModel", "Apartment");
    if (!broken()) Touch(drive / "WINDOWS/system32" / file);
    if (i % 4 == 0) {
      const std::string prog = "Vendor.Class" + std::to_string(i);
      w.Sz(m, "Software\\Classes\\" + prog, "", "Class " + std::to_string(i));
      w.Sz(m, "Software\\Classes\\" + prog + "\\CLSID", "", broken() ? Guid(9, static_cast<unsigned>(i)) : id);
    }
  }
  for (int i = 0; i < size.extensions; ++i) {
    const std::string ext = "Software\\Classes\\.x" + std::to_string(i);
    w.Sz(m, ext, "", "xfile" + std::to_string(i));
    if (i % 10 == 0)
      w.Sz(m, ext + "\\PersistentHandler", "", broken() ? Guid(8, static_cast<unsigned>(i)) : Guid(1, 0));
  }
  for (int i = 0; i < size.interfaces; ++i)
    w.Sz(m, "Software\\Classes\\Interface\\" + Guid(2, static_cast<unsigned>(i)) + "\\ProxyStubClsid32", "",
         broken() ? Guid(7, static_cast<unsigned>(i)) : Guid(1, static_cast<unsigned>(i % size.classes)));
  for (int i = 0; i < size.typeLibs; ++i) {
    const std::string file = "lib" + std::to_string(i) + ".tlb";
    w.Sz(m, "Software\\Classes\\TypeLib\\" + Guid(3, static_cast<unsigned>(i)) + "\\1.0\\0\\win32", "",
         "C:\\WINDOWS\\system32\\" + file);
    if (!broken()) Touch(drive / "WINDOWS/system32" / file);
  }
  for (int i = 0; i < size.uninstall; ++i) {
    const std::string app = "App" + std::to_string(i);
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + app;
    w.Sz(m, key, "DisplayName", "Application " + std::to_string(i));
    w.Sz(m, key, "UninstallString", "\"C:\\Program Files\\" + app + "\\unins000.exe\"");
    if (!broken()) Touch(drive / "Program Files" / app / "unins000.exe");
  }
  // Ten keys a program: Software\VendorN\ProgramM with three option groups
  // of two levels each.
  for (int i = 0; i < size.settings / 10; ++i) {
    const std::string program =
        "Software\\Vendor" + std::to_string(i / 500) + "\\Program" + std::to_string(i % 500);
    w.Sz(m, program, "Version", "1." + std::to_string(i % 7));
    for (const char* group : {"\\Options", "\\Recent", "\\Window"}) {
      w.Sz(m, program + group, "Enabled", "1");
      w.Sz(m, program + group + "\\State", "Last", "C:\\Documents and Settings\\User\\file" + std::to_string(i));
      w.Sz(m, program + group + "\\State\\More", "Count", std::to_string(i));
    }
  }
}

}  // namespace bench
