#include "velko/host/session/station_settings.hpp"

#include <cstdio>

#include "velko/core/error_module.hpp"
#include "velko/host/run/run_outputs.hpp"
#include "velko/outside/registry.hpp"

namespace velko::host {
namespace {

constexpr Long kDefaultCalibrationMonths = 12;

Variant GeneralValue(const String& name) {
  return QuietlyOr(Variant(), [&] {
    const Ref<IRegistryKey> key = CreateRegistryKey();
    key->OpenKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathGeneral));
    return key->Value(Variant(name));
  });
}

}  // namespace

String GeneralSetting(const String& name) {
  const Variant value = GeneralValue(name);
  return QuietlyOr(String(), [&] { return value.IsEmpty() ? String() : value.ToString(); });
}

String OrganisationSetting() {
  return GeneralSetting("Organisation");
}

String TesterOf(const std::optional<String>& given) {
  if (given) return *given;
  const String setting = GeneralSetting("Tester");
  return setting.empty() ? LoginName() : setting;
}

Long CalibrationIntervalMonths() {
  const Variant value = GeneralValue("CalibrationIntervalMonths");
  const Long months = QuietlyOr(Long{0}, [&] { return value.IsEmpty() ? 0 : value.ToLong(); });
  return months > 0 ? months : kDefaultCalibrationMonths;
}

std::optional<std::chrono::year_month_day> ParseIsoDate(const String& text) {
  int year = 0;
  unsigned month = 0;
  unsigned day = 0;
  char rest = 0;
  if (text.size() != 10 ||
      std::sscanf(text.c_str(), "%4d-%2u-%2u%c", &year, &month, &day, &rest) != 3)
    return std::nullopt;
  const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(month),
                                         std::chrono::day(day)};
  if (!date.ok()) return std::nullopt;
  return date;
}

std::chrono::sys_days CalibrationDue(std::chrono::year_month_day calibrated, Long months) {
  std::chrono::year_month_day due = calibrated + std::chrono::months(months);
  if (!due.ok()) due = due.year() / due.month() / std::chrono::last;
  return std::chrono::sys_days(due);
}

}  // namespace velko::host
