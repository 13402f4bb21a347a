// The comparison of a device's tests: changes, the share of the way towards a limit, the drift
// mark, and the chart of a series.
#include "velko/host/archive/comparison.hpp"

#include <gtest/gtest.h>

#include "host_fixture.hpp"
#include "velko/host/report/history_section.hpp"
#include "velko/outside/registry.hpp"

namespace velko::test {
namespace {

host::MeasuredRecord RecordWith(const String& id, std::optional<double> value, Long status = 1,
                                std::optional<double> low = {}, std::optional<double> high = 0.3) {
  host::ArchivedMeasurement m{12,         "Protective earth",
                              "PE_TOTAL", value,
                              "",         "Ω",
                              status,     {{"IEC 62353:2014 Class I", low, high}}};
  return {{id, {}, {}, {}, "", "", {}, "", "", "", id + " 10:00:00", "", status}, {m}};
}

TEST(CompareRecords, ChangesAndTheWayTowardsTheLimit) {
  struct Case {
    const char* name;
    double current;
    Long status;
    std::optional<double> low;
    std::optional<double> high;
    std::optional<double> share;
    bool drifting;
  };
  // Reference 0.1, previous 0.12.
  for (const Case& c : {Case{"a little up", 0.15, 1, {}, 0.3, 0.25, false},
                        Case{"most of the way up", 0.25, 1, {}, 0.3, 0.75, true},
                        Case{"failed is no drift warning", 0.35, 2, {}, 0.3, 1.25, false},
                        Case{"down towards a low bound", 0.06, 1, 0.05, 0.3, 0.8, true},
                        Case{"down without a low bound", 0.06, 1, {}, 0.3, std::nullopt, false},
                        Case{"reference already beyond", 0.35, 1, {}, 0.05, std::nullopt, false}}) {
    const auto comparison = host::CompareRecords(
        {RecordWith("2024-01-01", 0.1, 1, c.low, c.high), RecordWith("2025-01-01", 0.12),
         RecordWith("2026-01-01", c.current, c.status, c.low, c.high)},
        0.5);
    ASSERT_EQ(comparison.series.size(), 1u);
    const host::MeasurementSeries& s = comparison.series[0];
    EXPECT_NEAR(*s.changeFromPrevious, c.current - 0.12, 1e-12) << c.name;
    EXPECT_NEAR(*s.changeFromReference, c.current - 0.1, 1e-12) << c.name;
    ASSERT_EQ(s.shareTowardsLimit.has_value(), c.share.has_value()) << c.name;
    if (c.share) {
      EXPECT_NEAR(*s.shareTowardsLimit, *c.share, 1e-9) << c.name;
    }
    EXPECT_EQ(s.drifting, c.drifting) << c.name;
  }
  const auto alone = host::CompareRecords({RecordWith("2024-01-01", 0.1)}, 0.5);
  EXPECT_FALSE(alone.series.at(0).changeFromPrevious);
  EXPECT_EQ(host::ChangeText(0.13 - 0.12), "+0.01");
  EXPECT_EQ(host::ChangeText(-3), "-3");
}

TEST(CompareRecords, AKeyMeasuredTwiceInARecordIsTwoSeries) {
  host::MeasuredRecord record = RecordWith("2024-01-01", 0.1);
  record.measurements.push_back(record.measurements[0]);
  const auto comparison = host::CompareRecords({record, record}, 0.5);
  ASSERT_EQ(comparison.series.size(), 2u);
  EXPECT_EQ(comparison.series[1].name, "PE_TOTAL (2)");
}

class DriftShareTest : public HostFixture {};

TEST_F(DriftShareTest, ComesFromTheReportSettingsOrIsHalfTheWay) {
  EXPECT_DOUBLE_EQ(host::DriftShareSetting(), 0.5);
  const Ref<IRegistryKey> key = CreateRegistryKey();
  key->CreateKey(kHKeyLocalMachine, RegistryPaths()->KeyPath(kRegPathReport));
  key->SetValue(Variant(String("DriftWarningPercent")), Variant(Long{30}));
  EXPECT_DOUBLE_EQ(host::DriftShareSetting(), 0.3);
  key->SetValue(Variant(String("DriftWarningPercent")), Variant(Long{300}));
  EXPECT_DOUBLE_EQ(host::DriftShareSetting(), 0.5);
}

TEST(SeriesChart, EscapesEveryTextAndHoldsNoScript) {
  host::MeasuredRecord hostile = RecordWith("2024-01-01", 0.1);
  hostile.measurements[0].key = "<script>alert(1)</script>";
  hostile.measurements[0].unit = "\"&";
  hostile.measurements[0].valueText = "<b>0.1</b>";
  const auto comparison = host::CompareRecords({hostile, hostile}, 0.5);
  const String svg = host::SeriesChartSvg(comparison.series.at(0));
  EXPECT_EQ(svg.find("<script"), String::npos);
  EXPECT_NE(svg.find("&lt;script&gt;"), String::npos);
  EXPECT_EQ(svg.find("<b>"), String::npos);
  EXPECT_NE(svg.find("stroke-dasharray"), String::npos);  // the limit line
}

}  // namespace
}  // namespace velko::test
