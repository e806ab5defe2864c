// The i2c-dev bridge of examples/, a driver written from docs/driver-interface.md alone, held to
// the built-in i2c-dev backend: the same operator actions over two fake kernel buses with the
// same bench behind them give the same verdicts, the same kernel transfers and the same trace,
// statuses aside (the bridge answers its own, a driver may not answer the station's).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <regex>

#include "FakeKernelBus.h"
#include "adapter/Statuses.h"
#include "i2cdev-bridge/bridge-kernel.h"
#include "support/TestStation.h"

namespace halyard::testing {
namespace {

// The fake kernel behind the bridge's seam.
int FakeOpen(void* bus, const char* path) {
  return static_cast<FakeKernelBus*>(bus)->Open(path);
}
int FakeIoctl(void* bus, int fd, unsigned long request, uintptr_t argument) {
  return static_cast<FakeKernelBus*>(bus)->Ioctl(fd, request, argument);
}
void FakeClose(void* bus, int fd) {
  static_cast<FakeKernelBus*>(bus)->Close(fd);
}

// The bridge loaded by the test before the station loads it again: one library, one seam.
class Bridge {
 public:
  explicit Bridge(FakeKernelBus& bus) : kernel_{&bus, FakeOpen, FakeIoctl, FakeClose} {
    library_ = dlopen(BRIDGE_DRIVER, RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) throw std::runtime_error(dlerror());
    void* symbol = dlsym(library_, "i2cdev_bridge_use_kernel");
    if (symbol == nullptr) throw std::runtime_error("no i2cdev_bridge_use_kernel");
    std::memcpy(&use_, &symbol, sizeof use_);
    use_(&kernel_);
  }
  ~Bridge() {
    use_(nullptr);
    dlclose(library_);
  }
  Bridge(const Bridge&) = delete;
  Bridge& operator=(const Bridge&) = delete;

