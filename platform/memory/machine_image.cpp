#include "platform/memory/machine_image.h"

#include <filesystem>

#include "platform/codepage.h"
#include "platform/memory/host_files.h"

namespace plat::memory {

ImageSpec ImageDirectory(const std::string& directory) {
  ImageSpec spec;
  spec.registryFile = directory + "/registry.reg";
  spec.drives.emplace_back('C', directory + "/drive_c");
  return spec;
}

MachineImage::MachineImage()
    : environment_(MemoryEnvironment::WindowsXpDefaults{}),
      platform_{registry_, environment_, drive_, atoms_, messages_, clock_} {}

bool MachineImage::Load(const ImageSpec& spec, std::string& error) {
  for (const auto& [letter, directory] : spec.drives) {
    std::error_code ec;
    if (!std::filesystem::is_directory(directory, ec)) {
      error = std::string(1, letter) + ": is mapped to " + directory + ", which is not a directory";
      return false;
    }
  }
  std::string bytes;
  if (!ReadHostFile(spec.registryFile, bytes, error)) return false;
  // Applied as it is read (a large file's bytes, text and operations are
  // never held beside the registry built from them); a file that fails part
  // way leaves nothing of itself behind.
  RegTextEncoding encoding = RegTextEncoding::kAnsi;
  RegTextResult loaded = LoadRegText(std::move(bytes), registry_, encoding);
  if (!loaded.ok) {
    registry_.Clear();
    error = spec.registryFile + ": " + loaded.Message();
    return false;
  }
  for (const auto& [letter, directory] : spec.drives) drive_.Map(letter, directory);
  for (const auto& [name, value] : spec.env) {
    environment_.Set(name, value);
    if (LowerAscii(name) == "systemroot") environment_.SetWindowsDirectory(value);
  }
  registryFile_ = spec.registryFile;
  encoding_ = encoding;
  return true;
}

bool MachineImage::SaveRegistry(std::string& error) {
  if (store_) return store_(error);
  if (registryFile_.empty()) {
    error = "no registry file is loaded";
    return false;
  }
  std::string text;
  if (!ExportRegText(registry_, encoding_, text, error)) {
    error = registryFile_ + " was not saved: " + error;
    return false;
  }
  return WriteHostFileAtomically(registryFile_, text, error);
}

}  // namespace plat::memory
