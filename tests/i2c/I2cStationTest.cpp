// The whole station on the i2c-dev backend, with the fake kernel bus and the simulated devices
// behind it: configuring a blank target, the SMBus and I2C tests and the trim bars' controller
// writes put the same lines in the trace as on the bench; the tests i2c-dev cannot carry fail.
#include <gtest/gtest.h>

#include "FakeKernelBus.h"
#include "adapter/Statuses.h"
#include "support/TestStation.h"

namespace halyard::testing {
namespace {

const std::string kI2c = "i2c:/dev/i2c-1,map=0x17:0x0C";
const std::string kConfigured = R"({"target": {"configured": true}})";

// Trace lines but those naming the adapter itself, which differ by backend.
std::vector<std::string> BusLines(const std::vector<std::string>& trace) {
  std::vector<std::string> lines;
  for (const std::string& line : trace) {
    if (!line.starts_with("ListDevices") && !line.starts_with("OpenDevice")) lines.push_back(line);
  }
  return lines;
}

// The same operator actions on the bench and on i2c-dev over a fake kernel with the same bench.
void ExpectSameTraffic(const std::string& bench, const std::function<void(Form1&)>& actions) {
  TestStation onBench({.bench = bench});
  auto kernel = std::make_shared<FakeKernelBus>(bench);
  TestStation onI2c({.adapter = kI2c, .i2cKernel = kernel});
  for (TestStation* station : {&onBench, &onI2c}) {
    actions(station->form());
    station->form().Form_Unload();
  }
  EXPECT_EQ(BusLines(onI2c.all), BusLines(onBench.all));
  EXPECT_EQ(onI2c.dialogs.messages, onBench.dialogs.messages);
  EXPECT_TRUE(kernel->openFds.empty());  // shutdown closed the device
}

TEST(I2cStation, ConfiguringTheBusTestsAndTheTrimBarsGoAsOnTheBench) {
  ExpectSameTraffic("{}", [](Form1& form) {
    form.SelectTab(1);
    EXPECT_TRUE(form.Command1_Click());
    EXPECT_EQ(form.Controls().SSTab1.Tab, 1);
    EXPECT_TRUE(form.MoveFineAdjust(0x70));
    EXPECT_TRUE(form.MoveGrossAdjust(0x90));
    EXPECT_TRUE(form.Verdict().Passed());
  });
  ExpectSameTraffic(kConfigured, [](Form1& form) {
    EXPECT_TRUE(form.Command2_Click(1));
    EXPECT_TRUE(form.Command2_Click(2));
    EXPECT_EQ(form.Controls().Label6[1].Caption, "True");
    EXPECT_EQ(form.Controls().Label6[2].Caption, "True");
  });
}

TEST(I2cStation, VersionAndSwbFailAsNotSupportedAndRunAllStopsUncounted) {
  auto kernel = std::make_shared<FakeKernelBus>(kConfigured);
  TestStation station({.adapter = kI2c, .i2cKernel = kernel});
  EXPECT_EQ(station.station().BackendDescription(), kI2c);
  // Run All stops at the version test, which reads the adapter's version, and is not counted.
  ASSERT_TRUE(station.form().Command2_Click(4));
  const FormControls& controls = station.controls();
  EXPECT_EQ(controls.Label6[0].Caption, "False");
  EXPECT_EQ(controls.Label6[4].Caption, "Fail");
  EXPECT_EQ(controls.Label3.Caption, "0");
  // One by one, the bus tests pass and the SWB test shows the status it failed with.
  for (int16_t test : {1, 2, 3})
    ASSERT_TRUE(station.form().Command2_Click(test));
  EXPECT_EQ(controls.Label6[1].Caption, "True");
  EXPECT_EQ(controls.Label6[2].Caption, "True");
  EXPECT_EQ(controls.Label6[3].Caption, "False");
  EXPECT_EQ(controls.Label5[3].Caption, std::to_string(kStatusNotSupported));
}

TEST(I2cStation, ADeviceThatCannotBeHadStopsTheStationBeingBuiltWithItsReason) {
  auto kernel = std::make_shared<FakeKernelBus>();
  for (const auto& [adapter, reason] :
       {std::pair{std::string("i2c:/dev/i2c-7"), "cannot open it: No such file or directory"},
        std::pair{std::string("i2c:/dev/not-i2c"), "not an i2c-dev adapter: "}}) {
    RecordingDialogs dialogs;
    FakeEventPump pump;
    std::string error;
    EXPECT_EQ(Station::Build({.adapter = adapter, .i2cKernel = kernel}, dialogs, pump, error),
              nullptr);
    EXPECT_TRUE(error.starts_with("adapter " + adapter + ": " + reason)) << error;
  }
}

}  // namespace
}  // namespace halyard::testing
