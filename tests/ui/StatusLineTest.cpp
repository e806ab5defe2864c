// The status line at start-up and as the operator works: the record store tried at once and its
// answer, texts that never cut at the window's edge, the session log one key away, and the keys
// that switch tabs and that go to an action's tab.
#include <QPlainTextEdit>
#include <QToolTip>

#include "WindowStation.h"
#include "ui/Colors.h"
#include "ui/SessionLog.h"

namespace halyard::ui {
namespace {

using halyard::testing::Bench;
using halyard::testing::ShippedIni;
using Station = halyard::testing::WindowStation;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

bool Red(const QWidget* line) {
  return line->palette().color(QPalette::WindowText) == kFailText;
}

// Before the first action the line says where records go and whether the store answered.
TEST(StatusLine, SaysAtStartWhetherTheRecordStoreAnsweredAndWhyNot) {
  struct Case {
    const char* store;
    const char* said;
    const char* reason;  // in the line when the store did not answer
  };
  // clang-format off
  for (const Case& c : {
      Case{"{dir}/records.db", "records: records.db (the store answered)", nullptr},
      Case{"{dir}/no/folder/records.db", "records: records.db did not answer (", "unable to open"},
      Case{"{dir}/file/records.db", "records: records.db did not answer (", "unable to open"},
      Case{"postgresql://halyard@127.0.0.1:1/records?connect_timeout=5",
           "records: PostgreSQL did not answer (", "127.0.0.1"}}) {
    // clang-format on
    SCOPED_TRACE(c.store);
    Station station({.bench = Bench(true), .ini = ShippedIni()}, c.store);
    std::ofstream(station.fixture.Dir() / "file") << "not a folder";
    EXPECT_THAT(station.Status(), HasSubstr("(trying the store…)"));
    station.AwaitStoreProbe();
    const ElidedLine* line = station.window->Strip()->RecordsLine();
    EXPECT_THAT(line->Text().toStdString(), StartsWith(c.said));
    EXPECT_EQ(Red(line), c.reason != nullptr);
    if (c.reason != nullptr) {
      EXPECT_THAT(line->Text().toStdString(),
                  AllOf(HasSubstr(c.reason), HasSubstr("records wait in the spool")));
    }
    // The log keeps what the line said.
    EXPECT_EQ(station.window->CurrentSession().Log().back().text, line->Text().toStdString());
  }
}

// A text longer than its line ends in "…" and shows whole on hover; a short one is as it is.
TEST(StatusLine, ATextThatDoesNotFitIsElidedAndWholeOnHover) {
  Station station({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/no/folder/records.db");
  station.AwaitStoreProbe();
  const ElidedLine* records = station.window->Strip()->RecordsLine();
  ASSERT_TRUE(records->Elided()) << records->Text().toStdString();
  EXPECT_TRUE(records->Shown().endsWith(QStringLiteral("…")));
  EXPECT_LT(records->fontMetrics().horizontalAdvance(records->Shown()), records->width());
  EXPECT_EQ(records->toolTip(), records->Text());
  const ElidedLine* adapter = station.window->Strip()->AdapterLine();
  EXPECT_FALSE(adapter->Elided());
  EXPECT_EQ(adapter->Shown(), "sim: HALYARD-SIM0");
  EXPECT_EQ(adapter->toolTip(), "");
  // Two rows: a verdict that fills one row and a half is shown whole.
  ElidedLine two(2, station.window.get());
  two.resize(200, two.height());
  const QString text = QStringLiteral("SMBus Test failed: nothing answers at that address");
  two.SetText(text, true);
  EXPECT_FALSE(two.Elided());
  two.SetText(text + text + text + text, true);
  EXPECT_TRUE(two.Elided());
  EXPECT_TRUE(Red(&two));
}

// Ctrl+L shows every status since start-up with its time, the failures marked.
TEST(StatusLine, CtrlLShowsTheSessionLogWithEveryStatusAndItsTime) {
  Station station({.bench = R"({"target": {"configured": true}, "rules": [{"op": "ReadSmbusBlock",
                                 "status": 11}]})",
                   .ini = ShippedIni()});
  station.Activate();
  station.ClickTab(1);
  station.Click("Command2", 1);
  station.Click("Command2", 2);
  QTest::keySequence(station.window.get(), QKeySequence(Qt::CTRL | Qt::Key_L));
  auto* log = station.window->findChild<SessionLog*>();
  ASSERT_NE(log, nullptr);
  ASSERT_TRUE(log->isVisible());
  const QStringList lines = log->Lines()->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 4) << log->Lines()->toPlainText().toStdString();
  const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d  "));
  for (const QString& line : lines)
    EXPECT_TRUE(time.match(line).hasMatch()) << line.toStdString();
  EXPECT_TRUE(lines[0].endsWith("sim: HALYARD-SIM0"));
  EXPECT_TRUE(lines[1].endsWith("records off"));
  EXPECT_TRUE(
      lines[2].endsWith("✗ SMBus Test failed: nothing answers at that address (status 11)"));
  EXPECT_TRUE(lines[3].endsWith("  I2C Test passed"));
}

