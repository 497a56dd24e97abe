// The registry as the core sees it: the ADVAPI32 ANSI calls, with their
// arguments, sizes and Windows error codes. Every backend (in-memory, hive
// files, the real Win32 registry) implements exactly these semantics; the
// conformance suite checks them against Windows' behaviour.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

using HKey = std::uintptr_t;
using RegStatus = long;

inline constexpr HKey kClassesRoot = 0x80000000u;
inline constexpr HKey kCurrentUser = 0x80000001u;
inline constexpr HKey kLocalMachine = 0x80000002u;

inline constexpr std::uint32_t kKeyAllAccess = 0xF003Fu;
inline constexpr std::uint32_t kKeyRead = 0x20019u;

namespace err {
inline constexpr RegStatus kSuccess = 0;
inline constexpr RegStatus kFileNotFound = 2;
inline constexpr RegStatus kAccessDenied = 5;
inline constexpr RegStatus kInvalidHandle = 6;
inline constexpr RegStatus kInvalidParameter = 87;
inline constexpr RegStatus kMoreData = 234;
inline constexpr RegStatus kNoMoreItems = 259;
inline constexpr RegStatus kBadKey = 1010;
inline constexpr RegStatus kKeyDeleted = 1018;
inline constexpr RegStatus kNoSystemResources = 1450;  // no handle left to give
}  // namespace err

namespace regtype {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kDwordBigEndian = 5;
inline constexpr std::uint32_t kLink = 6;
inline constexpr std::uint32_t kMultiSz = 7;
inline constexpr std::uint32_t kQword = 11;
// The types whose data is text, which the A and W calls convert.
inline constexpr bool IsString(std::uint32_t type) { return type == kSz || type == kExpandSz || type == kMultiSz; }
}  // namespace regtype

// Longest key name component Windows accepts, in characters.
inline constexpr std::uint32_t kMaxKeyNameLength = 255;
// Deepest a key can stand below its hive's root.
inline constexpr std::size_t kMaxKeyDepth = 512;

class IRegistry {
 public:
  virtual ~IRegistry() = default;

  // RegOpenKeyExA. On failure *result is set to 0.
  virtual RegStatus OpenKeyEx(HKey parent, const char* subKey, std::uint32_t options,
                              std::uint32_t samDesired, HKey* result) = 0;
  // RegCreateKeyExA with default class, options and security. Creates every
  // missing component. On failure *result is set to 0.
  virtual RegStatus CreateKeyEx(HKey parent, const char* subKey, HKey* result) = 0;
  // RegQueryValueExA. data may be null to ask for the size only. When the
  // buffer is too small: kMoreData, *size holds the size needed and the
  // buffer's contents are unspecified. Data comes back exactly as stored:
  // no terminator is added to a string stored without one.
  virtual RegStatus QueryValueEx(HKey key, const char* name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) = 0;
  // RegEnumKeyExA without class and time: *nameLength is the buffer size in
  // characters (terminator included) on entry and the name's length on
  // success. A name that does not fit gives kMoreData; past the end kNoMoreItems.
  virtual RegStatus EnumKeyEx(HKey key, std::uint32_t index, char* name,
                              std::uint32_t* nameLength) = 0;
  // RegEnumKeyA: like EnumKeyEx with a fixed buffer size.
  virtual RegStatus EnumKey(HKey key, std::uint32_t index, char* name, std::uint32_t nameSize) = 0;
  // RegEnumValueA. type, data and dataSize may each be null.
  virtual RegStatus EnumValue(HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                              std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) = 0;
  // RegSetValueExA: the bytes are stored as given, terminator or not.
  virtual RegStatus SetValueEx(HKey key, const char* name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) = 0;
  // RegDeleteKeyA: a key that still has subkeys is refused with kAccessDenied.
  virtual RegStatus DeleteKey(HKey key, const char* subKey) = 0;
  virtual RegStatus DeleteValue(HKey key, const char* name) = 0;
  virtual RegStatus FlushKey(HKey key) = 0;
  // Closing a predefined hive handle succeeds and does nothing.
  virtual RegStatus CloseKey(HKey key) = 0;
  // Whether the A calls give this value's name and data exactly as the
  // registry holds them. Windows keeps names and strings in UTF-16, and the
  // A calls turn what the code page cannot spell into "?"; a backend that
  // holds 8-bit text loses nothing.
  virtual bool ValueIsExactInCodePage(HKey key, const char* name) { return true; }
  // Whether only this process changes the registry (an offline image), so
  // that what a job read stays true until it writes. The live registry of a
  // running Windows is not: other programs change it at any time.
  virtual bool ChangesOnlyThroughThisProcess() const { return false; }
  // About how many subkeys enumerating the key will give, so that a
  // listing of 90,000 names is made at its size instead of grown to twice
  // it; 0 when unknown. A hint only: enumeration says what there is.
  virtual std::uint32_t SubkeyCountHint(HKey key) { return 0; }
  // On a registry that changes only through this process: a number that
  // changes whenever a key is added or removed anywhere, so that two equal
  // answers mean the same keys (what a listing found still holds).
  virtual std::uint64_t ShapeGeneration() const { return 0; }
};

inline bool IsPredefinedKey(HKey key) { return key >= 0x80000000u && key <= 0x80000006u; }

}  // namespace plat
