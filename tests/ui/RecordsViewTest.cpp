// The records view's record: its measurements as a table (tests, versions, trim, each iteration
// of the automatic trim, and keys the view does not know by name), its times in local time with
// UTC on hover, a record without a unit said in words, and columns as wide as their content.
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

#include "WindowStation.h"
#include "ui/MeasurementRows.h"
#include "ui/RecordDetail.h"
#include "ui/RecordsDialog.h"

namespace halyard::ui {
namespace {

using halyard::testing::Bench;
using halyard::testing::ShippedIni;
using Station = halyard::testing::WindowStation;
using ::testing::HasSubstr;
using Rows = std::vector<MeasurementRow>;

TEST(MeasurementRows, EachMeasurementIsARowInWords) {
  struct Case {
    const char* what;
    const char* json;
    Rows rows;
  };
  // clang-format off
  const std::vector<Case> cases{
      {"a run stopped by the SMBus test",
       R"({"tests": [{"test": "Version Test", "passed": true, "status": null},
                     {"test": "SMBus Test", "passed": false, "status": 7}],
           "version": "1.2", "version_expected": "1.2", "run_all_passes": 0})",
       {{"Version Test", "passed"}, {"SMBus Test", "failed, status 7", true},
        {"Version read", "1.2"}, {"Version expected", "1.2"}, {"Run All passes", "0"}}},
      {"a version that could not be read", R"({"version": null, "version_expected": "1.2"})",
       {{"Version read", "none"}, {"Version expected", "1.2"}}},
      {"the trim and the row",
       R"({"trim": "80", "fine": 127, "reserved_row_after": "18191A1B1C1D80FF", "auto_update": 1})",
       {{"Trim shown", "80"}, {"Fine bar", "127"}, {"Reserved row after", "18191A1B1C1D80FF"},
        {"Auto update", "1"}}},
      {"an automatic trim",
       R"({"auto_trim": {"target_hz": 32768.0, "tolerance_ppm": 100.0, "counter": "sim",
           "counter_id": "SIM,COUNTER", "iterations": [{"code": 128, "hz": 32817.2, "error_ppm": 1500.0},
           {"code": 64, "hz": 32649.4, "error_ppm": -3620.5}],
           "chosen": {"code": 110, "hz": 32770.0, "error_ppm": 61.0}, "within_tolerance": true,
           "cancelled": false, "stored_trim_byte": 145}})",
       {{"Auto Trim target", "32768.0 Hz within 100.0 ppm"},
        {"Auto Trim counter", "sim (SIM,COUNTER)"},
        {"Auto Trim 1", "code 128 (trim 7F), 32817.2 Hz, +1500 ppm"},
        {"Auto Trim 2", "code 64 (trim BF), 32649.4 Hz, -3620 ppm"},
        {"Auto Trim chosen", "code 110 (trim 91), 32770.0 Hz, +61 ppm"},
        {"Auto Trim within tolerance", "yes"}, {"Auto Trim stored byte 30", "91"}}},
      {"a cancelled trim", R"({"auto_trim": {"iterations": [], "chosen": null,
           "within_tolerance": false, "cancelled": true, "stored_trim_byte": null}})",
       {{"Auto Trim target", "0.0 Hz within 0.0 ppm"}, {"Auto Trim counter", ""},
        {"Auto Trim chosen", "none", true}, {"Auto Trim within tolerance", "no", true},
        {"Auto Trim cancelled", "yes", true}}},
      {"a key of a later station", R"({"socket_temperature": 41.5, "target_configured": true})",
       {{"socket_temperature", "41.5"}, {"Target configured", "yes"}}},
      {"no measurements", "{}", {}},
      {"not an object", "[1]", {{"measurements", "not readable: [1]", true}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MeasurementRows(c.json), c.rows);
  }
}

TEST(RecordDetail, TimesAreLocalWithUtcOnHoverAndARecordWithoutAUnitSaysSo) {
  records::Record record;
  record.action = "trim-read";
  record.verdict = records::kVerdictPassed;
  record.adapter = "sim HALYARD-SIM0";
  record.started = "2026-12-06T12:34:56.789Z";
  record.ended = "2026-12-06T12:34:57.001Z";
  EXPECT_EQ(RecordHeadline(record), "trim-read passed for no unit, adapter sim HALYARD-SIM0");
  record.unit = "HY-0021";
  EXPECT_EQ(RecordHeadline(record), "trim-read passed for unit HY-0021, adapter sim HALYARD-SIM0");
  const QString local = LocalTime(record.started);
  const QDateTime utc(QDate(2026, 12, 6), QTime(12, 34, 56, 789), Qt::UTC);
  EXPECT_EQ(QDateTime::fromString(local, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), utc);
  EXPECT_EQ(LocalTime("not a time"), "not a time");
  RecordDetail detail(nullptr);
  detail.Show(&record);
  EXPECT_THAT(detail.Headline()->text().toStdString(), HasSubstr("started " + local.toStdString()));
  EXPECT_THAT(detail.Headline()->toolTip().toStdString(), HasSubstr("2026-12-06T12:34:56.789Z"));
}

// The window's records view: the selected record's measurements, the Started column whole.
TEST(RecordsView, ShowsTheSelectedRecordsMeasurementsAndWholeTimes) {
  Station station({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/records.db");
  station.window->TakeUnit("HY-7");
  station.ClickTab(1);
  station.Click("Command2", 4);
  RecordsDialog* view = station.window->ShowRecords();
  QTableWidget* latest = view->Latest();
  ASSERT_EQ(latest->rowCount(), 1);
  latest->setCurrentCell(0, 0);
  QTableWidget* measured = view->Detail()->Measurements();
  std::vector<std::pair<std::string, std::string>> rows;
  for (int row = 0; row < measured->rowCount(); ++row)
    rows.emplace_back(measured->item(row, 0)->text().toStdString(),
                      measured->item(row, 1)->text().toStdString());
  EXPECT_EQ(rows, (std::vector<std::pair<std::string, std::string>>{{"Version Test", "passed"},
                                                                    {"SMBus Test", "passed"},
                                                                    {"I2C Test", "passed"},
                                                                    {"SWB Test", "passed"},
                                                                    {"Version read", "1.2"},
                                                                    {"Version expected", "1.2"},
                                                                    {"Run All passes", "1"}}));
  const records::Record stored = station.Records().at(0);
  QTableWidgetItem* started = latest->item(0, 0);
  EXPECT_EQ(started->text(), LocalTime(stored.started));
  EXPECT_EQ(started->toolTip().toStdString(), "UTC: " + stored.started);
  // Every column but the last (the reason, which takes the rest) is as wide as its content.
  view->show();
  QCoreApplication::processEvents();
  for (int column = 0; column + 1 < latest->columnCount(); ++column) {
    const QString text = latest->item(0, column)->text();
    EXPECT_GE(latest->columnWidth(column), latest->fontMetrics().horizontalAdvance(text))
        << text.toStdString();
  }
  EXPECT_THAT(view->Detail()->Headline()->text().toStdString(),
              HasSubstr("run-all passed for unit HY-7"));
}

}  // namespace
}  // namespace halyard::ui
