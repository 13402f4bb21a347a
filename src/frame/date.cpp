#include "velko/frame/date.hpp"

#include <cmath>
#include <ctime>

namespace velko {
namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian), after H. Hinnant.
constexpr long DaysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

struct Civil {
  long year;
  unsigned month;
  unsigned day;
};

constexpr Civil CivilFromDays(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long y = static_cast<long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {y + (m <= 2), m, d};
}

constexpr long kEpochDays = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

std::optional<Date> Date::FromParts(const DateParts& p) {
  if (p.year < 100 || p.year > 9999 || p.month < 1 || p.month > 12) return std::nullopt;
  if (p.day < 1 || p.day > DaysInMonth(p.year, p.month)) return std::nullopt;
  if (p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59) {
    return std::nullopt;
  }
  const double days = static_cast<double>(
      DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) -
      kEpochDays);
  const double time = (p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0;
  // Before the epoch the fraction still counts forward from midnight of that day.
  return Date(days >= 0 ? days + time : days - time);
}

DateParts Date::Parts() const {
  const double whole = std::trunc(serial_);
  long days = static_cast<long>(whole);
  long seconds = std::lround(std::fabs(serial_ - whole) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    days += serial_ >= 0 ? 1 : -1;
  }
  const Civil c = CivilFromDays(days + kEpochDays);
  DateParts p;
  p.year = static_cast<int>(c.year);
  p.month = static_cast<int>(c.month);
  p.day = static_cast<int>(c.day);
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  return p;
}

Date Date::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return *FromParts({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min, local.tm_sec});
}

}  // namespace velko
