// File-reference resolution fed arbitrary registry texts, on a small machine
// with registered extensions, App Paths entries and a few files.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/memory/memory_machine.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_services.h"
#include "platform/memory/reg_text.h"
#include "refcheck/registry_util.h"
#include "scanners/uninstall_scanner.h"

namespace {

struct Machine : plat::memory::MemoryMachine {
  std::unique_ptr<CRegistryUtil> util;
  std::unique_ptr<CUninstallScanner> uninstall;

  Machine() {
    const auto root = std::filesystem::temp_directory_path() / "tidemarrow-fuzz-drive";
    std::filesystem::create_directories(root / "WINDOWS" / "system32");
    std::ofstream(root / "WINDOWS" / "notepad.exe");
    std::ofstream(root / "WINDOWS" / "system32" / "shell32.dll");
    drive.Map('C', root.string());
    plat::memory::ImportRegText(
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.exe]\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\.dll]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.hlp]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\app.exe]\n"
        "\"Path\"=\"C:\\\\WINDOWS;\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\odd.exe]\n"
        "\"Path\"=\"^;\\\"x\"\n",
        registry);
    util = std::make_unique<CRegistryUtil>(platform);
    util->LoadAppPaths();
    uninstall = std::make_unique<CUninstallScanner>(platform);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Machine m;
  const std::string text(reinterpret_cast<const char*>(data), size);
  m.util->FileReferenceExists(text);
  m.util->FindOnSearchPath(text);
  m.util->ExtractFileName(text);
  m.uninstall->UninstallFileExists(text);
  return 0;
}
