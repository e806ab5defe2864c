// The window offscreen against a simulated bench (its layout from twips, the tab guard and what
// the status line says of it, Run All with its progress and the busy state, the trim bars and
// their focus ring) and halyard-station's bad starts run as a process.
#include <unistd.h>

#include <QFontInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <set>

#include "WindowStation.h"
#include "ui/FocusRing.h"

namespace halyard::ui {
namespace {

using halyard::testing::SourceDir;
using ::testing::AllOf;
using ::testing::HasSubstr;
using Station = halyard::testing::WindowStation;

// The layout places exactly the registry's controls, each once, in a container placed before
// it: a control added to one of the two tables and not the other is named here.
TEST(StationWindow, LayoutPlacesEachRegisteredControlOnce) {
  std::set<std::string> registered;
  for (const ControlEntry& entry : ControlRegistry())
    registered.insert(ControlKey(entry.name, entry.index));
  std::set<std::string> placed;
  for (const ControlLayout& layout : MainWindowLayout()) {
    const std::string key = ControlKey(layout.name, layout.index);
    SCOPED_TRACE(key);
    EXPECT_TRUE(placed.insert(key).second) << "placed twice";
    EXPECT_TRUE(registered.contains(key)) << "placed, but not in the registry";
    const std::string container = layout.container;
    if (container == kTabControlName) {
      EXPECT_TRUE(layout.tab >= 0 && layout.tab < kTabCount) << layout.tab;
    } else if (!container.empty()) {
      const ControlEntry* frame = FindControl(container);
      EXPECT_TRUE(placed.contains(container) && frame != nullptr &&
                  frame->kind == ControlKind::kFrame)
          << "in " << container << ", which is no frame placed before it";
    }
  }
  for (const std::string& key : registered)
    EXPECT_TRUE(placed.contains(key)) << key << " is in the registry, but the layout lacks it";
}

TEST(StationWindow, PlacesCaptionsAndFontsFollowTheDesign) {
  Station station;
  const double dpi = station.window->Dpi();
  EXPECT_EQ(dpi, station.window->screen()->logicalDotsPerInchY());
  const auto px = [dpi](int twips) { return static_cast<int>(std::lround(twips * dpi / 1440)); };
  // On a tab the container is the tab control, whose corner is above the tab strip.
  using F = FontStyle;
  // clang-format off
  struct Case { const char* name; int index; const char* container; QRect twips; const char* caption; F font; };
  for (const Case& c : {
      Case{"SSTab1", -1, nullptr, {120, 960, 6255, 4095}, "", F::kDefault},
      Case{"Label28", -1, "TitleFrame", {240, 240, 2895, 375}, "Halyard Test Program", F::kTitle},
      Case{"Command2", 4, "SSTab1", {840, 3120, 1335, 375}, "Run All", F::kDefault},
      Case{"Label6", 4, "SSTab1", {2760, 3180, 975, 255}, "", F::kBold},
      Case{"CurrentTrim", -1, "Frame3", {2400, 600, 375, 255}, "80", F::kDefault}}) {
    // clang-format on
    SCOPED_TRACE(ControlKey(c.name, c.index));
    QWidget* widget = station.Get(c.name, c.index);
    QWidget* container = c.container ? station.Get(c.container) : station.window.get();
    EXPECT_EQ(QRect(widget->mapTo(container, QPoint(0, 0)), widget->size()),
              QRect(px(c.twips.x()), px(c.twips.y()), px(c.twips.width()), px(c.twips.height())));
    EXPECT_EQ(widget->property("text").toString(), c.caption);
    // Without the font Qt silently substitutes; the station ships DejaVu Sans.
    EXPECT_EQ(QFontInfo(widget->font()).family(), "DejaVu Sans");
    EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), c.font == F::kTitle ? 12 : 8.25);
    EXPECT_EQ(widget->font().bold(), c.font != F::kDefault);
  }
}

