// What the window adds below the tabs, driven offscreen: the status line after start-up and
// after actions, the records the window writes and its records view, "Auto Trim" beside the
// status line, the keyboard (Enter, the focus back on the button that ran, the shortcuts) and
// the start-up box.
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableWidget>

#include "WindowStation.h"
#include "adapter/Protocol.h"
#include "records/RecordFormat.h"
#include "ui/Colors.h"
#include "ui/ElidedLine.h"
#include "ui/FocusRing.h"
#include "ui/RecordDetail.h"
#include "ui/RecordsDialog.h"

namespace halyard::ui {
namespace {

using halyard::testing::Bench;
using halyard::testing::ShippedIni;
using Station = halyard::testing::WindowStation;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

using halyard::testing::kHandPauseMs;

// Typed as a person types: Enter comes well after the last key, so it is no scanner's.
void Type(QLineEdit* field, const QString& text) {
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, text);
  QTest::keyClick(field, Qt::Key_Return, Qt::NoModifier, kHandPauseMs);
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
           "SMBus Test failed: not a status the adapter answers for this operation: a bench "
           "rule's or a driver's own (status 7)", true},
      Case{"a wrong adapter version", 1, [](Station& s) {
             s.fixture.Rule(R"({"op": "GetAdapterVersion", "outputs": {"first": "0x312E",
                                 "second": "0x31"}})");
             s.Click("Command2", 0); },
           "Version Test failed: version \"1.1\" read, \"1.2\" expected", true},
      Case{"Run All stopped by a test", 1, [](Station& s) {
             s.fixture.Rule(R"({"op": "ReadSmbusBlock", "status": 11})");
             s.Click("Command2", 4); },
           "Run All failed: SMBus Test: nothing answers at that address (status 11)", true},
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
    const ElidedLine* line = station.window->Strip()->ActionLine();
    EXPECT_EQ(line->Text().toStdString(), c.said);
    EXPECT_EQ(line->palette().color(QPalette::WindowText) == kFailText, c.failed);
  }
}

