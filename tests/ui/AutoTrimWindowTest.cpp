// "Auto Trim" beside the status line: the search moves the Trim tab's bars to the code of least
// error, greys the tabs' controls while it runs, says its progress and verdict, is recorded,
// and a second press cancels it with the bars on the last code written.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QScrollBar>

#include "WindowStation.h"

namespace halyard::ui {
namespace {

using halyard::testing::WindowStation;

TEST(WindowAutoTrim, FindsTheCodeOrStopsWhereCancelled) {
  for (const bool cancel : {false, true}) {
    SCOPED_TRACE(cancel ? "cancelled" : "to the end");
    WindowStation s({.bench = R"({"controller": {"oscillator": {"offset_ppm": 1500}}})",
                     .ini = testing::DefaultIni() + "[Trim]\nSettleSeconds=0\n"},
                    "{dir}/records.db");
    s.ClickTab(3);
    s.Click("StartTrim");
    QPushButton* button = s.window->Strip()->AutoTrimButton();
    ASSERT_TRUE(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(s.window->AutoTrimRunning());
    EXPECT_EQ(button->text().toStdString(), "Cancel Auto Trim");
    EXPECT_FALSE(s.Get("Update")->isEnabled());  // nothing else starts while it searches
    EXPECT_TRUE(button->isEnabled());
    // Two measurements, then (when cancelling) the second press.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    if (cancel) QTest::mouseClick(button, Qt::LeftButton);
    for (int i = 0; i < 100 && s.window->AutoTrimRunning(); ++i)
      QCoreApplication::processEvents();
    ASSERT_FALSE(s.window->AutoTrimRunning());

    const AutoTrimReport& report = s.fixture.station().AutoTrimmer().Report();
    ASSERT_FALSE(report.iterations.empty());
    EXPECT_EQ(report.cancelled, cancel);
    const int code = cancel ? report.iterations.back().code : report.chosen.value().code;
    EXPECT_EQ(s.Get<QScrollBar>("FineAdjust")->value(), code);
    EXPECT_EQ(s.form->Controls().FineAdjust.Value, code);
    EXPECT_TRUE(s.Get("Update")->isEnabled());
    EXPECT_EQ(button->text().toStdString(), "Auto Trim");
    const std::string status = s.Status().toStdString();
    EXPECT_NE(status.find(cancel ? "Auto Trim failed: cancelled" : "Auto Trim passed"),
              std::string::npos)
        << status;
    // The search is one record, with every measurement.
    std::vector<records::Record> found;
    std::string error;
    ASSERT_TRUE(s.recorder.Store()->List({}, found, error)) << error;
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.back().action, "trim-auto");
    EXPECT_EQ(found.back().verdict, cancel ? "failed" : "passed");
    EXPECT_NE(found.back().measurements.find("auto_trim"), std::string::npos);
  }
}

}  // namespace
}  // namespace halyard::ui
