// Start-up and shutdown of the window on the simulated bench, transaction by transaction.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/Golden.h"
#include "support/TestStation.h"

namespace halyard {
namespace {

using testing::ExpectGolden;

// Start-up without a configuration file, then shutdown: every bus line of both.
std::vector<std::string> StartAndStop(const std::string& benchJson, WindowState* state) {
  testing::TestStation station({.bench = benchJson, .ini = ""});
  *state = station.form().State();
  station.form().Form_Unload();
  return station.all;
}

TEST(StartupGolden, BlankAndConfiguredTargets) {
  WindowState state;
  ExpectGolden(StartAndStop("{}", &state), "app/golden/startup-default-bench.txt");
  EXPECT_TRUE(state.TargetNotConfigured);
  ExpectGolden(StartAndStop(R"({"target": {"configured": true}})", &state),
               "app/golden/startup-configured-target.txt");
  EXPECT_FALSE(state.TargetNotConfigured);
}

}  // namespace
}  // namespace halyard
