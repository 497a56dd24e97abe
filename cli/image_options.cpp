#include "cli/image_options.h"

#include <cstdlib>
#include <filesystem>
#include <random>

#include "demo/demo_image.h"

namespace cli {

void ImageOptions::AddTo(CLI::App& app) {
  app.add_option("--image", imageDir, "image directory holding registry.reg and drive_c/ (default: the demo machine)");
  app.add_option("--reg", regFile, "registry text file of the image");
  app.add_option("--drive", drives, "map a drive letter to a directory, as C:=DIR (repeatable)");
  app.add_option("--env", env,
                 "set an environment variable of the image, as NAME=VALUE (repeatable); defaults: OS=Windows_NT, "
                 "SystemRoot=C:\\WINDOWS, ProgramFiles=C:\\Program Files, "
                 "Path=C:\\WINDOWS\\system32;C:\\WINDOWS;C:\\WINDOWS\\System32\\Wbem; the Windows directory is SystemRoot");
  app.add_flag("--keep", keep, "keep the scratch copy of the demo machine and print where it is");
}

LoadedImage::~LoadedImage() {
  if (!scratch_.empty() && !keep_) {
    std::error_code ec;
    std::filesystem::remove_all(scratch_, ec);
  }
}

bool LoadedImage::Load(const ImageOptions& options, std::string& error) {
  plat::memory::ImageSpec spec;
  keep_ = options.keep;
  if (!options.imageDir.empty()) {
    spec = plat::memory::ImageDirectory(options.imageDir);
  } else if (!options.regFile.empty()) {
    spec.registryFile = options.regFile;
  } else if (!options.drives.empty()) {
    error = "--drive needs --reg FILE";
    return false;
  } else {
    std::random_device random;
    scratch_ = (std::filesystem::temp_directory_path() / ("tidemarrow-demo-" + std::to_string(random()))).string();
    if (!demo::WriteDemoImage(scratch_, error)) return false;
    spec = plat::memory::ImageDirectory(scratch_);
  }
  for (const auto& d : options.drives) {
    if (d.size() < 4 || d[1] != ':' || d[2] != '=') {
      error = "--drive " + d + ": expected LETTER:=DIRECTORY";
      return false;
    }
    spec.drives.emplace_back(d[0], d.substr(3));
  }
  for (const auto& e : options.env) {
    const auto eq = e.find('=');
    if (eq == std::string::npos || eq == 0) {
      error = "--env " + e + ": expected NAME=VALUE";
      return false;
    }
    spec.env.emplace_back(e.substr(0, eq), e.substr(eq + 1));
  }
  image_ = std::make_unique<plat::memory::MachineImage>();
  if (!image_->Load(spec, error)) return false;
  if (!scratch_.empty() && keep_) std::fprintf(stderr, "demo machine copied to %s\n", scratch_.c_str());
  return true;
}

}  // namespace cli