// Ctrl+Tab and Ctrl+Page Down go right, Ctrl+Shift+Tab and Ctrl+Page Up left, round the four,
// passing over "Test" while the guard keeps it closed.
TEST(WindowKeyboard, CtrlTabAndCtrlPageKeysSwitchTabsThroughTheGuard) {
  const QKeySequence next(Qt::CTRL | Qt::Key_Tab);
  const QKeySequence back(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab);
  const QKeySequence down(Qt::CTRL | Qt::Key_PageDown);
  const QKeySequence up(Qt::CTRL | Qt::Key_PageUp);
  struct Case {
    bool configured;
    std::vector<std::pair<QKeySequence, int>> keys;  // each key and the tab it shows then
  };
  for (const Case& c :
       {Case{true,
             {{next, 1}, {next, 2}, {down, 3}, {next, 0}, {back, 3}, {up, 2}, {up, 1}, {back, 0}}},
        Case{false, {{next, 2}, {next, 3}, {next, 0}, {back, 3}, {back, 2}, {up, 0}}}}) {
    SCOPED_TRACE(c.configured ? "configured" : "blank");
    Station station(c.configured);
    station.Activate();
    station.Get("Program")->setFocus();
    station.Count("");
    for (const auto& [key, tab] : c.keys) {
      SCOPED_TRACE(key.toString().toStdString());
      QTest::keySequence(station.window.get(), key);
      EXPECT_EQ(station.window->TabBar()->currentIndex(), tab);
      EXPECT_EQ(station.form->Controls().SSTab1.Tab, tab);
    }
    EXPECT_EQ(station.Count(""), 0);  // selecting tabs makes no bus transaction
  }
}

// A shortcut pressed on another tab goes to its tab, through the guard, and says so; it runs
// nothing until pressed there.
TEST(WindowKeyboard, AShortcutOnAnotherTabGoesToItsTabAndSaysSo) {
  struct Case {
    bool configured;
    QKeySequence key;
    int tab;  // the tab shown afterwards
    const char* said;
  };
  // clang-format off
  for (const Case& c : {
      Case{true, QKeySequence(Qt::Key_F5), 1,
           "F5 is Run All on the Test tab: now on it — press F5 again to run it"},
      Case{false, QKeySequence(Qt::CTRL | Qt::Key_2), 2,
           "Ctrl+2 is SMBus Test on the Test tab, which needs SetUp first: the target is not "
           "configured"},
      Case{true, QKeySequence(Qt::CTRL | Qt::Key_R), 3,
           "Ctrl+R is Read Trim on the Trim tab: now on it — press Ctrl+R again to run it"}}) {
    // clang-format on
    SCOPED_TRACE(c.key.toString().toStdString());
    Station station(c.configured);
    station.Activate();
    station.ClickTab(c.configured ? 0 : 3);
    station.Count("");
    QTest::keySequence(station.window.get(), c.key);
    EXPECT_EQ(station.window->TabBar()->currentIndex(), c.tab);
    EXPECT_EQ(station.ActionLine(), c.said);
    EXPECT_EQ(station.Count(""), 0);
  }
}

}  // namespace
}  // namespace halyard::ui
