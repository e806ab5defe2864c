// The line's window for the README's picture: four sockets on the simulated bench, with the real
// waits, after a few units, one socket testing, one whose adapter reports another version.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "ui/LineScreenshot.h"
#include "ui/LineWindow.h"

namespace halyard::ui {

namespace {

void RunFor(std::chrono::milliseconds time) {
  const auto until = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < until)
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

}  // namespace

bool SaveLineView(const std::filesystem::path& programDir, const QString& path) {
  QTemporaryDir dir;
  const std::filesystem::path folder = dir.path().toStdString();
  std::ifstream shipped(programDir / "halyard-station.ini", std::ios::binary);
  std::string ini((std::istreambuf_iterator<char>(shipped)), {});
  ini += "\n[Station]\nName=line-3\n[Records]\nStore=" + (folder / "records.db").string() +
         "\n[Line]\nSockets=1 2 3 4\nSequence=configure run-all program\n";
  for (const char* socket : {"1", "2", "3", "4"}) {
    const std::string bench = folder / (std::string("bench-") + socket + ".json");
    std::ofstream(bench) << (std::string(socket) == "3" ? R"({"adapter_version": "1.1"})" : "{}");
    ini += std::string("[Socket ") + socket + "]\nBench=" + bench + "\n";
  }
  std::ofstream(folder / "line.ini") << ini;
  LineWindowSetup setup;
  AppInfo app;
  app.programPath = programDir / "halyard-station";
  app.configPath = folder / "line.ini";
  std::string error;
  if (!PrepareLine(app, setup, error)) {
    std::fprintf(stderr, "halyard-screenshots: %s\n", error.c_str());
    return false;
  }
  LineWindow window(std::move(setup));
  if (!window.Start(error)) {
    std::fprintf(stderr, "halyard-screenshots: %s\n", error.c_str());
    return false;
  }
  window.resize(1000, 330);
  window.show();
  RunFor(std::chrono::milliseconds(600));
  for (const char* unit : {"HY-0101", "HY-0102", "HY-0103", "HY-0104", "HY-0105"})
    window.Scan(unit);
  RunFor(std::chrono::milliseconds(1500));
  window.Scan("1:HY-0106");
  RunFor(std::chrono::milliseconds(300));
  QApplication::processEvents();
  const bool saved = window.grab().save(path);
  std::printf("%s\n", path.toLocal8Bit().data());
  window.Supervisor().Finish();
  while (!window.Supervisor().Ended())
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  return saved;
}

}  // namespace halyard::ui