 private:
  i2cdev_bridge_kernel kernel_;
  void* library_ = nullptr;
  i2cdev_bridge_use_kernel_function use_ = nullptr;
};

struct Step {
  const char* action;
  int16_t value = 0;
  int failNext = 0;  // errno the kernel answers the next transfer with
};

struct Outcome {
  std::vector<bool> verdicts;
  std::vector<std::string> kernel;  // every ioctl that reached the fake kernel
  std::vector<std::string> trace;   // without the lines naming the adapter, statuses as pass/fail
};

// A trace line with its status as "ok" or "failed": the bridge's own statuses differ in number.
std::string Judged(const std::string& line) {
  static const std::regex status(" -> (-?[0-9]+)");
  std::smatch match;
  if (!std::regex_search(line, match, status)) return line;
  return match.prefix().str() + (match[1] == "0" ? " -> ok" : " -> failed") + match.suffix().str();
}

Outcome RunActions(bool bridge, const std::string& bench, const std::string& options,
                   const std::vector<Step>& steps,
                   const std::function<void(FakeKernelBus&)>& prepare) {
  auto bus = std::make_shared<FakeKernelBus>(bench);
  if (prepare) prepare(*bus);
  std::optional<Bridge> seam;
  if (bridge) seam.emplace(*bus);
  const std::string adapter = bridge ? std::string("driver:") + BRIDGE_DRIVER + ",/dev/i2c-1"
                                     : std::string("i2c:/dev/i2c-1");
  Outcome outcome;
  {
    TestStation station({.adapter = adapter + options, .i2cKernel = bus});
    for (const Step& step : steps) {
      bus->failNext = step.failNext;
      EXPECT_TRUE(station.station().Perform(*FindAction(step.action), {step.value, {}}));
      outcome.verdicts.push_back(station.station().LastResult().passed);
    }
    station.form().Form_Unload();
    for (const std::string& line : station.all) {
      if (!line.starts_with("ListDevices") && !line.starts_with("OpenDevice"))
        outcome.trace.push_back(Judged(line));
    }
  }
  EXPECT_TRUE(bus->openFds.empty()) << "the device was left open";
  outcome.kernel = bus->log;
  return outcome;
}

TEST(BridgeDriver, VerdictsAndBusTrafficAreTheBuiltInBackends) {
  const std::string configured = R"({"target": {"configured": true}})";
  const std::string trimReady =
      R"({"target": {"configured": true}, "controller": {"programmed": true}})";
  const auto startTrim = [](FakeKernelBus& bus) { bus.Bench().SendSmbusCommand(0x08, 0x17); };
  struct Case {
    const char* what;
    std::string bench;
    std::string options;
    std::function<void(FakeKernelBus&)> prepare;
    std::vector<Step> steps;
  };
  // clang-format off
  const std::vector<Case> cases{
      {"a blank target configured, the bus tests, the bars", "{}", "", nullptr,
       {{"configure"}, {"smbus-test"}, {"i2c-test"}, {"fine", 0x70}, {"gross", 0x90}}},
      {"what i2c-dev cannot carry fails", configured, "", nullptr,
       {{"run-all"}, {"version-test"}, {"swb-test"}, {"smbus-test"}, {"trim-start"}, {"program"}}},
      {"kernel faults in the middle", configured, "", nullptr,
       {{"smbus-test", 0, ETIMEDOUT}, {"smbus-test"}, {"i2c-test", 0, ENXIO}, {"i2c-test"},
        {"fine", 0x40, EIO}, {"fine", 0x41}}},
      {"the trim firmware: the row read and its 33-byte write", trimReady, ",map=0x17:0x0C",
       startTrim, {{"trim-read"}, {"fine", 0x7A}, {"trim-update"}, {"trim-read"}}},
      {"the trim firmware without a bus address", trimReady, "", startTrim,
       {{"trim-read"}, {"trim-update"}}},
      {"an address a kernel driver owns", configured, "",
       [](FakeKernelBus& bus) { bus.claimed = {0x0B}; }, {{"smbus-test"}, {"i2c-test"}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome builtIn = RunActions(false, c.bench, c.options, c.steps, c.prepare);
    const Outcome bridged = RunActions(true, c.bench, c.options, c.steps, c.prepare);
    EXPECT_EQ(bridged.verdicts, builtIn.verdicts);
    EXPECT_EQ(bridged.kernel, builtIn.kernel);
    EXPECT_EQ(bridged.trace, builtIn.trace);
    EXPECT_FALSE(builtIn.kernel.empty());
  }
}

// What the cases above lean on: the 33-byte row went out as one message, and the faults and
// refusals really failed the actions.
TEST(BridgeDriver, TheCasesReachTheLongBlockAndTheirFailures) {
  const Outcome trim =
      RunActions(true, R"({"target": {"configured": true}, "controller": {"programmed": true}})",
                 ",map=0x17:0x0C", {{"trim-update"}},
                 [](FakeKernelBus& bus) { bus.Bench().SendSmbusCommand(0x08, 0x17); });
  EXPECT_EQ(trim.verdicts, (std::vector<bool>{true}));
  EXPECT_NE(std::find(trim.kernel.begin(), trim.kernel.end(), "RDWR 0x0C 35 bytes"),
            trim.kernel.end());
  const Outcome faults =
      RunActions(true, R"({"target": {"configured": true}})", "",
                 {{"smbus-test", 0, ETIMEDOUT}, {"smbus-test"}, {"version-test"}}, nullptr);
  EXPECT_EQ(faults.verdicts, (std::vector<bool>{false, true, false}));
}

// The bridge's own statuses lie in the drivers' range, so the status line says whose they are.
TEST(BridgeDriver, ItsStatusesAreItsOwnOrTheAdapters) {
  auto bus = std::make_shared<FakeKernelBus>(R"({"target": {"configured": true}})");
  Bridge seam(*bus);
  TestStation station(
      {.adapter = std::string("driver:") + BRIDGE_DRIVER + ",/dev/i2c-1", .i2cKernel = bus});
  struct Case {
    int error;
    int16_t status;
  };
  for (const Case& c :
       {Case{ETIMEDOUT, HALYARD_STATUS_DRIVER_FIRST + 16}, Case{ENXIO, HALYARD_STATUS_NO_DEVICE},
        Case{EPROTO, HALYARD_STATUS_DRIVER_FIRST + 19}}) {
    bus->failNext = c.error;
    ASSERT_TRUE(station.station().Perform(*FindAction("smbus-test")));
    const Reason& reason = station.station().LastResult().reason;
    EXPECT_EQ(reason.status, c.status) << c.error;
    EXPECT_FALSE(IsStationStatus(c.status));
    EXPECT_FALSE(reason.meaning.empty());
  }
}

}  // namespace
}  // namespace halyard::testing
