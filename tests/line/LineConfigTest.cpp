// The line's configuration, read from [Line] and the sockets' sections, the worker protocol's
// lines, and where a scan goes: every refusal names the key and the reason; a good line reads
// whole.
#include <gmock/gmock.h>

#include "line/LineConfig.h"
#include "line/Protocol.h"
#include "line/ScanRouting.h"

namespace halyard::line {
namespace {

using ::testing::HasSubstr;

bool Read(const std::string& text, LineConfig& line, std::string& error) {
  return ReadLineConfig(ProfileFile::Parse(text), "/lines/a/line.ini", line, error);
}

TEST(LineConfig, AGoodLineReadsWhole) {
  LineConfig line;
  std::string error;
  ASSERT_TRUE(
      Read("[Line]\nSockets=1  B-2\nSequence=program fine=200 trim-auto=store\n"
           "RetestLimit=2\nStepTimeoutSeconds=30\nCounter=scpi:tcp:10.0.0.7:5025\n"
           "[Socket 1]\nBench=benches/one.json\n"
           "[Socket B-2]\nAdapter=i2c:/dev/i2c-3\nCounter=scpi:tcp:10.0.0.8:5025\n",
           line, error))
      << error;
  ASSERT_EQ(line.sockets.size(), 2u);
  EXPECT_EQ(line.sockets[0].name, "1");
  EXPECT_EQ(line.sockets[0].bench, "/lines/a/benches/one.json") << "beside the configuration";
  EXPECT_EQ(line.sockets[0].counter, "scpi:tcp:10.0.0.7:5025");
  EXPECT_TRUE(line.sockets[0].counterShared);
  EXPECT_EQ(line.sockets[1].adapter, "i2c:/dev/i2c-3");
  EXPECT_EQ(line.sockets[1].counter, "scpi:tcp:10.0.0.8:5025");
  EXPECT_FALSE(line.sockets[1].counterShared) << "a counter of its own";
  ASSERT_EQ(line.sequence.size(), 3u);
  EXPECT_EQ(line.sequence[1].value, 200);
  EXPECT_EQ(line.retestLimit, 2);
  EXPECT_EQ(line.stepTimeoutSeconds, 30.0);
  // The bench's own counter is each socket's, never shared.
  ASSERT_TRUE(Read("[Line]\nSockets=1 2\nSequence=run-all\nCounter=sim\n", line, error));
  EXPECT_FALSE(line.sockets[0].counterShared);
  EXPECT_FALSE(line.retestLimit.has_value());
  EXPECT_EQ(line.stepTimeoutSeconds, kDefaultStepTimeoutSeconds);
}

TEST(LineConfig, EveryRefusalNamesTheKeyAndTheReason) {
  const std::pair<std::string, std::string> cases[] = {
      {"[Line]\nSequence=run-all\n", "[Line] Sockets=: name 1 to 64 sockets"},
      {"[Line]\nSockets=1 1\nSequence=run-all\n", "'1' is named twice"},
      {"[Line]\nSockets=1 a/b\nSequence=run-all\n", "'a/b' is no socket name"},
      {"[Line]\nSockets=1\n", "[Line] Sequence=: name the steps"},
      {"[Line]\nSockets=1\nSequence=run-all fly\n", "[Line] Sequence=: unknown step 'fly'"},
      {"[Line]\nSockets=1\nSequence=fine=300\n", "fine takes a whole number from 0 to 255"},
      {"[Line]\nSockets=1\nSequence=run-all serial=X\n", "'serial=X' is no action a socket runs"},
      {"[Line]\nSockets=1\nSequence=run-all\nRetestLimit=-1\n", "[Line] RetestLimit=-1"},
      {"[Line]\nSockets=1\nSequence=run-all\nRetestLimit=1.5\n", "RetestLimit=: a whole number"},
      {"[Line]\nSockets=1\nSequence=run-all\nStepTimeoutSeconds=0\n", "StepTimeoutSeconds=0"},
  };
  for (const auto& [text, reason] : cases) {
    SCOPED_TRACE(text);
    LineConfig line;
    std::string error;
    EXPECT_FALSE(Read(text, line, error));
    EXPECT_THAT(error, HasSubstr(reason));
  }
  EXPECT_FALSE(HasLine(ProfileFile::Parse("[Line]\nSequence=run-all\n")));
  EXPECT_TRUE(HasLine(ProfileFile::Parse("[Line]\nSockets=1\n")));
}

TEST(WorkerProtocol, LinesRoundTripAndAnythingElseIsRefused) {
  for (const UnitOrder& order :
       {UnitOrder{"HY-1 \"x\"", "w", {"program", "fine=3"}, {"a", "b"}, false},
        UnitOrder{"HY-2", "w2", {}, {}, true}}) {
    UnitOrder orderBack;
    std::string error;
    ASSERT_TRUE(ReadOrder(WriteOrder(order), orderBack, error)) << error;
    EXPECT_EQ(std::tie(orderBack.unit, orderBack.work, orderBack.steps, orderBack.ids,
                       orderBack.unfinished),
              std::tie(order.unit, order.work, order.steps, order.ids, order.unfinished));
  }
  UnitOrder orderBack;
  std::string error;
  for (const std::string bad :
       {"", "[]", R"({"unit":"U","work":"w","steps":["a"],"ids":[]})",
        R"({"unit":1,"work":"w","steps":[],"ids":[]})", R"({"unit":"U","steps":[],"ids":[]})",
        R"({"unit":"U","work":"w","steps":[],"ids":[],"unfinished":"yes"})"}) {
    EXPECT_FALSE(ReadOrder(bad, orderBack, error)) << bad;
  }
  for (const WorkerEvent::Kind kind :
       {WorkerEvent::Kind::kReady, WorkerEvent::Kind::kDown, WorkerEvent::Kind::kStepBegan,
        WorkerEvent::Kind::kStepEnded, WorkerEvent::Kind::kUnitEnded}) {
    WorkerEvent event;
    event.kind = kind;
    event.adapter = "sim HALYARD-SIM0";
    event.step = "run-all";
    event.verdict = "failed";
    event.reason = "SMBus Test failed: status 7";
    event.unit = "U";
    event.seconds = 1.5;
    WorkerEvent back;
    ASSERT_TRUE(ReadEvent(WriteEvent(event), back, error)) << error;
    EXPECT_EQ(back.kind, kind);
    EXPECT_EQ(WriteEvent(back), WriteEvent(event));
  }
  WorkerEvent back;
  EXPECT_FALSE(ReadEvent(R"({"event":"dance"})", back, error));
  EXPECT_FALSE(ReadEvent("stray output", back, error));
}

TEST(ScanRouting, APlainScanGoesToTheSocketWaitingAndAPrefixPicksOne) {
  using S = SocketState;
  std::vector<SocketView> sockets(4);
  const char* names[] = {"1", "2", "3", "4"};
  const S states[] = {S::kTesting, S::kReady, S::kReady, S::kDown};
  for (size_t i = 0; i < sockets.size(); ++i) {
    sockets[i].name = names[i];
    sockets[i].state = states[i];
  }
  sockets[1].queued = 1;  // socket 2 already has a unit waiting for it
  struct Case {
    std::string scan;
    std::optional<size_t> socket;  // none: refused
    std::string unitOrReason;
  };
  const Case cases[] = {
      {"HY-0021", 2, "HY-0021"},
      {"1:HY-0022", 0, "HY-0022"},  // a busy socket takes it after its unit
      {"9:HY-0023", std::nullopt, "no socket '9'"},
      {"3:", std::nullopt, "holds no unit"},
      {"", std::nullopt, "holds no unit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scan);
    RoutedScan routed;
    std::string reason;
    EXPECT_EQ(RouteScan(sockets, c.scan, routed, reason), c.socket.has_value());
    if (c.socket) {
      EXPECT_EQ(routed.socket, *c.socket);
      EXPECT_EQ(routed.unit, c.unitOrReason);
    } else {
      EXPECT_THAT(reason, HasSubstr(c.unitOrReason));
    }
  }
  sockets[2].state = S::kTesting;
  RoutedScan routed;
  std::string reason;
  EXPECT_FALSE(RouteScan(sockets, "HY-0024", routed, reason));
  EXPECT_THAT(reason, HasSubstr("no socket is waiting"));
}

TEST(LineTally, AUnitCountsOnceAndPassesFirstOnlyByItsFirstRun) {
  LineTally tally;
  EXPECT_EQ(tally.FirstPassYield(), 0.0);
  for (const auto& [unit, verdict] :
       std::vector<std::pair<std::string, std::string>>{{"U1", "failed"},
                                                        {"U1", "passed"},
                                                        {"U2", "passed"},
                                                        {"U3", "passed"},
                                                        {"U4", "failed"}})
    tally.Add({"1", unit, verdict, "", {}, 1.0});
  EXPECT_EQ(tally.Units(), 4u);
  EXPECT_EQ(tally.Runs(), 5u);
  EXPECT_EQ(tally.FirstPassYield(), 0.5);
  EXPECT_EQ(tally.RunsPerHour(0.5), 10.0);
}

}  // namespace
}  // namespace halyard::line
