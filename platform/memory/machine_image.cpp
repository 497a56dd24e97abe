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
  std::string bytes;
  if (!ReadHostFile(spec.registryFile, bytes, error)) return false;
  ParsedRegText parsed;
  // The file's bytes, its text and the operations are each let go once the
  // next is made, so that a large file is not held beside the registry
  // built from it.
  RegTextResult parse = ParseRegText(std::move(bytes), parsed);
  if (!parse.ok) {
    error = spec.registryFile + ": " + parse.Message();
    return false;
  }
  for (const auto& [letter, directory] : spec.drives) {
    std::error_code ec;
    if (!std::filesystem::is_directory(directory, ec)) {
      error = std::string(1, letter) + ": is mapped to " + directory + ", which is not a directory";
      return false;
    }
  }
  const RegTextEncoding encoding = parsed.encoding;
  RegTextResult applied = ApplyRegText(std::move(parsed), registry_);
  if (!applied.ok) {
    error = spec.registryFile + ": " + applied.Message();
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