TEST(StationWindow, StartsOnProgrammingAndKeepsTheOperatorOffTestUntilConfigured) {
  for (const bool configured : {false, true}) {
    SCOPED_TRACE(configured ? "configured" : "blank");
    Station station(configured);
    ASSERT_EQ(station.form->State().TargetNotConfigured, !configured);
    // The status line says why "Test" stays out of reach.
    EXPECT_EQ(station.Status().find("target not configured: \"Test\" needs \"SetUp\" first") !=
                  std::string::npos,
              !configured)
        << station.Status();
    // The one page showing agrees with the bar and Form1.
    const auto expectTab = [&](int tab) {
      EXPECT_EQ(station.window->TabBar()->currentIndex(), tab);
      EXPECT_EQ(station.form->Controls().SSTab1.Tab, tab);
      for (int t = 0; t < kTabCount; ++t)
        EXPECT_EQ(station.window->TabPage(t)->isVisible(), t == tab);
    };
    expectTab(0);
    for (const int tab : {3, 1, 2, 0, 1, 3, 2}) {
      station.ClickTab(tab);
      expectTab((tab == 1 && !configured) ? 2 : tab);
    }
    if (configured) continue;
    QSignalSpy changes(station.window->TabBar(), &QTabBar::currentChanged);
    station.Click("Command1");  // configures the target, then selects "Test" itself
    expectTab(1);
    EXPECT_EQ(changes.count(), 0);  // the bar moved with its signals blocked: no guard ran
    EXPECT_THAT(station.Status(),
                AllOf(HasSubstr("target configured ·"), HasSubstr("Configure passed")));
  }
}

TEST(StationWindow, RunAllPaintsVerdictsDuringTheWaitsCountsPassesAndLocksTheControls) {
  Station station(true);
  station.ClickTab(1);
  std::vector<QWidget*> controls;  // every button, box and bar
  using enum ControlKind;
  for (const ControlEntry& c : ControlRegistry())
    if (c.kind != kLabel && c.kind != kFrame && c.kind != kTabControl)
      controls.push_back(station.Get(c.name, c.index));
  const auto enabled = [&] { return std::ranges::count_if(controls, &QWidget::isEnabled); };
  const auto statuses = [&] {
    QStringList captions;
    for (int i = 0; i < 5; ++i)
      captions << station.Text("Label6", i);
    return captions;
  };
  std::vector<QStringList> seen;
  station.duringWait = [&] {
    if (seen.empty() || seen.back() != statuses()) seen.push_back(statuses());
    EXPECT_EQ(enabled(), 0);
    station.Click("Command2", 0);  // a click that arrives now starts nothing
    EXPECT_TRUE(station.sim().IsOpen());
  };
  const std::clock_t cpuStart = std::clock();
  for (int run = 1; run <= 2; ++run) {
    seen.clear();
    // The waits handle Qt's events: a close asked for during a run happens after it.
    if (run == 2) QTimer::singleShot(20, station.window.get(), &QWidget::close);
    station.Click("Command2", 4);
    // Before each test the window shows the verdicts of the tests before it.
    EXPECT_EQ(seen, (std::vector<QStringList>{{"", "", "", "", ""},
                                              {"True", "", "", "", ""},
                                              {"True", "True", "", "", ""},
                                              {"True", "True", "True", "", ""}}));
    EXPECT_EQ(statuses(), (QStringList{"True", "True", "True", "Pass", "Pass"}));
    EXPECT_EQ(station.Text("Label3"), QString::number(run));  // the run went to its end
    EXPECT_EQ(enabled(), std::ssize(controls));
  }
  EXPECT_LT(std::clock() - cpuStart, CLOCKS_PER_SEC / 4) << "1.6 s of waits burnt CPU";
  EXPECT_EQ(station.Get("Label6", 4)->palette().color(QPalette::Window), QColor(0x80, 0xFF, 0x80));
  EXPECT_EQ(station.Count("GetAdapterVersion"), 2);  // only the runs' own version tests
  // The close asked for during the second run happened after it, and shut the adapter.
  EXPECT_FALSE(station.window->isVisible());
  EXPECT_FALSE(station.sim().IsOpen());
}

