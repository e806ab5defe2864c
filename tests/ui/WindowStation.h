// The window's tests stand on this: a whole station (the simulated bench behind a tracing
// adapter, Form1, the Qt pump) and its window shown offscreen, as main() shows it, with records
// in a store of the test's own.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
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
#include "records/RecordFormat.h"
#include "support/Paths.h"
#include "support/TestStation.h"
#include "ui/ElidedLine.h"
#include "ui/QtServices.h"
#include "ui/StationWindow.h"

namespace halyard::testing {

// A person's pause between keys, longer than any scanner's.
constexpr int kHandPauseMs = 80;

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
  explicit WindowStation(TestStationSetup setup, std::string store = "",
                         ui::OperatorSettings settings = {})
      : fixture((setup.pump = &pump, setup)), form(&fixture.form()) {
    if (const size_t at = store.find("{dir}"); at != std::string::npos)
      store.replace(at, 5, fixture.Dir().string());
    std::string error;
    if (!records.Open(fixture.station(), {.store = store, .spool = fixture.Dir() / "spool"}, error))
      throw std::runtime_error(error);
    window = std::make_unique<ui::StationWindow>(
        fixture.station(), ui::SessionSetup{.records = &records, .operatorSettings = settings});
    pump.SetBeforeWait([this] {
      window->SyncFromForm();
      if (duringWait) duringWait();
    });
    window->show();
    linesTaken = fixture.all.size();
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
  // Bus lines since the last call that start with `operation`.
  int Count(const std::string& operation) {
    std::vector<std::string> fresh(fixture.all.begin() + static_cast<std::ptrdiff_t>(linesTaken),
                                   fixture.all.end());
    linesTaken = fixture.all.size();
    return std::ranges::count_if(
        fresh, [&](const std::string& line) { return line.starts_with(operation); });
  }
  std::string Status() const { return window->Strip()->Text().toStdString(); }
  // The unit the next record names.
  std::string CurrentUnit() const { return records.Recorder().Source().unit; }
  // The line under the tabs that tells the last action, whole.
  std::string ActionLine() const { return window->Strip()->ActionLine()->Text().toStdString(); }
  // Until start-up's try of the record store has answered (it runs on a thread of its own).
  void AwaitStoreProbe() {
    QDeadlineTimer deadline(20000);
    while (window->ProbingStore() && !deadline.hasExpired())
      QTest::qWait(5);
  }
  // Activates the window, so that shortcuts and the focus work as at a desk.
  void Activate() {
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) throw std::runtime_error("window not active");
  }
  // The records in the store, oldest first.
  std::vector<records::Record> Records() {
    std::vector<records::Record> found;
    std::string error;
    if (!records.Store()->List({}, found, error)) throw std::runtime_error(error);
    return found;
  }

  ui::QtEventPump pump;
  TestStation fixture;
  Form1* form;
  StationRecords records;
  std::unique_ptr<ui::StationWindow> window;
  std::function<void()> duringWait;  // runs inside each wait, after the window's sync
  size_t linesTaken = 0;
};

}  // namespace halyard::testing
