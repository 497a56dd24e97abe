// A registry that fails on command around a real one: every call from the
// Nth on answers an error, as a disk or a hive gone bad would.
#pragma once

#include "platform/registry.h"

namespace testing_support {

class FaultyRegistry final : public plat::IRegistry {
 public:
  explicit FaultyRegistry(plat::IRegistry& inner) : inner_(inner) {}
  long failFrom = 0;  // 1-based call number from which calls fail; 0: never
  long calls = 0;

  plat::RegStatus OpenKeyEx(plat::HKey p, const char* s, std::uint32_t o, std::uint32_t a, plat::HKey* r) override {
    if (Fails()) {
      if (r) *r = 0;
      return 1021;  // ERROR_CANTWRITE
    }
    return inner_.OpenKeyEx(p, s, o, a, r);
  }
  plat::RegStatus CreateKeyEx(plat::HKey p, const char* s, plat::HKey* r) override {
    return Fails() ? 1021 : inner_.CreateKeyEx(p, s, r);
  }
  plat::RegStatus QueryValueEx(plat::HKey k, const char* n, std::uint32_t* t, std::uint8_t* d, std::uint32_t* s) override {
    return Fails() ? 1021 : inner_.QueryValueEx(k, n, t, d, s);
  }
  plat::RegStatus EnumKeyEx(plat::HKey k, std::uint32_t i, char* n, std::uint32_t* l) override {
    return Fails() ? 1021 : inner_.EnumKeyEx(k, i, n, l);
  }
  plat::RegStatus EnumKey(plat::HKey k, std::uint32_t i, char* n, std::uint32_t s) override {
    return Fails() ? 1021 : inner_.EnumKey(k, i, n, s);
  }
  plat::RegStatus EnumValue(plat::HKey k, std::uint32_t i, char* n, std::uint32_t* l, std::uint32_t* t, std::uint8_t* d,
                            std::uint32_t* s) override {
    return Fails() ? 1021 : inner_.EnumValue(k, i, n, l, t, d, s);
  }
  plat::RegStatus SetValueEx(plat::HKey k, const char* n, std::uint32_t t, const std::uint8_t* d, std::uint32_t s) override {
    return Fails() ? 1021 : inner_.SetValueEx(k, n, t, d, s);
  }
  plat::RegStatus DeleteKey(plat::HKey k, const char* s) override { return Fails() ? 1021 : inner_.DeleteKey(k, s); }
  plat::RegStatus DeleteValue(plat::HKey k, const char* n) override { return Fails() ? 1021 : inner_.DeleteValue(k, n); }
  plat::RegStatus FlushKey(plat::HKey k) override { return Fails() ? 1021 : inner_.FlushKey(k); }
  // Closing always works, so no handle is left open by a fault.
  plat::RegStatus CloseKey(plat::HKey k) override { return inner_.CloseKey(k); }

 private:
  bool Fails() { return ++calls >= failFrom && failFrom > 0; }
  plat::IRegistry& inner_;
};

}  // namespace testing_support
