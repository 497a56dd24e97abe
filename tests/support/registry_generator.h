// Random registries that hold every kind of content a backup must carry:
// all value types and odd ones, data of 0, 1, odd and buffer-edge sizes up
// to 100,000 bytes, strings with and without terminators or with zeros and
// line ends inside, names with quotes, backslashes, brackets, "=", ";",
// 8-bit characters, line ends and names longer than the scan's buffers,
// deep and wide trees. A seed makes each registry again.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace testing_support {

struct GeneratedValue {
  std::string path;  // the key's path from the hive
  std::string name;
};

struct GeneratedTree {
  std::vector<std::string> keys;  // every key below the root, parents first
  std::vector<GeneratedValue> values;
};

class RegistryGenerator {
 public:
  explicit RegistryGenerator(std::uint32_t seed) : random_(seed) {}
  // Creates hive\root and a random tree below it.
  void Fill(plat::IRegistry& registry, plat::HKey hive, const std::string& root, GeneratedTree& tree);
  std::mt19937& random() { return random_; }

 private:
  std::string KeyName();
  std::string ValueName();
  void Value(std::uint32_t& type, std::string& data);
  std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }
  bool Chance(int percent) { return static_cast<int>(Pick(100)) < percent; }
  std::string HardText(std::size_t length, bool keyName);
  void FillKey(plat::IRegistry& registry, plat::HKey hive, const std::string& path, int depth, GeneratedTree& tree);

  std::mt19937 random_;
};

}  // namespace testing_support
