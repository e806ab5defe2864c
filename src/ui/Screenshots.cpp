// Renders the station's window offscreen on the default bench (with one fault scripted) and saves
// one picture per tab, one of the status line and one of the records view for the README:
// halyard-screenshots OUTPUT_DIR. Runs from the program's folder, where the configuration and
// the firmware images it names are; its records go to a store in a temporary folder.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "adapter/Dialogs.h"
#include "app/ControlRegistry.h"
#include "assembly/Station.h"
#include "assembly/StationRecords.h"
#include "records/ActionRecorder.h"
#include "ui/LineScreenshot.h"
#include "ui/QtServices.h"
#include "ui/RecordsDialog.h"
#include "ui/StationWindow.h"

namespace {

// A message box would block an unattended run: it is printed instead.
class PrintingDialogs final : public halyard::Dialogs {
 public:
  void MsgBox(const std::string& prompt, int, const std::string& title) override {
    std::fprintf(stderr, "message box \"%s\": %s\n", title.c_str(), prompt.c_str());
  }
};

bool Save(QWidget& widget, const QString& dir, const char* name, QRect area = {}) {
  QApplication::processEvents();
  const QString path = QDir(dir).filePath(QString::fromUtf8(name));
  if (!widget.grab(area.isNull() ? widget.rect() : area).save(path)) {
    std::fprintf(stderr, "halyard-screenshots: cannot write %s\n", path.toLocal8Bit().data());
    return false;
  }
  std::printf("%s\n", path.toLocal8Bit().data());
  return true;
}

// Clicks a button of the registry as the operator would; false, with a line, when the
// registry has no such button.
bool Click(halyard::ui::StationWindow& window, const char* name, int index = -1) {
  const halyard::ControlEntry* entry = halyard::FindControl(name, index);
  auto* button = qobject_cast<QAbstractButton*>(window.Control(name, index));
  if (entry == nullptr || entry->kind != halyard::ControlKind::kButton || button == nullptr) {
    std::fprintf(stderr, "halyard-screenshots: no button %s\n",
                 halyard::ControlKey(name, index).c_str());
    return false;
  }
  button->click();
  return true;
}

// The automatic trim halfway: the bars on the code being measured, the progress in the status
// line. Then the search runs to its end, as the operator would let it.
bool SaveAutoTrim(halyard::ui::StationWindow& window, const halyard::AutoTrim& trimmer,
                  const QString& dir) {
  window.Strip()->AutoTrimButton()->click();
  while (window.AutoTrimRunning() && trimmer.Report().iterations.size() < 5)
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  const bool ok = Save(window, dir, "auto-trim.png");
  while (window.AutoTrimRunning())
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  return ok;
}

// Every picture of the README, in an operator's order: the unit scanned, configuring, Run All,
// a test failing in words on the status line, the trim, the automatic trim, the records view
// with the automatic trim's measurements.
bool SaveAll(halyard::ui::StationWindow& window, halyard::Station& station, const QString& outDir) {
  window.TakeUnit("HY-000123");  // as the scanner's burst
  window.Strip()->OperatorField()->setText("Ann");
  bool ok = Save(window, outDir, "tab-programming.png");
  window.TabBar()->setCurrentIndex(2);  // as the operator's click on the tab
  ok = Save(window, outDir, "tab-setup.png") && ok;
  ok = Click(window, "Command1") && ok;  // configures the target and selects "Test"
  ok = Click(window, "Command2", 4) && ok;
  ok = Save(window, outDir, "tab-test.png") && ok;
  ok = Click(window, "Command2", 1) && ok;  // the bench's rule: nothing answers this time
  ok = Save(window, outDir, "status-line.png", window.Strip()->geometry()) && ok;
  window.TabBar()->setCurrentIndex(3);
  ok = Click(window, "StartTrim") && ok;
  ok = Click(window, "RsvFlashRd") && ok;
  ok = Save(window, outDir, "tab-trim.png") && ok;
  ok = SaveAutoTrim(window, station.AutoTrimmer(), outDir) && ok;
  halyard::ui::RecordsDialog* view = window.ShowRecords();
  view->Latest()->selectRow(0);  // the automatic trim, newest
  ok = Save(*view, outDir, "records-view.png") && ok;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: halyard-screenshots OUTPUT_DIR\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const QString outDir = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));
  QApplication app(argc, argv);
  const std::filesystem::path programDir = QCoreApplication::applicationDirPath().toStdString();
  std::filesystem::current_path(programDir);

  const auto start = std::chrono::steady_clock::now();
  PrintingDialogs dialogs;
  halyard::ui::QtEventPump pump;
  QTemporaryDir records;
  // The default bench, but for the second SMBus block read (the SMBus test after Run All's):
  // nothing answers, for a failure in words on the status line.
  const QString bench = QDir(records.path()).filePath("bench.json");
  if (QFile file(bench); !file.open(QIODevice::WriteOnly) ||
                         file.write(R"({"rules": [{"op": "ReadSmbusBlock", "nth": 2, "count": 1,
                                        "status": 11}]})") < 0) {
    std::fprintf(stderr, "halyard-screenshots: cannot write %s\n", bench.toLocal8Bit().data());
    return 2;
  }
  halyard::StationOptions options;
  options.app.programPath = programDir / "halyard-station";
  options.benchPath = bench.toStdString();
  std::string error;
  const auto station = halyard::Station::Build(options, dialogs, pump, error);
  if (!station) {
    std::fprintf(stderr, "halyard-screenshots: %s\n", error.c_str());
    return 2;
  }
  halyard::Form1& form = station->Form();
  form.Form_Load();
  const std::string store = QDir(records.path()).filePath("records.db").toStdString();
  halyard::StationRecords stationRecords;
  if (!stationRecords.Open(*station,
                           {.store = store,
                            .spool = QDir(records.path()).filePath("spool").toStdString(),
                            .operatorName = "Ann"},
                           error)) {
    std::fprintf(stderr, "halyard-screenshots: %s\n", error.c_str());
    return 2;
  }
  halyard::ui::StationWindow window(*station, {.records = &stationRecords});
  pump.SetBeforeWait([&window] { window.SyncFromForm(); });
  window.show();
  QApplication::processEvents();
  const double startupMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "start-up to a shown window: %.1f ms\n", startupMs);

  const bool saved = SaveAll(window, *station, outDir);
  return halyard::ui::SaveLineView(programDir, QDir(outDir).filePath("line-view.png")) && saved ? 0
                                                                                                : 1;
}
