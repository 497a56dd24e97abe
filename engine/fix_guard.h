// What the fixer checks before it touches a row's key: rows that would
// delete a key no working system can lose, and rows whose texts were changed
// when they were filed, so that they may name another key than the one that
// was found.
#pragma once

#include <map>
#include <set>
#include <string>
#include <tuple>

#include "registry/registry_key.h"

// The hive roots, the seventeen Major Keys roots, Software\Classes with its
// class stores (CLSID, Interface, TypeLib, AppID), and every ancestor of
// these. Only a stale or edited Problems.txt, or a registry too bare to be a
// working system, yields a row that names one.
bool IsProtectedKey(plat::HKey hive, const std::string& path);

// A record's texts have their line ends filed as blanks. A path component or
// value name with a blank may therefore stand for a name that held a line
// end; when such a name exists beside it, the row is ambiguous. The names
// with line ends are listed once per parent key for one fix job.
class LineEndNames {
 public:
  explicit LineEndNames(const plat::Platform& platform) : platform_(platform) {}
  bool MayNameAnother(plat::HKey hive, const std::string& path, const std::string& valueName, bool isValue);

 private:
  const std::set<std::string>& Blanked(plat::HKey hive, const std::string& parent, bool values);
  const plat::Platform& platform_;
  std::map<std::tuple<plat::HKey, std::string, bool>, std::set<std::string>> cache_;
};