TEST(StationWindow, EachBarStepRunsBothHandlersOnceTheRingShowsItsFocusAndUpdateFillsTheRow) {
  Station station;
  station.ClickTab(3);
  auto* path = station.Get<QLineEdit>("TrimFilePathAndName");
  path->selectAll();  // what the operator types reaches Form1: the trim firmware loads
  QTest::keyClicks(path, QString::fromStdString(SourceDir() / "firmware/gxTrim.srec"));
  station.Click("StartTrim");
  station.Count("");
  auto* fine = station.Get<QScrollBar>("FineAdjust");
  auto* gross = station.Get<QScrollBar>("GrossAdjust");
  using A = QAbstractSlider;
  for (const auto& [bar, action, value, shown] :
       {std::tuple{gross, A::SliderSingleStepSub, 0x78, "87"},
        std::tuple{fine, A::SliderSingleStepAdd, 0x79, "86"},
        std::tuple{fine, A::SliderSingleStepSub, 0x78, "87"}}) {
    bar->triggerAction(action);
    EXPECT_EQ(gross->value(), value);
    EXPECT_EQ(fine->value(), value);
    EXPECT_EQ(station.Text("CurrentTrim"), shown);
    EXPECT_EQ(station.Count("WriteSmbusWord"), 4);  // each handler writes the register once
  }
  // The bars draw no focus of their own: the ring does.
  station.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(station.window.get()));
  fine->setFocus();
  EXPECT_EQ(station.window->Ring()->Target(), fine);
  EXPECT_TRUE(station.window->Ring()->geometry().contains(
      QRect(fine->mapTo(station.window.get(), QPoint(0, 0)), fine->size())));
  int busyWaits = 0;
  station.duringWait = [&] { busyWaits += !station.Get("Update")->isEnabled(); };
  station.Click("Update");
  EXPECT_GE(busyWaits, 3);
  EXPECT_EQ(station.sim().Row(0xB1E0).value_or(FlashRow{})[30], 0x87);
  // The box ends with bytes 25 to 31 of the row and the block's tail byte.
  const QString row = station.Get<QLineEdit>("ReservedRow")->text();
  EXPECT_EQ(row.toStdString(), station.form->Controls().ReservedRow.Text);
  EXPECT_TRUE(row.size() == 16 && row.mid(10, 2) == "87") << row.toStdString();
}

// halyard-station run as a process: when it cannot open its window or its files it says so
// in one line and exits 2.
TEST(StationMain, BadStartsExit2WithOneLineNamingTheCause) {
  QTemporaryDir dir;
  const QString bench = dir.filePath("broken-bench.json");
  std::ofstream(bench.toStdString()) << "{ \"adapters\": [ }";
  // clang-format off
  struct Case { QStringList args; bool offscreen; QStringList said; int lines; };  // lines 0: any
  for (const Case& c : {
      Case{{}, false, {"xvfb-run make run", "halyardctl"}, 1},  // no display
      Case{{"--bench", bench}, true, {"broken-bench.json"}, 1},
      Case{{"--config", "/nonexistent/halyard-station.ini"}, false, {"/nonexistent"}, 0},
      Case{{"--no-such-option"}, false, {"--no-such-option"}, 0}}) {
    // clang-format on
    SCOPED_TRACE(c.args.join(' ').toStdString());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
      env.remove(name);
    if (c.offscreen) env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QString::fromUtf8(HALYARD_STATION_EXE), c.args);
    if (!process.waitForFinished(20000)) process.kill();
    process.waitForFinished();
    EXPECT_EQ(std::pair(process.exitStatus(), process.exitCode()),
              std::pair(QProcess::NormalExit, 2));
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    for (const QString& said : c.said)
      EXPECT_TRUE(err.contains(said)) << err.toStdString();
    EXPECT_TRUE(c.lines == 0 || err.count('\n') == c.lines) << err.toStdString();
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
  }
}

}  // namespace
}  // namespace halyard::ui

// One QApplication for all the tests, offscreen unless the environment names another platform,
// with a private runtime folder when the machine has none.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  std::string runtimeDir = "/tmp/halyard-ui-tests-XXXXXX";
  const bool ownRuntimeDir =
      qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && mkdtemp(runtimeDir.data()) != nullptr;
  if (ownRuntimeDir) qputenv("XDG_RUNTIME_DIR", runtimeDir.c_str());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  if (ownRuntimeDir) rmdir(runtimeDir.c_str());
  return result;
}
