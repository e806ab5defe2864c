// Renders the station's window offscreen on the default bench and saves one picture per tab
// for the README: halyard-screenshots OUTPUT_DIR. Runs from the program's folder, where the
// configuration and the firmware images it names are.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabBar>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "adapter/Dialogs.h"
#include "app/ControlRegistry.h"
#include "assembly/Station.h"
#include "ui/QtServices.h"
#include "ui/StationWindow.h"

namespace {

// A message box would block an unattended run: it is printed instead.
class PrintingDialogs final : public halyard::Dialogs {
 public:
  void MsgBox(const std::string& prompt, int, const std::string& title) override {
    std::fprintf(stderr, "message box \"%s\": %s\n", title.c_str(), prompt.c_str());
  }
};

bool Save(halyard::ui::StationWindow& window, const QString& dir, const char* name) {
  QApplication::processEvents();
  const QString path = QDir(dir).filePath(QString::fromUtf8(name));
  if (!window.grab().save(path)) {
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
  halyard::StationOptions options;
  options.app.programPath = programDir / "halyard-station";
  options.trace = false;
  std::string error;
  const auto station = halyard::Station::Build(options, dialogs, pump, error);
  if (!station) {
    std::fprintf(stderr, "halyard-screenshots: %s\n", error.c_str());
    return 2;
  }
  halyard::Form1& form = station->Form();
  form.Form_Load();
  halyard::ui::StationWindow window(form);
  pump.SetBeforeWait([&window] { window.SyncFromForm(); });
  window.show();
  QApplication::processEvents();
  const double startupMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "start-up to a shown window: %.1f ms\n", startupMs);

  bool ok = Save(window, outDir, "tab-programming.png");
  window.TabBar()->setCurrentIndex(2);  // as the operator's click on the tab
  ok = Save(window, outDir, "tab-setup.png") && ok;
  ok = Click(window, "Command1") && ok;  // configures the target and selects "Test"
  ok = Click(window, "Command2", 4) && ok;
  ok = Save(window, outDir, "tab-test.png") && ok;
  window.TabBar()->setCurrentIndex(3);
  ok = Click(window, "StartTrim") && ok;
  ok = Click(window, "RsvFlashRd") && ok;
  ok = Save(window, outDir, "tab-trim.png") && ok;
  return ok ? 0 : 1;
}
