// The window against a simulated bench: layout, captions, fonts, keyboard order, the tab
// guard, event forwarding, progress during waits and the busy state.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <map>
#include <set>

#include "ui/Colors.h"
#include "ui/StationHarness.h"

namespace halyard::ui {
namespace {

using testing::Station;

QRect Twips(double dpi, int left, int top, int width, int height) {
  const auto px = [dpi](int twips) { return static_cast<int>(std::lround(twips * dpi / 1440)); };
  return QRect(px(left), px(top), px(width), px(height));
}

// Where a control sits within another widget (its container in the layout).
QRect RectIn(QWidget* widget, QWidget* container) {
  return QRect(widget->mapTo(container, QPoint(0, 0)), widget->size());
}

void ClickTab(Station& station, int tab) {
  QTabBar* bar = station.window->TabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
}

TEST(StationWindowLayout, WindowHasItsCaptionAndAFixedClientAreaInTwips) {
  Station station;
  StationWindow& window = *station.window;
  const double dpi = window.Dpi();
  EXPECT_EQ(dpi, window.screen()->logicalDotsPerInchY());
  EXPECT_EQ(window.windowTitle(), "reDido USB");
  const QSize client = Twips(dpi, 0, 0, 6510, 5160).size();
  EXPECT_EQ(window.size(), client);
  EXPECT_EQ(window.minimumSize(), client);
  EXPECT_EQ(window.maximumSize(), client);
}

TEST(StationWindowLayout, ControlsSitAtTheirTwipsRelativeToTheirContainer) {
  Station station;
  StationWindow& window = *station.window;
  const double dpi = window.Dpi();
  QWidget* tabControl = window.Control("SSTab1");
  EXPECT_EQ(RectIn(tabControl, &window), Twips(dpi, 120, 960, 6255, 4095));
  EXPECT_EQ(RectIn(station.Get("Ver"), station.Get("TitleFrame")),
            Twips(dpi, 4320, 240, 1695, 255));
  // On a tab, positions count from the tab control's corner, tab strip included.
  EXPECT_EQ(RectIn(station.Get("Command2", 4), tabControl), Twips(dpi, 840, 3120, 1335, 375));
  EXPECT_EQ(RectIn(station.Get("Frame1"), tabControl), Twips(dpi, 240, 840, 5655, 855));
  EXPECT_EQ(RectIn(station.Get("Program"), station.Get("Frame1")), Twips(dpi, 4560, 360, 975, 255));
  ClickTab(station, 3);
  EXPECT_EQ(RectIn(station.Get("Frame3"), tabControl), Twips(dpi, 240, 1440, 5775, 1215));
  EXPECT_EQ(RectIn(station.Get("GrossAdjust"), station.Get("Frame3")),
            Twips(dpi, 3240, 480, 255, 375));
  EXPECT_EQ(RectIn(station.Get("RsvFlashRd"), tabControl), Twips(dpi, 3720, 3600, 1695, 255));
}

TEST(StationWindowLayout, EveryControlOnATabClearsTheTabStripAndStaysInsideTheWindow) {
  Station station;
  StationWindow& window = *station.window;
  QWidget* tabControl = window.Control("SSTab1");
  const int strip = window.TabBar()->height();
  EXPECT_GT(strip, 0);
  for (const ControlLayout& layout : MainWindowLayout()) {
    QWidget* widget = window.Control(layout.name, layout.index);
    ASSERT_NE(widget, nullptr) << layout.name;
    const QRect inWindow = RectIn(widget, &window);
    EXPECT_TRUE(window.rect().contains(inWindow)) << ControlKey(layout.name, layout.index);
    if (widget != tabControl && tabControl->isAncestorOf(widget)) {
      EXPECT_GE(RectIn(widget, tabControl).top(), strip) << ControlKey(layout.name, layout.index);
    }
  }
}

TEST(StationWindowLayout, StartsWithTheDesignCaptionsAndTheTextsStartUpSets) {
  Station station;
  const QStringList buttons = {"Version Test", "SMBus Test", "I2C Test", "SWB Test", "Run All"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(station.Get<QPushButton>("Command2", i)->text(), buttons[i]);
    // Start-up blanked the status labels; the detail labels keep their design text.
    EXPECT_EQ(station.Text("Label6", i), "");
  }
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(station.Text("Label5", i), "Label5");
  EXPECT_EQ(station.Text("Label5", 4), "1       8");
  EXPECT_EQ(station.Text("Label7"), "Label7");
  EXPECT_EQ(station.Text("Label4"), "0");
  EXPECT_EQ(station.Text("Label3"), "0");
  EXPECT_EQ(station.Text("Label28"), "Halyard Test Program");
  EXPECT_EQ(station.Text("Label9"), "Auto update controller firmware");
  EXPECT_EQ(
      station.Text("Ver"),
      QString("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));
  EXPECT_EQ(station.Text("CurrentTrim"), "80");
  EXPECT_EQ(station.Get<QScrollBar>("FineAdjust")->value(), 128);
  EXPECT_EQ(station.Get<QScrollBar>("GrossAdjust")->value(), 128);
  EXPECT_FALSE(station.Get<QCheckBox>("AutoUpdate")->isChecked());
  EXPECT_THAT(station.Get<QLineEdit>("SREC_Name")->text().toStdString(),
              ::testing::EndsWith("halyard-fw.srec"));
  EXPECT_THAT(station.Get<QLineEdit>("TrimFilePathAndName")->text().toStdString(),
              ::testing::EndsWith("gxTrim.srec"));
  EXPECT_EQ(station.Get<QPushButton>("Command1")->text(), "Configure Test Target");
  QTabBar* bar = station.window->TabBar();
  ASSERT_EQ(bar->count(), 4);
  EXPECT_EQ(bar->tabText(0), "Programming");
  EXPECT_EQ(bar->tabText(3), "Trim");
  EXPECT_TRUE(station.Get("TitleFrame")->isVisible());
  for (const char* right : {"Label12", "Label9", "Label8", "CurrentTrim"}) {
    EXPECT_TRUE(station.Get<QLabel>(right)->alignment() & Qt::AlignRight) << right;
  }
  EXPECT_TRUE(station.Get<QLabel>("Ver")->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(station.Get<QLabel>("Label7")->alignment() & Qt::AlignLeft);
}

TEST(StationWindowLayout, FontsExistAndNoDesignCaptionIsClipped) {
  Station station;
  const auto family = [&](const char* name, int index = -1) {
    return QFontInfo(station.Get(name, index)->font()).family();
  };
  // Without the font Qt silently substitutes; the station ships DejaVu Sans.
  EXPECT_EQ(family("Label7"), "DejaVu Sans");
  EXPECT_EQ(family("Program"), "DejaVu Sans");
  EXPECT_DOUBLE_EQ(station.Get("Label7")->font().pointSizeF(), 8.25);
  EXPECT_FALSE(station.Get("Label7")->font().bold());
  EXPECT_TRUE(station.Get("Label28")->font().bold());
  EXPECT_GT(station.Get("Label28")->font().pointSizeF(), 11.0);
  EXPECT_TRUE(station.Get("Label6", 4)->font().bold());
  EXPECT_FALSE(station.Get("Label6", 3)->font().bold());

  for (const ControlLayout& layout : MainWindowLayout()) {
    if (layout.kind != ControlKind::kLabel && layout.kind != ControlKind::kButton) continue;
    QWidget* widget = station.window->Control(layout.name, layout.index);
    const double width = QFontMetricsF(widget->font()).horizontalAdvance(layout.caption);
    EXPECT_LE(width, widget->width()) << ControlKey(layout.name, layout.index);
    EXPECT_LE(QFontMetricsF(widget->font()).height(), widget->height() + 1)
        << ControlKey(layout.name, layout.index);
  }
}

TEST(StationWindowLayout, KeyboardFocusFollowsTheTabOrder) {
  Station station;
  StationWindow& window = *station.window;
  std::map<QWidget*, std::string> names;
  for (const ControlLayout& layout : MainWindowLayout()) {
    names[window.Control(layout.name, layout.index)] = ControlKey(layout.name, layout.index);
  }
  names[window.TabBar()] = "SSTab1";
  std::vector<std::string> chain;
  QWidget* widget = window.TabBar();
  do {
    const auto it = names.find(widget);
    if (it != names.end() && widget->focusPolicy() != Qt::NoFocus) chain.push_back(it->second);
    widget = widget->nextInFocusChain();
  } while (widget != window.TabBar());
  // The focusable controls by their places 2, 4, 5, 9, 12, 15, 17, 19, 21, 28 ... 40; labels
  // and frames hold the places between and never take the focus.
  EXPECT_EQ(chain,
            (std::vector<std::string>{
                "SSTab1", "Program", "SREC_Name", "Command1", "Command2(0)", "Command2(1)",
                "Command2(2)", "Command2(3)", "Command2(4)", "RsvFlashRd", "ReservedRow", "Update",
                "StartTrim", "GrossAdjust", "FineAdjust", "TrimFilePathAndName", "AutoUpdate"}));
}

}  // namespace
}  // namespace halyard::ui
