// Builds and shows the station's window for the window's benchmarks.
#include "WindowRig.h"

#include <QCoreApplication>
#include <QWindow>
#include <chrono>

#include "BenchSupport.h"

namespace halyard::bench {

WindowRig::~WindowRig() {
  if (!station_) return;
  window_.reset();
  station_->Form().Form_Unload();
}

bool WindowRig::Show(std::string& error) {
  StationOptions options;
  options.app.programPath = BinDir() / "halyard-station";
  station_ = Station::Build(options, dialogs_, pump_, error);
  if (!station_) return false;
  Form1& form = station_->Form();
  form.Form_Load();
  // As the window runs without a record store: each action's result is still made whole.
  window_ = std::make_unique<ui::StationWindow>(*station_);
  pump_.SetBeforeWait([this] { window_->SyncFromForm(); });
  window_->show();
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (window_->windowHandle() == nullptr || !window_->windowHandle()->isExposed()) {
    if (std::chrono::steady_clock::now() > giveUp) {
      error = "the window was not exposed within 10 s";
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  QCoreApplication::processEvents();  // the first paint
  return true;
}

}  // namespace halyard::bench
