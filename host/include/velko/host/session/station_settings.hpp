// The station's settings in the registry (HKEY_LOCAL_MACHINE\Software\Brenn\Velko\General):
// who tests, for which organisation, and how long a calibration of a test instrument lasts.
#pragma once

#include <chrono>
#include <optional>

#include "velko/frame/types.hpp"

namespace velko::host {

// A text value of the general settings; "" when it is not set or cannot be read.
String GeneralSetting(const String& name);
// "Organisation": the testing organisation that records and reports name.
String OrganisationSetting();
// The tester of a run: the given name, else "Tester" of the settings, else the login name.
String TesterOf(const std::optional<String>& given);
// "CalibrationIntervalMonths", 12 when it is not set or not positive.
Long CalibrationIntervalMonths();

// "2026-03-31" as a date; nullopt for anything else.
std::optional<std::chrono::year_month_day> ParseIsoDate(const String& text);
// When a calibration of that date is due again (the interval after it, at most the month's end).
std::chrono::sys_days CalibrationDue(std::chrono::year_month_day calibrated, Long months);

}  // namespace velko::host
