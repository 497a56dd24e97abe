// The conformance suite's backend natively: a fresh in-memory registry per test.
#include <memory>

#include "platform/memory/memory_registry.h"
#include "tests/conformance/conformance_backend.h"

namespace conformance {
namespace {

class MemoryBackend final : public Backend {
 public:
  plat::IRegistry& Registry() override { return *registry_; }
  bool IsWine() const override { return false; }
  void Reset() override { registry_ = std::make_unique<plat::memory::MemoryRegistry>(); }

 private:
  std::unique_ptr<plat::memory::MemoryRegistry> registry_ = std::make_unique<plat::memory::MemoryRegistry>();
};

}  // namespace

Backend& CurrentBackend() {
  static MemoryBackend backend;
  return backend;
}

}  // namespace conformance
