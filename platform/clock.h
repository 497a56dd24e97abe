// The local date and time, as _strdate and _strtime give them.
#pragma once

namespace plat {

struct LocalTime {
  int year = 2000;  // four digits
  int month = 1;    // 1-12
  int day = 1;
  int hour = 0;     // 0-23
  int minute = 0;
  int second = 0;
};

class IClock {
 public:
  virtual ~IClock() = default;
  virtual LocalTime Now() = 0;
};

}  // namespace plat
