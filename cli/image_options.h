// The options every command takes to name its machine image, and loading it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "platform/hive/hive_store.h"
#include "platform/memory/machine_image.h"

namespace cli {

struct ImageOptions {
  std::string imageDir;
  std::string regFile;
  std::vector<std::string> drives;  // "C:=DIR"
  std::vector<std::string> env;     // "NAME=VALUE"
  bool keep = false;
  std::string windows;              // a mounted Windows partition
  std::string user;
  std::string work;

  void AddTo(CLI::App& app);
};

// A loaded image; for the demo, a scratch copy that is removed afterwards
// unless --keep was given.
class LoadedImage {
 public:
  ~LoadedImage();
  bool Load(const ImageOptions& options, std::string& error);
  plat::memory::MachineImage& image() { return *image_; }
  const std::string& scratch() const { return scratch_; }
  // The hive files with --windows; null otherwise.
  const plat::hive::HiveStore* hives() const { return hives_.get(); }

 private:
  std::unique_ptr<plat::memory::MachineImage> image_;
  std::unique_ptr<plat::hive::HiveStore> hives_;
  std::string scratch_;
  bool keep_ = false;
};

}  // namespace cli
