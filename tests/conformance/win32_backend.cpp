// The conformance suite's backend in the cross build: the registry of the
// running Windows (or Wine), with scratch keys removed before and after
// every test.
#include <windows.h>

#include "platform/registry_tree.h"
#include "platform/win32/win32_registry.h"
#include "tests/conformance/conformance_backend.h"

namespace conformance {
namespace {

class Win32Backend final : public Backend {
 public:
  plat::IRegistry& Registry() override { return registry_; }
  bool IsWine() const override {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
  }
  void Reset() override {
    plat::DeleteTree(registry_, plat::kCurrentUser, "Software\\TidemarrowConformance");
    plat::DeleteTree(registry_, plat::kLocalMachine, "Software\\TidemarrowConformance");
    for (const char* c : {"TidemarrowConformance.machine", "TidemarrowConformance.user", "TidemarrowConformance.both"}) {
      plat::DeleteTree(registry_, plat::kLocalMachine, std::string("Software\\Classes\\") + c);
      plat::DeleteTree(registry_, plat::kCurrentUser, std::string("Software\\Classes\\") + c);
    }
  }

 private:
  plat::win32::Win32Registry registry_;
};

}  // namespace

Backend& CurrentBackend() {
  static Win32Backend backend;
  return backend;
}

}  // namespace conformance
