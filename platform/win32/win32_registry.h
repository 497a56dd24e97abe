// The real registry through ADVAPI32's ANSI calls; results pass through as
// Windows returns them.
#pragma once

#include "platform/registry.h"

namespace plat::win32 {

class Win32Registry final : public IRegistry {
 public:
  RegStatus OpenKeyEx(HKey parent, const char* subKey, std::uint32_t options, std::uint32_t samDesired,
                      HKey* result) override;
  RegStatus CreateKeyEx(HKey parent, const char* subKey, HKey* result) override;
  RegStatus QueryValueEx(HKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* size) override;
  RegStatus EnumKeyEx(HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength) override;
  RegStatus EnumKey(HKey key, std::uint32_t index, char* name, std::uint32_t nameSize) override;
  RegStatus EnumValue(HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength, std::uint32_t* type,
                      std::uint8_t* data, std::uint32_t* dataSize) override;
  RegStatus SetValueEx(HKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t size) override;
  RegStatus DeleteKey(HKey key, const char* subKey) override;
  RegStatus DeleteValue(HKey key, const char* name) override;
  RegStatus FlushKey(HKey key) override;
  RegStatus CloseKey(HKey key) override;
  bool ValueIsExactInCodePage(HKey key, const char* name) override;
};

}  // namespace plat::win32
