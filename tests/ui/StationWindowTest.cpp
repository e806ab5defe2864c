// The window offscreen against a simulated bench: its layout from twips, the tab guard, Run
// All with its progress, the busy state, the trim bars and the operator's entries.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QSignalSpy>
#include <cmath>
#include <map>

#include "ui/StationHarness.h"

namespace halyard::ui {
namespace {

using testing::kBlankTarget;
using testing::kConfiguredTarget;
using testing::Station;

QRect Twips(double dpi, int left, int top, int width, int height) {
  const auto px = [dpi](int twips) { return static_cast<int>(std::lround(twips * dpi / 1440)); };
  return QRect(px(left), px(top), px(width), px(height));
}

// Where a control sits within another widget (its container in the layout).
QRect RectIn(QWidget* widget, QWidget* container) {
  return QRect(widget->mapTo(container, QPoint(0, 0)), widget->size());
}

QStringList StatusCaptions(const Station& station) {
  QStringList captions;
  for (int i = 0; i < 5; ++i)
    captions << station.Text("Label6", i);
  return captions;
}

TEST(StationWindowLayout, PlacesCaptionsAndFontsFollowTheDesign) {
  Station station;
  StationWindow& window = *station.window;
  const double dpi = window.Dpi();
  EXPECT_EQ(dpi, window.screen()->logicalDotsPerInchY());
  EXPECT_EQ(window.windowTitle(), "reDido USB");
  EXPECT_EQ(window.minimumSize(), Twips(dpi, 0, 0, 6510, 5160).size());
  EXPECT_EQ(window.maximumSize(), window.minimumSize());
  EXPECT_EQ(window.TabBar()->tabText(3), "Trim");

  EXPECT_EQ(
      station.Text("Ver"),
      QString("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));
  struct Case {
    const char* name;
    int index;
    const char* container;  // on a tab: the tab control's corner, tab strip included
    QRect twips;
    const char* caption;  // nullptr: none to check
    Qt::Alignment align;
    FontStyle font;
  };
  using F = FontStyle;
  // clang-format off
  for (const Case& c : {
      Case{"SSTab1", -1, "", {120, 960, 6255, 4095}, nullptr, {}, F::kDefault},
      Case{"Label28", -1, "TitleFrame", {240, 240, 2895, 375}, "Halyard Test Program",
           Qt::AlignLeft, F::kTitle},
      Case{"Ver", -1, "TitleFrame", {4320, 240, 1695, 255}, nullptr, Qt::AlignHCenter, F::kDefault},
      Case{"Program", -1, "Frame1", {4560, 360, 975, 255}, "Program", {}, F::kDefault},
      Case{"Command2", 4, "SSTab1", {840, 3120, 1335, 375}, "Run All", {}, F::kDefault},
      Case{"Label6", 4, "SSTab1", {2760, 3180, 975, 255}, "", Qt::AlignLeft, F::kBold},  // blanked
      Case{"Frame3", -1, "SSTab1", {240, 1440, 5775, 1215}, nullptr, {}, F::kDefault},
      Case{"GrossAdjust", -1, "Frame3", {3240, 480, 255, 375}, nullptr, {}, F::kDefault},
      Case{"CurrentTrim", -1, "Frame3", {2400, 600, 375, 255}, "80",
           Qt::AlignRight, F::kDefault}}) {
    // clang-format on
    SCOPED_TRACE(ControlKey(c.name, c.index));
    QWidget* widget = station.Get(c.name, c.index);
    QWidget* container = *c.container ? station.Get(c.container) : &window;
    const QRect& t = c.twips;
    EXPECT_EQ(RectIn(widget, container), Twips(dpi, t.x(), t.y(), t.width(), t.height()));
    if (c.caption) {
      EXPECT_EQ(widget->property("text").toString(), c.caption);
    }
    if (c.align != Qt::Alignment{}) {
      EXPECT_TRUE(station.Get<QLabel>(c.name, c.index)->alignment() & c.align);
    }
    // Without the font Qt silently substitutes; the station ships DejaVu Sans.
    EXPECT_EQ(QFontInfo(widget->font()).family(), "DejaVu Sans");
    EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), c.font == F::kTitle ? 12 : 8.25);
    EXPECT_EQ(widget->font().bold(), c.font != F::kDefault);
  }

  // Every control: inside the window, below the tab strip when on a tab, caption unclipped.
  QWidget* tabControl = window.Control("SSTab1");
  const int strip = window.TabBar()->height();
  EXPECT_GT(strip, 0);
  for (const ControlLayout& layout : MainWindowLayout()) {
    SCOPED_TRACE(ControlKey(layout.name, layout.index));
    QWidget* widget = window.Control(layout.name, layout.index);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(window.rect().contains(RectIn(widget, &window)));
    if (widget != tabControl && tabControl->isAncestorOf(widget)) {
      EXPECT_GE(RectIn(widget, tabControl).top(), strip);
    }
    if (layout.kind != ControlKind::kLabel && layout.kind != ControlKind::kButton) continue;
    const QFontMetricsF metrics(widget->font());
    EXPECT_LE(metrics.horizontalAdvance(layout.caption), widget->width());
    EXPECT_LE(metrics.height(), widget->height() + 1);
  }
}

TEST(StationTabGuard, StartsOnProgrammingAndKeepsTheOperatorOffTestUntilConfigured) {
  for (const bool configured : {false, true}) {
    SCOPED_TRACE(configured ? "configured" : "blank");
    Station station(configured ? kConfiguredTarget : kBlankTarget);
    ASSERT_EQ(station.form->State().TargetNotConfigured, !configured);
    EXPECT_EQ(station.VisibleTab(), 0);
    for (const int tab : {3, 1, 2, 0, 1, 3, 2}) {
      station.ClickTab(tab);
      EXPECT_EQ(station.VisibleTab(), (tab == 1 && !configured) ? 2 : tab) << "tab " << tab;
    }
  }
}

TEST(StationTabGuard, SelectionsMadeByTheProgramDoNotRunTheGuard) {
  Station station(kBlankTarget);
  station.ClickTab(1);
  ASSERT_EQ(station.VisibleTab(), 2);
  QSignalSpy changes(station.window->TabBar(), &QTabBar::currentChanged);
  station.Click("Command1");  // configures the target, then selects "Test" itself
  EXPECT_EQ(station.VisibleTab(), 1);
  EXPECT_EQ(changes.count(), 0);  // the bar moved with its signals blocked
}

TEST(StationRunAll, PaintsEachVerdictWhileItRunsAndCountsOnlyPasses) {
  Station station(kConfiguredTarget);
  station.ClickTab(1);
  // The neutral status colour blends into the tab.
  EXPECT_EQ(station.Get("Label6", 0)->palette().color(QPalette::Window),
            station.window->palette().color(QPalette::Window));
  std::vector<QStringList> seen;
  station.duringWait = [&] {
    const QStringList now = StatusCaptions(station);
    if (seen.empty() || seen.back() != now) seen.push_back(now);
  };
  for (int run = 1; run <= 2; ++run) {
    seen.clear();
    station.Click("Command2", 4);
    // Before each test the window shows the verdicts of the tests before it.
    EXPECT_EQ(seen, (std::vector<QStringList>{{"", "", "", "", ""},
                                              {"True", "", "", "", ""},
                                              {"True", "True", "", "", ""},
                                              {"True", "True", "True", "", ""}}));
    EXPECT_EQ(StatusCaptions(station), (QStringList{"True", "True", "True", "Pass", "Pass"}));
    EXPECT_EQ(station.Text("Label3"), QString::number(run));
  }
  EXPECT_EQ(station.Count("GetAdapterVersion"), 2);

  Station blank(kBlankTarget);  // a blank target has no identification to read back
  blank.form->SelectTab(1);
  blank.Click("Command2", 4);
  EXPECT_EQ(blank.Text("Label6", 4), "Fail");
  EXPECT_EQ(blank.Text("Label3"), "0");
  for (const auto& [verdict, back, fore] :
       {std::tuple{&station, QColor(0x80, 0xFF, 0x80), QColor(0x00, 0x80, 0x00)},
        std::tuple{&blank, QColor(0xFF, 0x80, 0x80), QColor(0x80, 0x00, 0x00)}}) {
    QWidget* overall = verdict->Get("Label6", 4);
    EXPECT_TRUE(overall->autoFillBackground());
    EXPECT_EQ(overall->palette().color(QPalette::Window), back);
    EXPECT_EQ(overall->palette().color(QPalette::WindowText), fore);
  }
}

TEST(StationBusy, WhileAnOperationWaitsNothingElseStartsAndClosingWaitsForTheEnd) {
  Station station(kConfiguredTarget);
  station.ClickTab(1);
  std::map<std::string, QWidget*> operatorControls;  // every button, box and bar
  for (const ControlLayout& layout : MainWindowLayout()) {
    if (layout.kind != ControlKind::kLabel && layout.kind != ControlKind::kFrame &&
        layout.kind != ControlKind::kTabControl) {
      operatorControls[ControlKey(layout.name, layout.index)] =
          station.Get(layout.name, layout.index);
    }
  }
  int waits = 0;
  station.duringWait = [&] {
    if (++waits == 1) station.window->close();
    for (const auto& [name, control] : operatorControls)
      EXPECT_FALSE(control->isEnabled()) << name;
    // Looking at another tab stays possible; a click that arrives now starts nothing.
    EXPECT_TRUE(station.window->TabBar()->isEnabled());
    station.Click("Command2", 0);
    EXPECT_TRUE(station.window->isVisible());
    EXPECT_TRUE(station.bench->IsOpen());
  };
  station.Click("Command2", 4);
  EXPECT_EQ(waits, 4);
  EXPECT_EQ(station.Count("GetAdapterVersion"), 1);  // only the run's own version test
  EXPECT_EQ(station.Text("Label3"), "1");            // the run went to its end
  // The close asked for during the run happened after it, and shut the adapter.
  EXPECT_FALSE(station.window->isVisible());
  EXPECT_FALSE(station.bench->IsOpen());
  for (const auto& [name, control] : operatorControls)
    EXPECT_TRUE(control->isEnabled()) << name;
}

TEST(StationTrim, EachBarStepRunsBothHandlersOnceAndADraggedThumbCountsOnRelease) {
  Station station;
  station.ClickTab(3);
  auto* fine = station.Get<QScrollBar>("FineAdjust");
  auto* gross = station.Get<QScrollBar>("GrossAdjust");
  gross->triggerAction(QAbstractSlider::SliderSingleStepSub);  // the upper arrow
  EXPECT_EQ(gross->value(), 0x78);
  EXPECT_EQ(fine->value(), 0x78);
  EXPECT_EQ(station.Text("CurrentTrim"), "87");
  EXPECT_EQ(station.Count("WriteSmbusWord"), 4);  // each handler writes the register once
  fine->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // the lower arrow
  EXPECT_EQ(gross->value(), 0x79);
  EXPECT_EQ(station.Text("CurrentTrim"), "86");
  EXPECT_EQ(station.Count("WriteSmbusWord"), 4);

  fine->setSliderDown(true);
  fine->setSliderPosition(100);
  station.window->SyncFromForm();  // a sync mid-drag leaves the thumb where it is
  QApplication::processEvents();
  EXPECT_EQ(fine->sliderPosition(), 100);
  EXPECT_EQ(station.Count("WriteSmbusWord"), 0);
  EXPECT_EQ(station.Text("CurrentTrim"), "86");
  fine->setSliderDown(false);
  EXPECT_EQ(gross->value(), 100);
  EXPECT_EQ(station.Text("CurrentTrim"), "9B");
  EXPECT_EQ(station.Count("WriteSmbusWord"), 4);
}

TEST(StationTrim, UpdateTrimStoresTheShownValueAndFillsReservedRow) {
  Station station;
  station.ClickTab(3);
  auto* row = station.Get<QLineEdit>("ReservedRow");
  QTest::keyClicks(row, "typed");
  station.Click("StartTrim");
  ASSERT_TRUE(station.dialogs.messages.empty()) << station.dialogs.messages[0].prompt;
  EXPECT_EQ(row->text(), "typed");  // a box only the station writes keeps what was typed
  station.Get<QScrollBar>("GrossAdjust")->triggerAction(QAbstractSlider::SliderSingleStepSub);
  ASSERT_EQ(station.Text("CurrentTrim"), "87");
  int waits = 0;
  station.duringWait = [&] {
    ++waits;
    EXPECT_FALSE(station.Get("Update")->isEnabled());
  };
  station.Click("Update");
  EXPECT_GE(waits, 3);
  const auto stored = station.bench->Row(0xB1E0);
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ((*stored)[30], 0x87);
  // The box ends with bytes 25 to 31 of the row and the block's tail byte.
  EXPECT_EQ(row->text().toStdString(), station.form->Controls().ReservedRow.Text);
  ASSERT_EQ(row->text().size(), 16);
  EXPECT_EQ(row->text().mid(10, 2), "87");
}

TEST(StationEntries, TypedTextsAndTheCheckBoxReachForm1) {
  Station station;
  auto* srec = station.Get<QLineEdit>("SREC_Name");
  srec->selectAll();
  QTest::keyClicks(srec, "missing.srec");
  EXPECT_EQ(station.form->Controls().SREC_Name.Text, "missing.srec");
  station.ClickTab(3);
  auto* trimPath = station.Get<QLineEdit>("TrimFilePathAndName");
  trimPath->selectAll();
  QTest::keyClicks(trimPath, "trim.srec");
  EXPECT_EQ(station.form->Controls().TrimFilePathAndName.Text, "trim.srec");
  for (const int expected : {1, 0}) {
    station.Click("AutoUpdate");
    EXPECT_EQ(station.form->Controls().AutoUpdate.Value, expected);
  }
}

}  // namespace
}  // namespace halyard::ui
