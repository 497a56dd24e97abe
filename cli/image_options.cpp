#include "cli/image_options.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "demo/demo_image.h"
#include "platform/hive/windows_installation.h"

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
  app.add_option("--windows", windows,
                 "a mounted Windows partition (the directory that is its C:): its hives are read and, after a fix "
                 "or restore, written back (the originals kept as dated copies). HKEY_LOCAL_MACHINE holds SAM, "
                 "SECURITY, SOFTWARE and SYSTEM; HARDWARE exists only while Windows runs and is not there. "
                 "SystemRoot, ProgramFiles and Path come from that installation's registry");
  app.add_option("--user", user, "with --windows: the profile whose NTUSER.DAT is HKEY_CURRENT_USER (default: the only one)");
  app.add_option("--work", work,
                 "with --windows, when Tidemarrow is not installed there: where Problems.txt, Exclusions.txt and the "
                 "backups go (default: a Tidemarrow folder in the user's data directory)");
}

namespace {

// An image lives until the command ends, and the command is the program's
// last work. Freeing a Windows partition's registry node by node (200,000
// keys and more) costs about a tenth of a whole scan; the end of the
// process gives the memory back at once. The images stay reachable from
// here, so that leak checkers see them as kept, not lost.
void KeepUntilExit(std::unique_ptr<plat::memory::MachineImage> image) {
  static auto* kept = new std::vector<std::unique_ptr<plat::memory::MachineImage>>;
  kept->push_back(std::move(image));
}

}  // namespace

LoadedImage::~LoadedImage() {
  if (!scratch_.empty() && !keep_) {
    std::error_code ec;
    std::filesystem::remove_all(scratch_, ec);
  }
  if (image_) KeepUntilExit(std::move(image_));
}

bool LoadedImage::Load(const ImageOptions& options, std::string& error) {
  plat::memory::ImageSpec spec;
  keep_ = options.keep;
  if (!options.windows.empty()) {
    plat::hive::WindowsSpec windows{options.windows, options.user, options.work};
    if (windows.work.empty()) {
      const char* data = std::getenv("XDG_DATA_HOME");
      const char* home = std::getenv("HOME");
      windows.work = data && *data ? std::string(data) + "/Tidemarrow"
                                   : std::string(home ? home : "/tmp") + "/.local/share/Tidemarrow";
    }
    image_ = std::make_unique<plat::memory::MachineImage>();
    std::vector<std::string> notes;
    if (!plat::hive::LoadWindowsInstallation(windows, *image_, hives_, notes, error)) return false;
    for (const auto& note : notes) std::fprintf(stderr, "tidemarrow-cli: %s\n", note.c_str());
    for (const auto& e : options.env) {
      const auto eq = e.find('=');
      if (eq == std::string::npos || eq == 0) {
        error = "--env " + e + ": expected NAME=VALUE";
        return false;
      }
      image_->environment().Set(e.substr(0, eq), e.substr(eq + 1));
    }
    return true;
  }
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
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(d.empty() ? ' ' : d[0])));
    if (d.size() < 4 || letter < 'A' || letter > 'Z' || d[1] != ':' || d[2] != '=') {
      error = "--drive " + d + ": expected LETTER:=DIRECTORY, with a drive letter A to Z";
      return false;
    }
    spec.drives.emplace_back(letter, d.substr(3));
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
