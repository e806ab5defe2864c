// The records view's charts: today's report of this station alone, drawn from the report's SVG
// (yield and units per hour, the failures by reason, the trim's spread when there is one).
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QSvgWidget>

#include "WindowStation.h"
#include "records/RecordFormat.h"
#include "ui/QualityCharts.h"
#include "ui/RecordsDialog.h"

namespace halyard::ui {
namespace {

using halyard::testing::Bench;
using halyard::testing::ShippedIni;
using Station = halyard::testing::WindowStation;

// Pixels of `colour` in the chart as its renderer draws it.
int PixelsOf(QSvgWidget* chart, QColor colour) {
  QImage image(chart->size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  chart->renderer()->render(&painter);
  painter.end();
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x)
      count += image.pixelColor(x, y) == colour ? 1 : 0;
  }
  return count;
}

TEST(RecordsViewCharts, ShowTodaysReportOfThisStationAlone) {
  Station station({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/records.db");
  station.ClickTab(1);
  station.Click("Command2", 4);
  station.fixture.FailNthCall(1, 7);
  station.Click("Command2", 1);
  // Another station's failure in the same store, today: not this station's.
  records::Record elsewhere = station.Records().back();
  elsewhere.id = records::NewRecordId();
  elsewhere.station = "line-9";
  elsewhere.reason = "elsewhere";
  std::string error;
  ASSERT_TRUE(station.records.Store()->Write(elsewhere, error)) << error;

  RecordsDialog* view = station.window->ShowRecords();
  const report::QualityReport& shown = view->Charts()->Shown();
  EXPECT_EQ(shown.total.tested, 2);
  EXPECT_EQ(shown.total.failed, 1);
  ASSERT_EQ(shown.failures.size(), 1u);
  EXPECT_EQ(shown.failures[0].reason, "SMBus Test failed: status 7");
  ASSERT_EQ(shown.hours.size(), 1u);
  const std::vector<QSvgWidget*>& charts = view->Charts()->Charts();
  ASSERT_EQ(charts.size(), 3u);  // no automatic trim today
  const std::vector<std::pair<const char*, QColor>> drawn{
      {"Yield per hour", QColor("#38a169")},
      {"Units per hour", QColor("#5a6b82")},
      {"Failures by reason", QColor("#c53030")}};
  for (size_t i = 0; i < charts.size(); ++i) {
    SCOPED_TRACE(drawn[i].first);
    EXPECT_EQ(charts[i]->accessibleName().toStdString(), drawn[i].first);
    EXPECT_TRUE(charts[i]->renderer()->isValid());
    EXPECT_GT(PixelsOf(charts[i], drawn[i].second), 500);  // its bars, not only the legend
  }
}

}  // namespace
}  // namespace halyard::ui
