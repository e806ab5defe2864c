// A trim is never stored from readings the station cannot trust: a counter that sends lines
// nobody asked for (its answers then belong to other queries), or whose readings are nowhere
// near the target, fails the search with the reason, and byte 30 and the bus stay as they were.
// Its answers here are on the target itself, so a station that took them on trust would pass and
// store.
#include <gmock/gmock.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/Halyardctl.h"
#include "counter/ScpiCounter.h"
#include "support/ScpiTestServer.h"
#include "support/TestStation.h"

namespace halyard {
namespace {

using namespace std::chrono_literals;
using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::ScpiReply;
using testing::ScpiTestServer;

constexpr const char* kCounterIdentity = "ACME,CNT-91,12345,1.2";

struct UntrustedCounter {
  const char* name;
  ScpiReply reading;  // the answer to each MEAS:FREQ?
  const char* said;   // in the failed verdict
};

const std::vector<UntrustedCounter>& UntrustedCounters() {
  static const std::vector<UntrustedCounter> counters{
      {"a line nobody asked for in each answer's write",
       {"32768.0", 0ms, false, "32768.0"},
       "line out of turn"},
      {"a line nobody asked for shortly after each answer",
       {"32768.0", 0ms, false, "32768.0", 20ms},
       "line out of turn"},
      {"readings of another input", {"1000.0"}, "implausible reading 1000.000 Hz"},
      {"readings in kilohertz", {"32.768"}, "implausible reading 32.768 Hz"},
  };
  return counters;
}

ScpiTestServer::Handler Answering(const ScpiReply& reading) {
  return [reading](const std::string& query) {
    return query == kScpiIdentify ? ScpiReply{kCounterIdentity} : reading;
  };
}

TEST(CounterTrust, NoTrimIsStoredFromReadingsTheStationCannotTrust) {
  for (const UntrustedCounter& c : UntrustedCounters()) {
    SCOPED_TRACE(c.name);
    ScpiTestServer server(Answering(c.reading));
    testing::TestStation station(
        {.ini = testing::DefaultIni() + "[Trim]\nCounter=" + server.CounterLine() + "\n"});
    station.form().StartTrim_Click();
    const uint8_t before = (*station.sim().Row(kReservedRowAddress))[kTrimByteIndex];
    station.TakeTrace();
    AutoTrim& trimmer = station.station().AutoTrimmer();
    trimmer.Run(true);
    EXPECT_FALSE(trimmer.Verdict().Passed());
    EXPECT_THAT(trimmer.Verdict().Reason(), AllOf(HasSubstr(c.said), HasSubstr("nothing stored")));
    EXPECT_FALSE(trimmer.Report().storedTrimByte.has_value());
    EXPECT_EQ((*station.sim().Row(kReservedRowAddress))[kTrimByteIndex], before);
    EXPECT_THAT(station.TakeTrace(), Each(Not(HasSubstr("WriteSmbusBlock"))));
  }
}

// The same from halyardctl: `trim-auto=store` fails with the reason, exit status 1, and its record
// holds no stored byte.
TEST(CounterTrust, TrimAutoStoreFailsWithTheReason) {
  const UntrustedCounter& c = UntrustedCounters()[1];
  ScpiTestServer server(Answering(c.reading));
  const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) /
                                    ("halyard-counter-trust-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "station.ini") << testing::DefaultIni();
  std::ostringstream out, err;
  const int code =
      cli::HalyardctlMain({"--no-wait", "--config", (dir / "station.ini").string(), "--counter",
                           server.CounterLine(), "--json", "trim-start", "trim-auto=store"},
                          dir, out, err);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(code, cli::kExitFailed) << err.str();
  std::istringstream lines(out.str());
  std::vector<nlohmann::json> steps;
  for (std::string line; std::getline(lines, line);)
    steps.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(steps.size(), 4u) << out.str();
  EXPECT_EQ(steps[2]["verdict"], "failed");
  EXPECT_THAT(steps[2]["reason"].get<std::string>(), HasSubstr(c.said));
  EXPECT_TRUE(steps[2]["auto_trim"]["stored_trim_byte"].is_null());
}

}  // namespace
}  // namespace halyard
