// Start-up and shutdown of the window on the simulated bench, transaction by transaction.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "adapter/TracingAdapter.h"
#include "app/Form1.h"
#include "sim/SimulatedAdapter.h"
#include "support/Golden.h"
#include "support/TestServices.h"

namespace halyard {
namespace {

using testing::ExpectGolden;
using testing::FakeEventPump;
using testing::RecordingDialogs;

std::vector<std::string> StartAndStop(const std::string& benchJson, WindowState* state = nullptr) {
  std::string error;
  auto bench = MakeSimulatedAdapterFromJson(benchJson, error);
  EXPECT_NE(bench, nullptr) << error;
  if (!bench) return {};
  TracingAdapter trace(*bench);
  RecordingDialogs dialogs;
  FakeEventPump pump;
  AppInfo info;
  info.programPath = "/nonexistent/halyard-station";  // no configuration file
  {
    Form1 form(trace, dialogs, pump, info);
    form.Form_Load();
    if (state) *state = form.State();
  }
  return trace.TakeLines();
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