TEST(StatusLine, SaysTheAdapterTheConfigurationAndTheRecordStore) {
  Station blank;
  EXPECT_THAT(blank.Status(), AllOf(HasSubstr("sim: HALYARD-SIM0"), HasSubstr("records off"),
                                    Not(HasSubstr("no configuration file"))));

  Station unattached({.bench = R"({"open_result": -1})", .ini = ""});
  EXPECT_THAT(unattached.Status(),
              AllOf(StartsWith("No adapter attached"), HasSubstr("no configuration file")));

  Station spooled({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/no/folder/records.db");
  spooled.ClickTab(1);
  spooled.Click("Command2", 0);
  EXPECT_THAT(spooled.Status(), HasSubstr("records spooled: store unreachable"));
}

// Neither the store nor the spool takes the records: the records' status turns red and counts
// them, stays so until a record is kept again, and each such outage is told in one message box.
TEST(StatusLine, RecordsKeptNowhereStayRedUntilOneIsKeptAndAreToldOncePerOutage) {
  Station s({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/no/folder/records.db");
  const std::filesystem::path lock = s.fixture.Dir() / "spool.lock";
  const auto boxes = [&] {
    std::vector<std::string> texts;
    for (QMessageBox* box : s.window->findChildren<QMessageBox*>()) {
      if (box->isVisible()) texts.push_back(box->text().toStdString());
    }
    return texts;
  };
  const auto recordsLine = [&] { return s.window->Strip()->RecordsLine(); };
  s.ClickTab(1);
  // Each pass: an outage in which two records are lost, then one record spooled again.
  for (int outage = 1; outage <= 2; ++outage) {
    SCOPED_TRACE(outage);
    std::filesystem::remove(lock);            // the spooled record's lock file
    std::filesystem::create_directory(lock);  // a spool that cannot be locked takes nothing
    s.Click("Command2", 0);
    s.Click("Command2", 0);
    EXPECT_THAT(s.Status(), HasSubstr("records lost: 2 records kept nowhere"));
    EXPECT_EQ(recordsLine()->palette().color(QPalette::WindowText), kFailText);
    const std::vector<std::string> told = boxes();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_THAT(told[0], AllOf(HasSubstr("kept nowhere"), HasSubstr("record lost: the store")));
    for (QMessageBox* box : s.window->findChildren<QMessageBox*>())
      box->close();
    std::filesystem::remove(lock);
    s.Click("Command2", 0);
    EXPECT_THAT(s.Status(), AllOf(HasSubstr("records spooled"), Not(HasSubstr("records lost"))));
    EXPECT_TRUE(boxes().empty());
  }
}

TEST(WindowRecords, EachActionIsRecordedWithOperatorAndUnitAndShownInTheView) {
  Station station({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/records.db");
  EXPECT_THAT(station.Status(), HasSubstr("records: records.db"));
  StatusStrip* strip = station.window->Strip();
  Type(strip->OperatorField(), "ann");
  Type(strip->UnitField(), "SN-1");
  EXPECT_THAT(station.Status(), HasSubstr("unit SN-1 · operator ann"));
  station.ClickTab(1);
  station.Click("Command2", 4);
  station.fixture.FailNthCall(1, 7);
  station.Click("Command2", 1);
  Type(strip->UnitField(), "SN-2");  // the next scan: later records carry it
  station.ClickTab(3);
  // A failed read leaves the station's text in ReservedRow, not what the operator typed there:
  // typed digits would read as the trim the row holds.
  auto* row = station.Get<QLineEdit>("ReservedRow");
  QTest::keyClicks(row, "18191A1B1C1D80FF");
  station.Click("RsvFlashRd");  // the trim firmware is not running: the read fails
  EXPECT_EQ(row->text().toStdString(), station.form->Controls().ReservedRow.Text);
  EXPECT_EQ(row->text(), "");

  const std::vector<records::Record> stored = station.Records();
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
    EXPECT_THAT(stored[i].trace, Contains(StartsWith(rows[i].traced)));
  }

  // Another station's record in the same store, of the same unit and day, is not this one's.
  records::Record elsewhere = stored[2];
  elsewhere.id = records::NewRecordId();
  elsewhere.station = "line-9";
  std::string error;
  ASSERT_TRUE(station.records.Store()->Write(elsewhere, error)) << error;

  RecordsDialog* view = station.window->ShowRecords();
  QTableWidget* latest = view->Latest();
  ASSERT_EQ(latest->rowCount(), 3);
  EXPECT_EQ(latest->item(0, 2)->text(), "trim-read");  // newest first
  EXPECT_TRUE(latest->item(0, 3)->text().contains("failed"));
  EXPECT_EQ(latest->item(0, 0)->foreground().color(), kFailText);
  EXPECT_NE(latest->item(2, 0)->foreground().color(), kFailText);
  QTableWidget* today = view->Today();
  ASSERT_EQ(today->rowCount(), 3);
  EXPECT_EQ(today->item(0, 0)->text(), "run-all");
  EXPECT_EQ(today->item(0, 4)->text(), "100.0 %");
  EXPECT_EQ(today->item(1, 4)->text(), "0.0 %");
  latest->setCurrentCell(2, 0);
  EXPECT_TRUE(view->Detail()->Trace()->toPlainText().contains("GetAdapterVersion"));
  view->UnitFilter()->setText("SN-2");
  ASSERT_EQ(latest->rowCount(), 1);
  EXPECT_EQ(latest->item(0, 1)->text(), "SN-2");
}

// Enter presses the focused button; a shortcut presses its button on its own tab only. Either
// way the focus, and the focus ring with it, come back to the button after its action.
TEST(WindowKeyboard, EnterOrAShortcutPressesItsButtonOnItsOwnTabOnly) {
  // clang-format off
  struct Case { int tab; QKeySequence key; const char* button; int index; const char* traced; int calls; };
  for (const Case& c : {
      Case{1, QKeySequence(Qt::Key_Return), "Command2", 4, "GetAdapterVersion", 1},
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
    station.Count("");
    QWidget* button = station.Get(c.button, c.index);
    const bool enter = c.key == QKeySequence(Qt::Key_Return);
    if (enter) button->setFocus();
    QTest::keySequence(enter ? button : station.window.get(), c.key);
    EXPECT_EQ(station.Count(c.traced), c.calls);
    if (c.calls > 0) {
      EXPECT_EQ(QApplication::focusWidget(), button);
      EXPECT_EQ(station.window->Ring()->Target(), button);
    }
    if (c.calls > 0 && c.index == 4) EXPECT_EQ(station.Text("Label3"), "1");  // Run All ended
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
  EXPECT_THAT(shown.toStdString(),
              AllOf(HasSubstr("cannot start"), HasSubstr("b.json\": /rules at line 3")));
}

// "Auto Trim" beside the status line: the search moves the Trim tab's bars to the code of least
// error, greys the tabs' controls while it runs, says its progress and verdict (the code, its
// frequency and error, and that the trim is not stored until "Update Trim", unless [Trim]
// AutoStore=yes stored it), is recorded, and a second press cancels it with the bars on the last
// code written.
TEST(WindowAutoTrim, FindsTheCodeOrStopsWhereCancelled) {
  enum class End { kFound, kCancelled, kStored };
  for (const End end : {End::kFound, End::kCancelled, End::kStored}) {
    const bool cancel = end == End::kCancelled;
    const bool store = end == End::kStored;
    SCOPED_TRACE(cancel ? "cancelled" : store ? "stored" : "to the end");
    Station s({.bench = R"({"controller": {"oscillator": {"offset_ppm": 1500}}})",
               .ini = testing::DefaultIni() + "[Trim]\nSettleSeconds=0\n" +
                      (store ? "AutoStore=yes\n" : "")},
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
    const FlashRow row = s.sim().Row(kReservedRowAddress).value_or(FlashRow{});
    EXPECT_EQ(row[kTrimByteIndex], store ? 255 - code : 0x80);  // stored only when asked
    if (cancel) {
      EXPECT_THAT(s.Status(), HasSubstr("Auto Trim failed: cancelled"));
    } else {
      const std::string chosen = TrimPointText(*report.chosen);
      char byte[3];
      std::snprintf(byte, sizeof byte, "%02X", 255 - code);
      EXPECT_EQ(s.ActionLine(), "Auto Trim passed: " + chosen +
                                    (store ? ", stored (byte 30 reads " + std::string(byte) + ")"
                                           : " — press Update Trim to store it"));
    }
    // The search is one record, with every measurement.
    const std::vector<records::Record> found = s.Records();
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.back().action, store ? "trim-auto=store" : "trim-auto");
    EXPECT_EQ(found.back().verdict, cancel ? "failed" : "passed");
    EXPECT_THAT(found.back().measurements, HasSubstr("auto_trim"));
  }
}

}  // namespace
}  // namespace halyard::ui
