// Message boxes with the program's title. The style and result values are
// those of MessageBoxA.
#pragma once

#include <string>

namespace plat {

namespace mb {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kOkCancel = 0x1;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  virtual int Show(const std::string& text, unsigned style) = 0;
};

}  // namespace plat
