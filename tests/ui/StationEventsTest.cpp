// The window's events against a simulated bench: the tab guard, Run All with its progress,
// the busy state during waits, the trim bars, the trim update and the operator's entries.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ui/Colors.h"
#include "ui/StationHarness.h"

namespace halyard::ui {
namespace {

using testing::kBlankTarget;
using testing::kConfiguredTarget;
using testing::Station;

void ClickTab(Station& station, int tab) {
  QTabBar* bar = station.window->TabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
}

void Click(Station& station, const char* name, int index = -1) {
  auto* button = station.Get<QAbstractButton>(name, index);
  QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

QStringList StatusCaptions(const Station& station) {
  QStringList captions;
  for (int i = 0; i < 5; ++i)
    captions << station.Text("Label6", i);
  return captions;
}

// The controls that start an operation or feed one.
const std::vector<std::pair<const char*, int>> kOperatorControls = {
    {"Program", -1},     {"SREC_Name", -1},
    {"Command1", -1},    {"Command2", 0},
    {"Command2", 1},     {"Command2", 2},
    {"Command2", 3},     {"Command2", 4},
    {"StartTrim", -1},   {"TrimFilePathAndName", -1},
    {"AutoUpdate", -1},  {"FineAdjust", -1},
    {"GrossAdjust", -1}, {"Update", -1},
    {"ReservedRow", -1}, {"RsvFlashRd", -1}};

TEST(StationTabGuard, StartsOnProgrammingWhateverTheTarget) {
  for (const char* bench : {kBlankTarget, kConfiguredTarget}) {
    Station station(bench);
    EXPECT_EQ(station.VisibleTab(), 0) << bench;
    EXPECT_EQ(station.window->TabBar()->currentIndex(), 0) << bench;
  }
}

TEST(StationTabGuard, OperatorIsKeptOffTestOnlyWhileTheTargetIsNotConfigured) {
  for (const bool configured : {false, true}) {
    Station station(configured ? kConfiguredTarget : kBlankTarget);
    ASSERT_EQ(station.form->State().TargetNotConfigured, !configured);
    for (const int tab : {3, 1, 2, 0, 1, 3, 2}) {
      ClickTab(station, tab);
      const int expected = (tab == 1 && !configured) ? 2 : tab;
      EXPECT_EQ(station.VisibleTab(), expected) << "configured " << configured << " tab " << tab;
      EXPECT_EQ(station.window->TabBar()->currentIndex(), expected);
      EXPECT_EQ(station.form->Controls().SSTab1.Tab, expected);
    }
  }
}

TEST(StationTabGuard, SelectionsMadeByTheProgramDoNotRunTheGuard) {
  Station station(kBlankTarget);
  ClickTab(station, 1);
  ASSERT_EQ(station.VisibleTab(), 2);
  QSignalSpy changes(station.window->TabBar(), &QTabBar::currentChanged);
  Click(station, "Command1");  // configures the target, then selects "Test" itself
  EXPECT_EQ(station.VisibleTab(), 1);
  EXPECT_EQ(station.window->TabBar()->currentIndex(), 1);
  // The bar was moved with its signals blocked: nothing reached SelectTab.
  EXPECT_EQ(changes.count(), 0);
}

TEST(StationRunAll, ShowsEachVerdictWhileItRunsThenPassesAndCounts) {
  Station station(kConfiguredTarget);
  ClickTab(station, 1);
  const QColor neutral = ToQColor(kColorNeutral, station.window->palette());
  EXPECT_EQ(station.Get("Label6", 0)->palette().color(QPalette::Window), neutral);

  std::vector<QStringList> seen;
  station.duringWait = [&] {
    const QStringList now = StatusCaptions(station);
    if (seen.empty() || seen.back() != now) seen.push_back(now);
  };
  for (int run = 1; run <= 2; ++run) {
    seen.clear();
    Click(station, "Command2", 4);
    // Before each test the window shows the verdicts of the tests before it.
    EXPECT_EQ(seen, (std::vector<QStringList>{{"", "", "", "", ""},
                                              {"True", "", "", "", ""},
                                              {"True", "True", "", "", ""},
                                              {"True", "True", "True", "", ""}}));
    EXPECT_EQ(StatusCaptions(station), (QStringList{"True", "True", "True", "Pass", "Pass"}));
    EXPECT_EQ(station.Text("Label3"), QString::number(run));
  }
  QWidget* overall = station.Get("Label6", 4);
  EXPECT_TRUE(overall->autoFillBackground());
  EXPECT_EQ(overall->palette().color(QPalette::Window), QColor(0x80, 0xFF, 0x80));
  EXPECT_EQ(overall->palette().color(QPalette::WindowText), QColor(0x00, 0x80, 0x00));
  EXPECT_EQ(station.Count("GetAdapterVersion"), 2);
}

TEST(StationRunAll, AFailingTestPaintsRedAndLeavesTheCounter) {
  Station station(kBlankTarget);  // a blank target has no identification to read back
  station.form->SelectTab(1);
  Click(station, "Command2", 4);
  EXPECT_EQ(station.Text("Label6", 4), "Fail");
  EXPECT_EQ(station.Get("Label6", 4)->palette().color(QPalette::Window), QColor(0xFF, 0x80, 0x80));
  EXPECT_EQ(station.Get("Label6", 4)->palette().color(QPalette::WindowText),
            QColor(0x80, 0x00, 0x00));
  EXPECT_EQ(station.Text("Label3"), "0");
}

TEST(StationBusy, WhileAnOperationWaitsNothingElseCanStart) {
  Station station(kConfiguredTarget);
  ClickTab(station, 1);
  int waits = 0;
  station.duringWait = [&] {
    ++waits;
    for (const auto& [name, index] : kOperatorControls) {
      EXPECT_FALSE(station.Get(name, index)->isEnabled()) << name << " " << index;
    }
    // Looking at another tab stays possible, and the window still takes input.
    EXPECT_TRUE(station.window->TabBar()->isEnabled());
    EXPECT_TRUE(station.window->isEnabled());
    Click(station, "Command2", 0);  // arrives during the wait
  };
  Click(station, "Command2", 4);
  EXPECT_EQ(waits, 4);
  EXPECT_EQ(station.Count("GetAdapterVersion"), 1);  // only the run's own version test
  for (const auto& [name, index] : kOperatorControls) {
    EXPECT_TRUE(station.Get(name, index)->isEnabled()) << name << " " << index;
  }
}

TEST(StationBusy, ClosingDuringAWaitClosesOnceTheOperationHasEnded) {
  Station station(kConfiguredTarget);
  ClickTab(station, 1);
  bool asked = false;
  station.duringWait = [&] {
    if (!asked) {
      asked = true;
      station.window->close();
    }
    EXPECT_TRUE(station.window->isVisible());
    EXPECT_TRUE(station.bench->IsOpen());
  };
  Click(station, "Command2", 4);
  EXPECT_TRUE(asked);
  EXPECT_EQ(station.Text("Label3"), "1");  // the run went to its end
  EXPECT_FALSE(station.window->isVisible());
  EXPECT_FALSE(station.bench->IsOpen());  // shutdown ran when the window closed
}

TEST(StationTrim, OneArrowStepRunsBothHandlersOnceAndShowsTheTrim) {
  Station station;
  ClickTab(station, 3);
  auto* fine = station.Get<QScrollBar>("FineAdjust");
  auto* gross = station.Get<QScrollBar>("GrossAdjust");
  gross->triggerAction(QAbstractSlider::SliderSingleStepSub);  // the upper arrow
  EXPECT_EQ(gross->value(), 0x78);
  EXPECT_EQ(fine->value(), 0x78);
  EXPECT_EQ(station.Text("CurrentTrim"), "87");
  // Each handler writes the trim register once: two word writes apiece.
  EXPECT_EQ(station.Count("WriteSmbusWord"), 4);
  fine->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // the lower arrow
  EXPECT_EQ(gross->value(), 0x79);
  EXPECT_EQ(station.Text("CurrentTrim"), "86");
  EXPECT_EQ(station.Count("WriteSmbusWord"), 4);
  fine->triggerAction(QAbstractSlider::SliderPageStepAdd);  // a click in the track
  gross->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(fine->value(), 0x82);
  EXPECT_EQ(station.Text("CurrentTrim"), "7D");
}

TEST(StationTrim, ADraggedThumbIsTakenWhenReleased) {
  Station station;
  ClickTab(station, 3);
  auto* fine = station.Get<QScrollBar>("FineAdjust");
  fine->setSliderDown(true);
  fine->setSliderPosition(100);
  station.window->SyncFromForm();  // a sync mid-drag leaves the thumb where it is
  QApplication::processEvents();
  EXPECT_EQ(fine->sliderPosition(), 100);
  EXPECT_EQ(station.Count("WriteSmbusWord"), 0);
  EXPECT_EQ(station.Text("CurrentTrim"), "80");
  fine->setSliderDown(false);
  EXPECT_EQ(station.form->Controls().FineAdjust.Value, 100);
  EXPECT_EQ(station.Get<QScrollBar>("GrossAdjust")->value(), 100);
  EXPECT_EQ(station.Text("CurrentTrim"), "9B");
  EXPECT_EQ(station.Count("WriteSmbusWord"), 4);
}

TEST(StationTrim, UpdateTrimStoresTheShownValueAndFillsReservedRow) {
  Station station;
  ClickTab(station, 3);
  Click(station, "StartTrim");
  ASSERT_TRUE(station.dialogs.messages.empty()) << station.dialogs.messages[0].prompt;
  station.Get<QScrollBar>("GrossAdjust")->triggerAction(QAbstractSlider::SliderSingleStepSub);
  ASSERT_EQ(station.Text("CurrentTrim"), "87");
  int waits = 0;
  station.duringWait = [&] {
    ++waits;
    EXPECT_FALSE(station.Get("Update")->isEnabled());
    EXPECT_FALSE(station.Get("GrossAdjust")->isEnabled());
  };
  Click(station, "Update");
  EXPECT_GE(waits, 3);
  const auto row = station.bench->Row(0xB1E0);
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ((*row)[30], 0x87);
  const QString shown = station.Get<QLineEdit>("ReservedRow")->text();
  EXPECT_EQ(shown.toStdString(), station.form->Controls().ReservedRow.Text);
  // The box ends with bytes 25 to 31 of the row and the block's tail byte.
  ASSERT_EQ(shown.size(), 16);
  EXPECT_EQ(shown.mid(10, 2), "87");
  EXPECT_TRUE(station.Get("Update")->isEnabled());
}

TEST(StationEntries, TypedTextsAndTheCheckBoxReachForm1) {
  Station station;
  auto* srec = station.Get<QLineEdit>("SREC_Name");
  srec->selectAll();
  QTest::keyClicks(srec, "missing.srec");
  EXPECT_EQ(station.form->Controls().SREC_Name.Text, "missing.srec");
  Click(station, "Program");
  ASSERT_FALSE(station.bench->Programmings().empty());
  EXPECT_EQ(station.bench->Programmings().back().path, "missing.srec");
  ASSERT_EQ(station.dialogs.messages.size(), 1u);
  EXPECT_EQ(station.dialogs.messages[0].title, "Programming Error");
  EXPECT_NE(station.Text("Label7"), "0");
  EXPECT_EQ(srec->text(), "missing.srec");

  ClickTab(station, 3);
  auto* trimPath = station.Get<QLineEdit>("TrimFilePathAndName");
  trimPath->selectAll();
  QTest::keyClicks(trimPath, "trim.srec");
  EXPECT_EQ(station.form->Controls().TrimFilePathAndName.Text, "trim.srec");
  auto* autoUpdate = station.Get<QCheckBox>("AutoUpdate");
  QTest::mouseClick(autoUpdate, Qt::LeftButton, {}, autoUpdate->rect().center());
  EXPECT_EQ(station.form->Controls().AutoUpdate.Value, 1);
  QTest::mouseClick(autoUpdate, Qt::LeftButton, {}, autoUpdate->rect().center());
  EXPECT_EQ(station.form->Controls().AutoUpdate.Value, 0);
}

TEST(StationEntries, TextTypedIntoTheRowBoxStaysUntilTheStationWritesIt) {
  Station station;
  ClickTab(station, 3);
  auto* row = station.Get<QLineEdit>("ReservedRow");
  QTest::keyClicks(row, "typed");
  ClickTab(station, 0);  // any event copies Form1's state into the window
  ClickTab(station, 3);
  EXPECT_EQ(row->text(), "typed");
  Click(station, "StartTrim");
  Click(station, "RsvFlashRd");
  EXPECT_EQ(row->text().toStdString(), station.form->Controls().ReservedRow.Text);
  EXPECT_EQ(row->text().size(), 16);
}

}  // namespace
}  // namespace halyard::ui
