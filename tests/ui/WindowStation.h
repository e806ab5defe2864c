// The window's tests stand on this: a whole station (the simulated bench behind a tracing
// adapter, Form1, the Qt pump) and its window shown offscreen, with the session fed the bus
// lines and message boxes as main() feeds it, and records in a store of the test's own.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "assembly/StationRecords.h"
#include "records/ActionRecorder.h"
#include "support/Paths.h"
#include "support/TestStation.h"
#include "ui/QtServices.h"
#include "ui/StationWindow.h"

namespace halyard::testing {

inline std::string ShippedIni() {
  std::ifstream in(SourceDir() / "config/halyard-station.ini", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string Bench(bool configured) {
  return std::string(R"({"target": {"configured": )") + (configured ? "true}}" : "false}}");
}

struct WindowStation {
  explicit WindowStation(bool configured = false)
      : WindowStation({.bench = Bench(configured), .ini = ShippedIni()}) {}
  // `store`: the record store's name ("" keeps records off; "{dir}" stands for the station's
  // own folder).
  explicit WindowStation(TestStationSetup setup, std::string store = "")
      : fixture((setup.pump = &pump, setup)), form(&fixture.form()) {
    if (const size_t at = store.find("{dir}"); at != std::string::npos)
      store.replace(at, 5, fixture.Dir().string());
    std::string error;
    recorder.SetBackend(fixture.station().BackendDescription());
    if (!recorder.Open(store, fixture.Dir() / "spool", StationRecordSource(*form, ""), error))
      throw std::runtime_error(error);
    ui::SessionSetup session{.backend = fixture.station().BackendDescription(),
                             .startupTrace = fixture.all,
                             .takeTrace = [this] { return Since(fixture.all, linesTaken); },
                             .takeMessages = [this] { return TakeMessages(); },
                             .recorder = &recorder,
                             .storeName = store,
                             .autoTrim = &fixture.station().AutoTrimmer()};
    linesTaken = fixture.all.size();
    window = std::make_unique<ui::StationWindow>(*form, std::move(session));
    pump.SetBeforeWait([this] {
      window->SyncFromForm();
      if (duringWait) duringWait();
    });
    window->show();
    fixture.TakeTrace();
  }
  SimulatedAdapter& sim() { return fixture.sim(); }
  template <typename T = QWidget>
  T* Get(const char* name, int index = -1) const {
    if (auto* widget = qobject_cast<T*>(window->Control(name, index))) return widget;
    throw std::runtime_error(ControlKey(name, index) + " missing");
  }
  QString Text(const char* name, int index = -1) const { return Get<QLabel>(name, index)->text(); }
  void Click(const char* name, int index = -1) {
    QTest::mouseClick(Get(name, index), Qt::LeftButton, {}, Get(name, index)->rect().center());
  }
  void ClickTab(int tab) {
    QTest::mouseClick(window->TabBar(), Qt::LeftButton, {},
                      window->TabBar()->tabRect(tab).center());
  }
  // Trace lines since the last call that start with `operation`.
  int Count(const std::string& operation) {
    return std::ranges::count_if(
        fixture.TakeTrace(), [&](const std::string& line) { return line.starts_with(operation); });
  }
  std::string Status() const { return window->Strip()->Text().toStdString(); }
  // The records in the store, oldest first.
  std::vector<records::Record> Records() {
    std::vector<records::Record> found;
    std::string error;
    if (!recorder.Store()->List({}, found, error)) throw std::runtime_error(error);
    return found;
  }

  ui::QtEventPump pump;
  TestStation fixture;
  Form1* form;
  records::ActionRecorder recorder;
  std::unique_ptr<ui::StationWindow> window;
  std::function<void()> duringWait;  // runs inside each wait, after the window's sync
  size_t linesTaken = 0;
  size_t messagesTaken = 0;

 private:
  static std::vector<std::string> Since(const std::vector<std::string>& lines, size_t& taken) {
    std::vector<std::string> fresh(lines.begin() + static_cast<std::ptrdiff_t>(taken), lines.end());
    taken = lines.size();
    return fresh;
  }
  std::vector<records::RecordMessage> TakeMessages() {
    std::vector<records::RecordMessage> fresh;
    for (; messagesTaken < fixture.dialogs.messages.size(); ++messagesTaken) {
      const auto& m = fixture.dialogs.messages[messagesTaken];
      fresh.push_back({m.title, m.prompt});
    }
    return fresh;
  }
};

}  // namespace halyard::testing
