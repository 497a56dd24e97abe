// The registry under test for the conformance suite: the in-memory backend
// natively, the real registry (Windows or Wine) in the cross build.
#pragma once

#include "platform/registry.h"

namespace conformance {

class Backend {
 public:
  virtual ~Backend() = default;
  virtual plat::IRegistry& Registry() = 0;
  // Wine's registry differs from Windows in a few documented ways; the tests
  // expect Windows' behaviour and name Wine's where it differs.
  virtual bool IsWine() const = 0;
  // Leaves no scratch key of an earlier test behind.
  virtual void Reset() = 0;
};

Backend& CurrentBackend();

}  // namespace conformance
