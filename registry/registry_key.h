// CRegistryKey: the one way the core reads and writes the registry. It holds
// at most one open key, the names it last listed and a count of every
// registry operation it attempted; that count is the "Keys/Values Examined:"
// figure. Every attempt counts, successful or not; operations refused
// because no key is open do not.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// Names and data are read into buffers of this size.
inline constexpr std::uint32_t kRegistryBufferSize = 4096;

// What QueryValue delivers: the raw data (every type), the number of a
// REG_DWORD, a copy of a REG_BINARY's bytes, the type and the reported size.
struct QueriedValue {
  std::string text;
  std::uint32_t number = 0;
  std::string data;
  std::uint32_t type = 0;
  std::uint32_t size = kRegistryBufferSize;
};

class CRegistryKey {
 public:
  explicit CRegistryKey(const plat::Platform& platform);
  virtual ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Opens hive\path with full access as the current key, closing the key it
  // replaces. On failure no key is current.
  bool Open(plat::HKey hive, const std::string& path);
  // The value's data as text (up to the first zero byte). A value that is
  // missing or larger than 4096 bytes gives "null" and false; with no key
  // open the text is empty.
  bool ReadValue(const std::string& name, std::string& text);
  // Typed read. On failure value.number is 0xFFFFFFFF (unless no key is open).
  bool QueryValue(const std::string& name, QueriedValue& value);
  // True when at least one subkey was listed; the names replace the list.
  bool ListSubkeys();
  void ListValues();
  bool OpenAndListSubkeys(plat::HKey hive, const std::string& path);
  bool OpenAndListClassesRoot(const std::string& path);
  bool OpenAndListLocalMachine(const std::string& path);
  bool OpenAndListCurrentUser(const std::string& path);
  bool SetStringValue(const std::string& name, const std::string& text);
  bool SetDwordValue(const std::string& name, std::uint32_t number);
  int GetOperationCount() const { return operationCount_; }

  const std::vector<std::string>& SubkeyNames() const { return subkeyNames_; }
  const std::vector<std::string>& ValueNames() const { return valueNames_; }
  const std::string& HiveName() const { return hiveName_; }

 protected:
  plat::HKey CurrentKey() const { return currentKey_; }
  void CloseCurrentKey();
  void CountOperation() { ++operationCount_; }
  const plat::Platform& platform_;

 private:
  std::vector<std::string> subkeyNames_;
  std::vector<std::string> valueNames_;
  std::int32_t operationCount_ = 0;
  plat::HKey currentKey_ = 0;
  std::string hiveName_;
};
