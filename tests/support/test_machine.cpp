#include "tests/support/test_machine.h"

#include <fstream>
#include <random>
#include <sstream>

namespace testing_support {

TestMachine::TestMachine() : TestMachine(std::filesystem::temp_directory_path()) {}

TestMachine::TestMachine(const std::filesystem::path& base) {
  std::random_device random;
  root_ = base / ("tidemarrow-test-" + std::to_string(random()));
  std::filesystem::create_directories(root_ / "drive_c");
  drive.Map('C', (root_ / "drive_c").string());
}

TestMachine::~TestMachine() {
  std::error_code ec;
  std::filesystem::permissions(root_, std::filesystem::perms::all, ec);
  for (auto& p : std::filesystem::recursive_directory_iterator(root_, ec))
    std::filesystem::permissions(p.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(root_, ec);
}

void TestMachine::Reg(const std::string& text) {
  std::string full = text.rfind("Windows Registry Editor", 0) == 0 || text.rfind("REGEDIT4", 0) == 0
                         ? text
                         : "Windows Registry Editor Version 5.00\n" + text;
  auto result = plat::memory::ImportRegText(full, registry);
  ASSERT_TRUE(result.ok) << result.Message();
}

void TestMachine::Touch(const std::string& windowsPath, const std::string& contents) {
  std::string rel = windowsPath.substr(3);
  for (auto& c : rel)
    if (c == '\\') c = '/';
  auto path = root_ / "drive_c" / rel;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << contents;
  drive.Map('C', (root_ / "drive_c").string());  // forget cached listings
}

std::string TestMachine::HostFile(const std::string& relative) const {
  std::ifstream in(root_ / relative, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace testing_support
