// The conformance suite's backend over hive files: every test starts from
// hives written fresh and read through the hive store; what a test leaves is
// then written back to the hives and must be read again as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>

#include "platform/hive/hive_store.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_services.h"
#include "tests/conformance/conformance_backend.h"
#include "tests/support/hive_writer.h"

namespace conformance {
namespace {

namespace fs = std::filesystem;

class HiveBackend final : public Backend {
 public:
  HiveBackend() {
    std::random_device random;
    dir_ = fs::temp_directory_path() / ("tidemarrow-hive-conformance-" + std::to_string(random()));
  }
  ~HiveBackend() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  plat::IRegistry& Registry() override { return *registry_; }
  bool IsWine() const override { return false; }
  void Reset() override {
    std::string error;
    if (store_) {
      // What the last test left goes to the hives and reads back the same.
      ASSERT_TRUE(store_->Commit(*registry_, plat::LocalTime{2002, 12, 5, 18, 30, 12}, error)) << error;
      plat::memory::MemoryRegistry reread;
      plat::hive::HiveStore again;
      std::vector<std::string> notes;
      ASSERT_TRUE(again.Load(Mounts(), reread, notes, error)) << error;
    }
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    plat::memory::MemoryRegistry seed;
    plat::HKey key = 0;
    seed.CreateKeyEx(plat::kLocalMachine, "SOFTWARE\\Classes", &key);
    seed.CloseKey(key);
    seed.CreateKeyEx(plat::kCurrentUser, "Software\\Classes", &key);
    seed.CloseKey(key);
    ASSERT_TRUE(testing_support::WriteHive(seed, plat::kLocalMachine, "SOFTWARE", (dir_ / "SOFTWARE").string(), error));
    ASSERT_TRUE(testing_support::WriteHive(seed, plat::kCurrentUser, "", (dir_ / "NTUSER.DAT").string(), error,
                                           "Software\\Classes"));
    ASSERT_TRUE(testing_support::WriteHive(seed, plat::kCurrentUser, "Software\\Classes",
                                           (dir_ / "UsrClass.dat").string(), error));
    registry_ = std::make_unique<plat::memory::MemoryRegistry>();
    store_ = std::make_unique<plat::hive::HiveStore>();
    std::vector<std::string> notes;
    ASSERT_TRUE(store_->Load(Mounts(), *registry_, notes, error)) << error;
  }

 private:
  std::vector<plat::hive::HiveMount> Mounts() const {
    return {{(dir_ / "SOFTWARE").string(), plat::kLocalMachine, "SOFTWARE"},
            {(dir_ / "NTUSER.DAT").string(), plat::kCurrentUser, ""},
            {(dir_ / "UsrClass.dat").string(), plat::kCurrentUser, "Software\\Classes"}};
  }
  fs::path dir_;
  std::unique_ptr<plat::memory::MemoryRegistry> registry_ = std::make_unique<plat::memory::MemoryRegistry>();
  std::unique_ptr<plat::hive::HiveStore> store_;
};

}  // namespace

Backend& CurrentBackend() {
  static HiveBackend backend;
  return backend;
}

}  // namespace conformance
