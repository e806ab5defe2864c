// Starts the station's window as halyard-station does, prints the monotonic clock (ns) at the
// moment it is shown and painted, and exits. The window benchmark runs it as a child to learn
// how long after a process starts its window appears, and the window's peak memory.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <string>

#include "WindowRig.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  halyard::bench::WindowRig rig;
  std::string error;
  if (!rig.Show(error)) {
    std::fprintf(stderr, "halyard_window_start: %s\n", error.c_str());
    return 1;
  }
  const auto shown = std::chrono::steady_clock::now().time_since_epoch();
  std::printf("%lld\n", static_cast<long long>(std::chrono::nanoseconds(shown).count()));
  return 0;
}
