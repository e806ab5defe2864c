// The simulated bench as a driver (libhalyard-sim-driver.so): the golden traces of start-up,
// configuration, a passing Run All and the trim hold through the driver host unchanged,
// programming goes as on the bench in this process, and block reads come back as the bench
// hands them.
#include <gtest/gtest.h>

#include <fstream>
#include <iomanip>
#include <sstream>

#include "driver/DriverHost.h"
#include "sim/SimulatedAdapter.h"
#include "support/Golden.h"
#include "support/ScratchDir.h"
#include "support/TestStation.h"

namespace halyard::testing {
namespace {

const std::string kSimDriver = std::string("driver:") + SIM_DRIVER + ",{bench}";
const std::string kConfigured = R"({"target": {"configured": true}})";

TEST(SimDriver, StartupConfigurationAndRunAllMatchTheirGoldenTraces) {
  for (const auto& [bench, golden] :
       {std::pair{std::string("{}"), "app/golden/startup-default-bench.txt"},
        std::pair{kConfigured, "app/golden/startup-configured-target.txt"}}) {
    TestStation station({.bench = bench, .ini = "", .adapter = kSimDriver});
    station.form().Form_Unload();
    ExpectGolden(station.all, golden);
  }
  TestStation blank({.adapter = kSimDriver});
  EXPECT_EQ(blank.station().BackendDescription(),
            std::string("driver:") + SIM_DRIVER + " (halyard-sim-driver 0.1.0)");
  blank.form().SelectTab(1);
  blank.form().Command1_Click();
  blank.form().Form_Unload();
  ExpectGolden(blank.all, "bustest/golden/configure-blank-target.txt");
  TestStation configured({.bench = kConfigured, .adapter = kSimDriver});
  configured.form().Command2_Click(4);
  configured.form().Form_Unload();
  ExpectGolden(configured.all, "bustest/golden/run-all-pass.txt");
}

TEST(SimDriver, TrimStartReadAndUpdateMatchTheirGoldenTraces) {
  for (const std::string name : {"start", "read", "update", "update-auto"}) {
    SCOPED_TRACE(name);
    // The trim tests seed controller location 0x0000 with 0xA5 after the start; the start
    // does not touch it, so the bench file seeds it from the beginning.
    const std::string row = name != "read" ? "" : R"(, "reserved_row":
        "E0E1E2E3E4E5E6E7E8E9EAEBECEDEEEFF0F1F2F3F4F5F6F7F8F9FAFBFCFD05FF")";
    TestStation b({.bench = R"({"controller": {"memory": {"0x0000": "0xA5"})" + row + "}}",
                   .adapter = kSimDriver});
    b.form().StartTrim_Click();
    if (name != "start") b.TakeTrace();
    if (name == "read") b.form().RsvFlashRd_Click();
    if (name.starts_with("update")) {
      b.form().MoveFineAdjust(name == "update" ? 0x70 : 0x80);
      b.form().SetAutoUpdate(name == "update" ? 0 : 1);
      b.TakeTrace();
      b.form().Update_Click();
    }
    EXPECT_TRUE(b.dialogs.messages.empty());
    ExpectGolden(WithSourcePlaceholder(b.TakeTrace()), "trim/golden/" + name + ".txt");
  }
}

TEST(SimDriver, ProgrammingGoesAsOnTheBenchInThisProcess) {
  // The shipped image, a missing file, a bad one, and a name that is not UTF-8.
  for (const std::string& srec : {Image("halyard-fw.srec"), std::string("missing.srec"),
                                  Image("../README.md"), std::string("fw\xFF\xFE.srec")}) {
    SCOPED_TRACE(srec);
    TestStation bench;
    TestStation driver({.adapter = kSimDriver});
    for (TestStation* station : {&bench, &driver}) {
      station->form().SetSrecName(srec);
      station->form().Program_Click();
    }
    EXPECT_EQ(driver.TakeTrace(), bench.TakeTrace());
    EXPECT_EQ(driver.dialogs.messages, bench.dialogs.messages);
    EXPECT_EQ(driver.form().State().ProgramPassCount, bench.form().State().ProgramPassCount);
  }
}

TEST(SimDriver, BlockReadsComeBackAsTheBenchHandsThem) {
  // Scripted blocks of n bytes (-1: the bench's own answer), with a count when it is not -1;
  // the driver's buffer stops at 255 bytes, where the bench's vector grows without end.
  const std::pair<int, int> blocks[] = {{-1, -1},  {0, -1},   {12, -1}, {12, 200},
                                        {129, -1}, {200, -1}, {255, 3}, {300, -1}};
  for (const auto& [n, count] : blocks) {
    std::ostringstream json;
    json << R"({"rules": [{"op": "ReadSmbusBlock", "count": -1, "outputs": {)";
    if (count >= 0) json << R"("count": )" << count << (n >= 0 ? ", " : "");
    json << (n >= 0 ? R"("data": ")" : "");
    for (int i = 0; i < n; ++i)
      json << std::hex << std::setw(2) << std::setfill('0') << (i & 0xFF) << ' ';
    json << (n >= 0 ? "\"" : "") << "}}]}";
    const std::string rules = n < 0 && count < 0 ? "{}" : json.str();
    const ScratchDir scratch;
    const std::string file = scratch.Write("blocks.json", rules).string();
    std::string error;
    std::unique_ptr<SimulatedAdapter> bench = MakeSimulatedAdapterFromJson(rules, error);
    std::unique_ptr<DriverHost> driver = DriverHost::Load(SIM_DRIVER, file, error);
    ASSERT_TRUE(bench && driver) << error;
    for (const size_t size : {size_t{0}, size_t{129}}) {
      SCOPED_TRACE(std::to_string(n) + " bytes, count " + std::to_string(count) + ", array " +
                   std::to_string(size));
      bench->OpenDevice("HALYARD-SIM0");
      driver->OpenDevice("HALYARD-SIM0");
      std::vector<uint8_t> fromBench(size, 0x5A), fromDriver(size, 0x5A);
      int16_t benchCount = -3, driverCount = -3;
      EXPECT_EQ(driver->ReadSmbusBlock(0x20, fromDriver, driverCount, 0x16),
                bench->ReadSmbusBlock(0x20, fromBench, benchCount, 0x16));
      EXPECT_EQ(driverCount, benchCount);
      if (fromBench.size() > HALYARD_BLOCK_CAPACITY) fromBench.resize(HALYARD_BLOCK_CAPACITY);
      EXPECT_EQ(fromDriver, fromBench);
    }
  }
}

}  // namespace
}  // namespace halyard::testing
