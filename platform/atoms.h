// The global atom table (AddAtomA, FindAtomA, DeleteAtom). An atom added n
// times needs n deletes before FindAtom stops finding it.
#pragma once

#include <cstdint>

namespace plat {

using Atom = std::uint16_t;

class IAtoms {
 public:
  virtual ~IAtoms() = default;
  virtual Atom Add(const char* name) = 0;   // 0 on failure
  virtual Atom Find(const char* name) = 0;  // 0 when absent
  virtual Atom Delete(Atom atom) = 0;       // 0 on success, the atom otherwise
};

}  // namespace plat
