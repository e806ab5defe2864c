// The station's window on the default bench, built in the order halyard-station's main() builds
// it (station, start-up, window, shown), for the window's benchmarks. Needs a QApplication.
// Message boxes are counted, not shown: a modal box would stop a benchmark, and on the default
// bench none is raised.
#pragma once

#include <memory>
#include <string>

#include "adapter/Dialogs.h"
#include "assembly/Station.h"
#include "ui/QtServices.h"
#include "ui/StationWindow.h"

namespace halyard::bench {

class CountingDialogs final : public Dialogs {
 public:
  void MsgBox(const std::string&, int, const std::string&) override { ++raised_; }
  int Raised() const { return raised_; }

 private:
  int raised_ = 0;
};

class WindowRig {
 public:
  WindowRig() = default;
  WindowRig(const WindowRig&) = delete;
  WindowRig& operator=(const WindowRig&) = delete;
  ~WindowRig();

  // Builds, starts and shows the window and returns once it is exposed and painted; false, with
  // `error` set, when the station could not be built or the window did not appear.
  bool Show(std::string& error);

  ui::QtEventPump& Pump() { return pump_; }
  Form1& Form() { return station_->Form(); }
  int MessagesRaised() const { return dialogs_.Raised(); }

 private:
  CountingDialogs dialogs_;
  ui::QtEventPump pump_;
  std::unique_ptr<Station> station_;
  std::unique_ptr<ui::StationWindow> window_;
};

}  // namespace halyard::bench
