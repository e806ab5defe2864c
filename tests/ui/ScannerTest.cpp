// The unit at the window: a scanner's burst goes whole into Unit wherever the focus is and never
// presses a button; typing by hand still works; a new unit is announced until its first action;
// a unit scanned during an action waits for it to end; [Station] RequireUnit=yes refuses an
// action with no unit and a second passing Run All of one unit. The records say whose is whose.
#include "WindowStation.h"
#include "ui/Colors.h"
#include "ui/ScanDetector.h"

namespace halyard::ui {
namespace {

using halyard::testing::Bench;
using halyard::testing::ShippedIni;
using Station = halyard::testing::WindowStation;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Ms = std::chrono::milliseconds;

using halyard::testing::kHandPauseMs;

// The scanner: each key at once after the one before, and Enter, to whatever has the focus.
void Scan(const QString& serial) {
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr);
  QTest::keyClicks(focus, serial);
  QTest::keyClick(focus, Qt::Key_Return);
}

std::vector<std::string> Units(Station& station) {
  std::vector<std::string> units;
  for (const records::Record& r : station.Records())
    units.push_back(r.action + " " + r.unit);
  return units;
}

TEST(ScanDetector, TellsAScannersBurstFromTypingByThePaceOfTheKeys) {
  struct Key {
    std::string text;  // "\n" for Enter, "" for a key that breaks a burst
    int at;            // milliseconds
  };
  struct Case {
    const char* what;
    ScanSettings settings;
    std::vector<Key> keys;
    std::optional<std::string> scanned;  // what the last Enter gave
  };
  const ScanSettings plain;
  const ScanSettings framed{Ms(30), "]C1", "#"};
  // clang-format off
  const std::vector<Case> cases{
      {"a burst", plain, {{"H", 0}, {"Y", 8}, {"-", 16}, {"7", 24}, {"\n", 32}}, "HY-7"},
      {"a burst after a pause", plain, {{"x", 0}, {"H", 500}, {"Y", 508}, {"\n", 516}}, "HY"},
      {"a hand", plain, {{"H", 0}, {"Y", 90}, {"\n", 180}}, std::nullopt},
      {"fast keys, a late Enter", plain, {{"H", 0}, {"Y", 5}, {"\n", 80}}, std::nullopt},
      {"one key and Enter", plain, {{"H", 0}, {"\n", 5}}, std::nullopt},
      {"a gap inside", plain, {{"H", 0}, {"Y", 5}, {"-", 70}, {"7", 75}, {"\n", 80}}, "-7"},
      {"a key no scanner sends", plain, {{"H", 0}, {"Y", 5}, {"", 8}, {"\n", 10}}, std::nullopt},
      {"prefix and suffix", framed, {{"]C1", 0}, {"U", 5}, {"9", 10}, {"#", 15}, {"\n", 20}}, "U9"},
      {"no prefix", framed, {{"U", 0}, {"9", 5}, {"\n", 10}}, std::nullopt},
      {"no suffix", framed, {{"]C1", 0}, {"U", 5}, {"9", 10}, {"\n", 15}}, "U9"},
      {"only the frame", framed, {{"]C1", 0}, {"#", 5}, {"\n", 10}}, std::nullopt},
      {"detection off", ScanSettings{Ms(0), "", ""}, {{"H", 0}, {"Y", 0}, {"\n", 0}}, std::nullopt},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScanDetector detector(c.settings);
    std::optional<std::string> scanned;
    for (const Key& key : c.keys) {
      if (key.text == "\n") {
        scanned = detector.Enter(Ms(key.at));
      } else if (key.text.empty()) {
        detector.Break();
      } else {
        detector.Key(key.text, Ms(key.at));
      }
    }
    EXPECT_EQ(scanned, c.scanned);
  }
}

TEST(OperatorSettings, ReadsStationsSwitchesAndRefusesWhatCannotBeMeant) {
  for (const std::string line :
       {"RequireUnit=maybe", "ScanGapMs=abc", "ScanGapMs=-1", "ScanGapMs=500", "ScanGapMs=30ms"}) {
    OperatorSettings settings;
    std::string error;
    EXPECT_FALSE(ReadOperatorSettings(ProfileFile::Parse("[Station]\n" + line), settings, error))
        << line;
    EXPECT_THAT(error, HasSubstr("[Station] " + line));
  }
  OperatorSettings settings;
  std::string error;
  ASSERT_TRUE(ReadOperatorSettings(
      ProfileFile::Parse("[station]\nrequireunit=Yes\nScanGapMs=0\nScanPrefix=]C1\nScanSuffix=#\n"),
      settings, error))
      << error;
  EXPECT_TRUE(settings.requireUnit);
  EXPECT_EQ(settings.scan.gap, Ms(0));
  EXPECT_EQ(settings.scan.prefix, "]C1");
  EXPECT_EQ(settings.scan.suffix, "#");
  ASSERT_TRUE(ReadOperatorSettings(ProfileFile::Parse(""), settings, error));
  EXPECT_FALSE(settings.requireUnit);
  EXPECT_EQ(settings.scan.gap, Ms(50));
}

// After F5 the focus is on "Run All": the scanner's keys reach no button, and its Enter runs
// nothing under the previous unit. The next F5 runs under the new unit.
TEST(WindowScanner, ABurstWithTheFocusOnAButtonReplacesTheUnitAndPressesNothing) {
  Station station({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/records.db");
  station.Activate();
  station.ClickTab(1);
  station.window->TabBar()->setFocus();
  Scan("HY-0010");
  EXPECT_EQ(station.window->Strip()->UnitField()->text(), "HY-0010");
  QTest::keySequence(station.window.get(), QKeySequence(Qt::Key_F5));
  ASSERT_EQ(QApplication::focusWidget(), station.Get("Command2", 4));
  station.Count("");
  Scan("HY-0021");
  EXPECT_EQ(station.Count("GetAdapterVersion"), 0);  // no second Run All
  EXPECT_EQ(station.window->Strip()->UnitField()->text(), "HY-0021");
  EXPECT_EQ(station.Text("Label3"), "1");
  // The tabs still show HY-0010's verdicts; the status line says whose they are.
  EXPECT_EQ(station.Text("Label6", 4), "Pass");
  EXPECT_EQ(station.ActionLine(), "new unit HY-0021: the tabs still show HY-0010's results");
  QTest::keySequence(station.window.get(), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(station.ActionLine(), "Run All passed");
  EXPECT_EQ(Units(station), (std::vector<std::string>{"run-all HY-0010", "run-all HY-0021"}));
}

// A click into Unit puts the cursor inside the serial shown; the scan still replaces it whole.
// What a burst typed into another box is taken back.
TEST(WindowScanner, AScanReplacesTheUnitWholeWhereverTheCursorIsAndLeavesOtherBoxesAsTheyWere) {
  Station station({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/records.db");
  station.Activate();
  QLineEdit* unit = station.window->Strip()->UnitField();
  unit->setFocus();
  Scan("HY-0010");
  QTest::mouseClick(unit, Qt::LeftButton, {}, QPoint(unit->width() / 6, unit->height() / 2));
  ASSERT_GT(unit->cursorPosition(), 0);
  ASSERT_LT(unit->cursorPosition(), 7);
  Scan("HY-00021");
  EXPECT_EQ(unit->text(), "HY-00021");
  auto* srec = station.Get<QLineEdit>("SREC_Name");
  const QString path = srec->text();
  srec->setFocus();
  srec->setCursorPosition(3);
  Scan("HY-00022");
  EXPECT_EQ(srec->text(), path);
  EXPECT_EQ(station.form->Controls().SREC_Name.Text, path.toStdString());
  EXPECT_EQ(unit->text(), "HY-00022");
  station.ClickTab(1);
  station.Click("Command2", 1);
  EXPECT_EQ(Units(station), (std::vector<std::string>{"smbus-test HY-00022"}));
}

// By hand, at a person's pace, Unit takes what is typed and Enter; a quick burst without Enter
// stays where it was typed.
TEST(WindowScanner, TypingByHandStillWorks) {
  Station station({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/records.db");
  station.Activate();
  QLineEdit* unit = station.window->Strip()->UnitField();
  unit->setFocus();
  QTest::keyClicks(unit, "U-5", Qt::NoModifier, kHandPauseMs);
  QTest::keyClick(unit, Qt::Key_Return, Qt::NoModifier, kHandPauseMs);
  EXPECT_EQ(station.CurrentUnit(), "U-5");
  auto* srec = station.Get<QLineEdit>("SREC_Name");
  srec->setFocus();
  srec->selectAll();
  QTest::keyClicks(srec, "a.srec");
  EXPECT_EQ(station.form->Controls().SREC_Name.Text, "a.srec");
  EXPECT_EQ(station.CurrentUnit(), "U-5");
}

// A scanner that frames its serial: only a framed burst is a scan, and the frame is dropped.
TEST(WindowScanner, APrefixAndSuffixFrameTheScan) {
  OperatorSettings settings;
  settings.scan = {Ms(30), "]C1", "#"};
  Station station({.bench = Bench(true), .ini = ShippedIni()}, "", settings);
  station.Activate();
  station.window->TabBar()->setFocus();
  Scan("]C1HY-7#");
  EXPECT_EQ(station.CurrentUnit(), "HY-7");
  auto* srec = station.Get<QLineEdit>("SREC_Name");
  srec->setFocus();
  srec->clear();
  Scan("HY-8");
  EXPECT_EQ(srec->text(), "HY-8");
  EXPECT_EQ(station.CurrentUnit(), "HY-7");
}

// Scanned while Run All waits between its tests, the new unit takes over when the run ends: the
// run's record keeps the unit it began with.
TEST(WindowScanner, AUnitScannedDuringAnActionTakesOverWhenItEnds) {
  Station station({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/records.db");
  station.Activate();
  station.window->TakeUnit("HY-1");
  station.ClickTab(1);
  bool scanned = false;
  station.duringWait = [&] {
    if (std::exchange(scanned, true)) return;
    station.window->TakeUnit("HY-2");
    EXPECT_EQ(station.ActionLine(), "unit HY-2 scanned: it takes over when Run All ends");
  };
  station.Click("Command2", 4);
  station.duringWait = nullptr;
  EXPECT_EQ(station.CurrentUnit(), "HY-2");
  EXPECT_EQ(station.ActionLine(), "new unit HY-2: the tabs still show HY-1's results");
  station.Click("Command2", 1);
  EXPECT_EQ(Units(station), (std::vector<std::string>{"run-all HY-1", "smbus-test HY-2"}));
}

TEST(WindowScanner, RequireUnitRefusesAnActionWithoutAUnitAndASecondPassOfRunAll) {
  OperatorSettings settings;
  settings.requireUnit = true;
  Station station({.bench = Bench(true), .ini = ShippedIni()}, "{dir}/records.db", settings);
  station.AwaitStoreProbe();
  // A unit that passed Run All on another day, in the store.
  records::Record earlier;
  earlier.id = records::NewRecordId();
  earlier.unit = "HY-9";
  earlier.action = "run-all";
  earlier.verdict = records::kVerdictPassed;
  std::string error;
  ASSERT_TRUE(station.records.Store()->Write(earlier, error)) << error;
  station.ClickTab(1);
  station.Count("");
  // clang-format off
  struct Step { const char* unit; int button; const char* said; int versionReads; };
  for (const Step& s : {
      Step{"", 4, "Run All refused: no unit scanned — scan the unit's serial first", 0},
      Step{"", 1, "SMBus Test refused: no unit scanned — scan the unit's serial first", 0},
      Step{"HY-1", 4, "Run All passed", 1},
      Step{"", 4, "Run All refused: unit HY-1 passed Run All already — scan the next unit", 0},
      Step{"", 1, "SMBus Test passed", 0},
      Step{"HY-9", 4, "Run All refused: unit HY-9 passed Run All already — scan the next unit", 0},
      Step{"HY-2", 4, "Run All passed", 1}}) {
    // clang-format on
    SCOPED_TRACE(std::string(s.unit) + " " + std::to_string(s.button));
    if (*s.unit != '\0') station.window->TakeUnit(s.unit);
    station.Click("Command2", s.button);
    EXPECT_EQ(station.ActionLine(), s.said);
    EXPECT_EQ(station.Count("GetAdapterVersion"), s.versionReads);
  }
  EXPECT_EQ(
      station.window->Strip()->ActionLine()->palette().color(QPalette::WindowText) == kFailText,
      false);
  station.window->TakeUnit("HY-9");
  EXPECT_THAT(station.ActionLine(), HasSubstr("(it passed Run All already)"));
  EXPECT_EQ(Units(station), (std::vector<std::string>{"run-all HY-9", "run-all HY-1",
                                                      "smbus-test HY-1", "run-all HY-2"}));
}

}  // namespace
}  // namespace halyard::ui
