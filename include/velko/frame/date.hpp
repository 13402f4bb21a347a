// The automation date: days since 30 December 1899 00:00:00 as a double; the fraction is the time
// of day (for dates before the epoch the integer part counts days back and the fraction still
// counts time forward).
#pragma once

#include <optional>

#include "velko/frame/types.hpp"

namespace velko {

struct DateParts {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class Date {
 public:
  constexpr Date() = default;
  constexpr explicit Date(double serial) : serial_(serial) {}

  constexpr double Serial() const { return serial_; }

  // A valid calendar date and time of day (year 100..9999, month 1..12, day within the month,
  // hour 0..23, minute and second 0..59), or nullopt.
  static std::optional<Date> FromParts(const DateParts& parts);
  // The calendar parts, rounded to the nearest second.
  DateParts Parts() const;
  // The current local date and time, to the second.
  static Date Now();

  friend constexpr bool operator==(Date a, Date b) { return a.serial_ == b.serial_; }

 private:
  double serial_ = 0.0;
};

}  // namespace velko
