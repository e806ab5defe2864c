// What the window adds below the tabs, driven offscreen: the status line after start-up and
// after actions, the records the window writes and its records view, the keyboard (Enter, the
// focus back on the button that ran, the shortcuts, the focus ring) and the start-up box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>

#include "WindowStation.h"
#include "ui/FocusRing.h"
#include "ui/RecordsDialog.h"

namespace halyard::ui {
namespace {

using halyard::testing::Bench;
using halyard::testing::ShippedIni;
using Station = halyard::testing::WindowStation;

const QColor kFail(0xC0, 0x00, 0x00);

void Type(QLineEdit* field, const QString& text) {
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, text);
  QTest::keyClick(field, Qt::Key_Return);
}

TEST(StatusLine, SaysEachActionsVerdictAndWhatAFailureMeans) {
  // clang-format off
  struct Case { const char* what; int tab; std::function<void(Station&)> act; const char* said; bool failed; };
  for (const Case& c : {
      Case{"a missing image", 0, [](Station& s) {
             Type(s.Get<QLineEdit>("SREC_Name"), "/nonexistent/halyard-fw.srec");
             s.Click("Program"); },
           "Programming failed: file not found (status 1)", true},
      Case{"a status no table names", 1, [](Station& s) {
             s.fixture.FailNthCall(1, 7);
             s.Click("Command2", 1); },
           "SMBus Test failed: status 7", true},
      Case{"a status the table names, after what failed", 2, [](Station& s) {
             s.fixture.FailNthCall(1, 10);
             s.Click("Command1"); },
           "Configure failed: opening the I2C run: the adapter is not open (status 10)", true},
      Case{"a read before the trim firmware runs", 3, [](Station& s) { s.Click("RsvFlashRd"); },
           "Read Trim: the trim firmware is not running — press Start", true},
      Case{"a run that passes", 1, [](Station& s) { s.Click("Command2", 4); },
           "Run All passed", false}}) {
    // clang-format on
    SCOPED_TRACE(c.what);
    Station station(true);
    station.ClickTab(c.tab);
    c.act(station);
    const QLabel* line = station.window->Strip()->ActionLine();
    EXPECT_EQ(line->text().toStdString(), c.said);
    EXPECT_EQ(line->palette().color(QPalette::WindowText) == kFail, c.failed);
  }
}

TEST(StatusLine, SaysTheAdapterTheTargetTheConfigurationAndTheRecords) {
  Station blank;
  EXPECT_TRUE(blank.Status().contains("sim: HALYARD-SIM0")) << blank.Status().toStdString();
  EXPECT_TRUE(blank.Status().contains("target not configured: \"Test\" needs \"SetUp\" first"));
  EXPECT_TRUE(blank.Status().contains("records off"));
  EXPECT_FALSE(blank.Status().contains("no configuration file"));
  blank.ClickTab(2);
  blank.Click("Command1");
  EXPECT_TRUE(blank.Status().contains("target configured ·")) << blank.Status().toStdString();
  EXPECT_TRUE(blank.Status().contains("Configure passed"));

  Station unattached({.bench = R"({"open_result": -1})", .ini = ""});
  EXPECT_TRUE(unattached.Status().startsWith("No adapter attached"));
  EXPECT_TRUE(unattached.Status().contains("no configuration file"));
}

TEST(WindowRecords, EachActionIsRecordedWithOperatorAndUnitAndShownInTheView) {
  Station station({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/records.db");
  EXPECT_TRUE(station.Status().contains("records: records.db"));
  StatusStrip* strip = station.window->Strip();
  Type(strip->OperatorField(), "ann");
  Type(strip->UnitField(), "SN-1");
  EXPECT_TRUE(station.Status().contains("unit SN-1 · operator ann"));
  station.ClickTab(1);
  station.Click("Command2", 4);
  station.fixture.FailNthCall(1, 7);
  station.Click("Command2", 1);
  Type(strip->UnitField(), "SN-2");  // the next scan: later records carry it
  station.ClickTab(3);
  station.Click("RsvFlashRd");

  std::vector<records::Record> stored;
  std::string error;
  ASSERT_TRUE(station.recorder.Store()->List({}, stored, error)) << error;
  ASSERT_EQ(stored.size(), 3u);
  // clang-format off
  struct Row { const char* action; const char* verdict; const char* unit; const char* traced; };
  const Row rows[] = {{"run-all", "passed", "SN-1", "GetAdapterVersion"},
                      {"smbus-test", "failed", "SN-1", "ReadSmbusBlock"},
                      {"trim-read", "failed", "SN-2", "WriteSmbusWord"}};
  // clang-format on
  for (size_t i = 0; i < stored.size(); ++i) {
    SCOPED_TRACE(rows[i].action);
    EXPECT_EQ(stored[i].action, rows[i].action);
    EXPECT_EQ(stored[i].verdict, rows[i].verdict);
    EXPECT_EQ(stored[i].unit, rows[i].unit);
    EXPECT_EQ(stored[i].operatorName, "ann");
    EXPECT_EQ(stored[i].adapter, "sim HALYARD-SIM0");
    EXPECT_TRUE(std::ranges::any_of(stored[i].trace, [&](const std::string& line) {
      return line.starts_with(rows[i].traced);
    }));
  }

  RecordsDialog* view = station.window->ShowRecords();
  QTableWidget* latest = view->Latest();
  ASSERT_EQ(latest->rowCount(), 3);
  EXPECT_EQ(latest->item(0, 2)->text(), "trim-read");  // newest first
  EXPECT_TRUE(latest->item(0, 3)->text().contains("failed"));
  EXPECT_EQ(latest->item(0, 0)->foreground().color(), kFail);
  EXPECT_NE(latest->item(2, 0)->foreground().color(), kFail);
  QTableWidget* today = view->Today();
  ASSERT_EQ(today->rowCount(), 3);
  EXPECT_EQ(today->item(0, 0)->text(), "run-all");
  EXPECT_EQ(today->item(0, 4)->text(), "100.0 %");
  EXPECT_EQ(today->item(1, 4)->text(), "0.0 %");
  latest->setCurrentCell(2, 0);
  EXPECT_TRUE(view->Detail()->toPlainText().contains("GetAdapterVersion"));
  view->UnitFilter()->setText("SN-2");
  ASSERT_EQ(latest->rowCount(), 1);
  EXPECT_EQ(latest->item(0, 1)->text(), "SN-2");
}

TEST(WindowRecords, AStoreThatCannotBeReachedSpoolsAndTheStatusLineSaysSo) {
  Station station({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/no/folder/records.db");
  station.ClickTab(1);
  station.Click("Command2", 0);
  EXPECT_TRUE(station.Status().contains("records spooled: store unreachable"))
      << station.Status().toStdString();
}

TEST(WindowKeyboard, EnterPressesTheFocusedButtonAndTheFocusComesBackAfterTheRun) {
  Station station(true);
  station.ClickTab(1);
  auto* runAll = station.Get<QPushButton>("Command2", 4);
  runAll->setFocus();
  QTest::keyClick(runAll, Qt::Key_Return);
  EXPECT_EQ(station.Text("Label3"), "1");
  EXPECT_EQ(QApplication::focusWidget(), runAll);
  EXPECT_EQ(station.window->Ring()->Target(), runAll);
  // The bars draw no focus of their own: the ring does.
  station.ClickTab(3);
  auto* fine = station.Get<QScrollBar>("FineAdjust");
  fine->setFocus();
  EXPECT_EQ(station.window->Ring()->Target(), fine);
  EXPECT_TRUE(station.window->Ring()->geometry().contains(
      QRect(fine->mapTo(station.window.get(), QPoint(0, 0)), fine->size())));
}

TEST(WindowKeyboard, AShortcutPressesItsButtonOnItsOwnTabOnly) {
  // clang-format off
  struct Case { int tab; QKeySequence key; const char* button; int index; const char* traced; int calls; };
  for (const Case& c : {
      Case{1, QKeySequence(Qt::Key_F5), "Command2", 4, "GetAdapterVersion", 1},
      Case{0, QKeySequence(Qt::Key_F5), "Command2", 4, "GetAdapterVersion", 0},
      Case{0, QKeySequence(Qt::CTRL | Qt::Key_P), "Program", -1, "ProgramSrec", 1},
      Case{3, QKeySequence(Qt::CTRL | Qt::Key_R), "RsvFlashRd", -1, "WriteSmbusWord", 1},
      Case{2, QKeySequence(Qt::CTRL | Qt::Key_R), "RsvFlashRd", -1, "WriteSmbusWord", 0}}) {
    // clang-format on
    SCOPED_TRACE(c.key.toString().toStdString() + " on tab " + std::to_string(c.tab));
    Station station(true);
    station.ClickTab(c.tab);
    station.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(station.window.get()));
    station.fixture.TakeTrace();
    QTest::keySequence(station.window.get(), c.key);
    EXPECT_EQ(station.Count(c.traced), c.calls);
    if (c.calls > 0) {
      EXPECT_EQ(QApplication::focusWidget(), station.Get(c.button, c.index));
    }
  }
}

TEST(StartupProblem, IsShownInABoxTheOperatorMustClose) {
  QString shown;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->accept();
    }
  });
  closer.start(10);
  ShowStartupProblem("bench file \"b.json\": /rules at line 3: expected a value");
  EXPECT_TRUE(shown.contains("cannot start")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("b.json\": /rules at line 3")) << shown.toStdString();
}

}  // namespace
}  // namespace halyard::ui
