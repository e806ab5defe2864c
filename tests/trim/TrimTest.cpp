// The Trim tab, mostly on the simulated bench: golden traces, fault sweeps over "Start" and
// "Update Trim", the trim byte, and the block read's guard against a foreign array.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/Golden.h"
#include "support/TestStation.h"

namespace halyard::testing {
namespace {

using namespace ::testing;

// The trim firmware running, location 0x0000 seeded with `location` (0xA5: bit 3 clear).
void Start(TestStation& s, uint8_t location = 0xA5) {
  s.form().StartTrim_Click();
  ASSERT_TRUE(s.dialogs.messages.empty() && s.sim().TrimRunning());
  s.sim().ControllerMemory()[0x0000] = location;
  s.TakeTrace();
}

// Compared with tests/trim/golden/<name>.txt, the checkout's folder written as <source>.
TEST(TrimOnBench, GoldenTracesOfStartReadAndUpdate) {
  for (const std::string name : {"start", "read", "update", "update-auto"}) {
    SCOPED_TRACE(name);
    TestStation b({.bench = name != "read" ? "{}" : R"({"controller": {"reserved_row":
        "E0E1E2E3E4E5E6E7E8E9EAEBECEDEEEFF0F1F2F3F4F5F6F7F8F9FAFBFCFD05FF"}})"});
    if (name == "start") {
      b.form().StartTrim_Click();
    } else {
      Start(b);
    }
    if (name == "read") b.form().RsvFlashRd_Click();
    EXPECT_TRUE(name != "read" || b.controls().ReservedRow.Text == "F8F9FAFBFCFD05FF");
    if (name.starts_with("update")) {
      b.form().MoveFineAdjust(name == "update" ? 0x70 : 0x80);
      b.form().SetAutoUpdate(name == "update" ? 0 : 1);
      b.TakeTrace();
      b.form().Update_Click();
    }
    // Each pause follows a write to the controller's flash: bit 3 set, the 0x11 word, the block.
    EXPECT_NEAR(b.pump.WaitedSeconds(), name.starts_with("update") ? 0.9 : 0.0, 1e-6);
    EXPECT_TRUE(b.dialogs.messages.empty());
    ExpectGolden(WithSourcePlaceholder(b.TakeTrace()), "trim/golden/" + name + ".txt");
  }
}

TEST(StartOnBench, EachFailingCallAndEachRejectedVersionGivesItsMessages) {
  // Silicon version, the call that fails (in the order of the golden start trace), the messages.
  std::vector<std::tuple<std::string, int, std::vector<std::string>>> cases{
      {"1.4", 1, {"Could not determine if Halyard controller is in ROM"}},
      {"1.4", 2, {"Programming the gxTrim srec into the Halyard controller failed"}},
      {"1.4", 3, {"Error sending command 8", "Could not start the controller trim program"}},
      {"1.4", 4, {"Transaction to set midrange osc trim value failed"}},
      {"1.4", 5, {"Transaction to set midrange osc trim value failed"}},
      {"1.4", 6, {}},
      {"1.4", 7, {}},
      {"1.5", 0, {}}};  // 1.4 without a fault: the golden start
  for (const std::string v : {"1.3", "1.6", "0.4", "2.5", "1.10"})
    cases.push_back({v, 0, {"Detected the wrong platform.  Reported Silicon version: " + v}});
  for (const auto& [version, call, prompts] : cases) {
    for (const std::string status : {"-1", "9"}) {
      SCOPED_TRACE(version + " call " + std::to_string(call) + " status " + status);
      TestStation b({.bench = R"({"controller": {"silicon_version": ")" + version + R"("}})"});
      if (call > 0)
        b.Rule(R"({"op": "*", "status": )" + status + ", \"nth\": " + std::to_string(call) + "}");
      b.form().StartTrim_Click();
      const size_t calls = b.TakeTrace().size();
      std::vector<RecordedMessage> expected;
      for (const std::string& prompt : prompts)
        expected.push_back({prompt, 0, "Error"});
      EXPECT_EQ(b.dialogs.messages, expected);
      EXPECT_TRUE(call > 0 || b.sim().TrimRunning() == prompts.empty());
      // A reported failure ends the start at the failed call.
      EXPECT_TRUE(call == 0 || prompts.empty() || calls == size_t(call));
    }
  }
}

// Whatever call fails and whatever row is read, the stored row is the old one or exactly the
// intended one, location 0x0000 ends with bit 3 clear and the rest as seeded (the seed has bit 3
// set, as an earlier update left open may leave it), and the image is reprogrammed, last, only
// after a successful closing write with AutoUpdate 1.
TEST(UpdateOnBench, EveryFailingCallAndRowLengthLeavesRowAndLocationSound) {
  // A rule ("": none); the bytes of the row it reads (-1: not scripted, -2: no fault); the bar
  // moved, to what, and byte 30 then.
  std::vector<std::tuple<std::string, int, bool, int16_t, uint8_t>> cases{
      // Byte 30 holds the trim shown: "80" at 0x7F, one fine step up, one gross step down, "F".
      {"", -2, true, 0x7F, 0x80},
      {"", -2, true, 0x81, 0x7E},
      {"", -2, false, 0x78, 0x87},
      {"", -2, true, 240, 0x0F}};
  for (int k = 1; k <= 13; ++k) {  // the calls of the golden update-auto trace
    for (const std::string status : {"-1", "6"})
      cases.push_back({R"({"op":"*","nth":)" + std::to_string(k) + R"(,"status":)" + status + "}",
                       -1, true, 0x70, 0x8F});
  }
  for (const int n : {0, 31, 32, 33, 129}) {
    std::ostringstream data;  // the row read hands back 0x60, 0x61, ...
    for (int i = 0; i < n; ++i)
      data << std::hex << 0x60 + i << ' ';
    cases.push_back({R"({"op": "ReadSmbusBlock", "outputs": {"data": ")" + data.str() + "\"}}", n,
                     true, 0x70, 0x8F});
  }
  for (const auto& [rule, n, fine, value, stored] : cases) {
    for (const int16_t autoUpdate : {0, 1, 2}) {
      SCOPED_TRACE(rule + " auto " + std::to_string(autoUpdate));
      TestStation b;
      Start(b, 0xAD);
      fine ? b.form().MoveFineAdjust(value) : b.form().MoveGrossAdjust(value);
      b.form().SetAutoUpdate(autoUpdate);
      b.TakeTrace();
      const FlashRow before = *b.sim().Row(kReservedRowAddress);
      FlashRow intended = before;
      if (n == 32) std::iota(intended.begin(), intended.end(), uint8_t{0x60});
      if (n < 0 || n == 32) intended[kTrimByteIndex] = stored;
      if (!rule.empty()) b.Rule(rule);
      b.form().Update_Click();
      const std::vector<std::string> lines = b.TakeTrace();

      const FlashRow after = *b.sim().Row(kReservedRowAddress);
      // A row read of another length is never written.
      EXPECT_TRUE(after == intended || (n == -1 && after == before));
      EXPECT_EQ(b.sim().ControllerMemory()[0x0000], 0xA5);
      // The box shows a row written, ending with byte 30, byte 31 and the 0x0F that followed.
      const std::string& box = b.controls().ReservedRow.Text;
      EXPECT_EQ(box.empty() ? -1 : std::stoi(box.substr(10, 2), nullptr, 16),
                after == intended && (after != before || n == -2) ? stored : -1);
      std::string closing;  // the last write of the controller's location
      for (const std::string& line : lines)
        if (line.starts_with("WriteSmbusWord command=0x0A")) closing = line;
      const bool due = autoUpdate == 1 && closing.ends_with("word=0x00A5 device=0x16 -> 0");
      EXPECT_EQ(std::ranges::count_if(lines, [](auto& l) { return l.starts_with("ProgramSrec"); }),
                due ? 1 : 0);
      EXPECT_EQ(lines.back().starts_with("ProgramSrec"), due);
      // The update's own failures are silent but for the row address.
      for (const RecordedMessage& m : b.dialogs.messages)
        EXPECT_TRUE(m.title == "Programming Error" || m.prompt == "Error writing word 9")
            << m.prompt;
    }
  }
}

// A failed block write still gets its pause before the closing write; a closing write that
// fails twice after the update set bit 3 leaves the flash open, and that is said, never
// reprogrammed over. An update that never set the bit (its reads of the location fail for good)
// leaves nothing open: it says nothing of the flash, keeps the location and reprograms as asked.
TEST(UpdateOnBench, AFailedBlockWritePausesAndAFlashLeftOpenIsReported) {
  const RecordedMessage leftOpen{
      "The controller's flash is still write-enabled: clearing bit 3 of location 0x0000 failed "
      "twice. Press \"Update Trim\" again, or reprogram the controller.",
      0, "Error"};
  struct Case {
    const char* what;
    std::string rule;
    bool flashOpen;
    double waited;        // seconds of the update's pauses
    size_t programmings;  // the trim firmware's, and the reprogramming when it came
    const char* reason;
  };
  const Case cases[] = {
      {"block write fails", R"({"op": "WriteSmbusBlock", "status": 5})", false, 0.9, 2,
       "writing the reserved row: status 5"},
      // The location's address is written by the read, by the enabling write, then by each
      // closing attempt.
      {"both closing writes fail",
       R"({"op": "WriteSmbusWord", "match": {"command": "0x09", "word": "0x0000"}, "nth": 3,
           "count": 2, "status": 7})",
       true, 0.9, 1, leftOpen.prompt.c_str()},
      {"every read of the location fails",
       R"({"op": "ReadSmbusWord", "match": {"command": "0x0B"}, "count": -1, "status": 5})", false,
       0.0, 2, "reading flash write enable: status 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestStation b;
    Start(b, c.flashOpen ? 0xA5 : 0xAD);  // bit 3 left set by an earlier update stays as found
    b.form().SetAutoUpdate(1);
    b.Rule(c.rule);
    const double before = b.pump.WaitedSeconds();
    b.form().Update_Click();
    EXPECT_NEAR(b.pump.WaitedSeconds() - before, c.waited, 1e-6);
    EXPECT_EQ(b.dialogs.messages, std::vector(c.flashOpen ? 1 : 0, leftOpen));
    if (c.flashOpen) {
      EXPECT_NE(b.sim().ControllerMemory()[0x0000] & 0x08, 0);
    } else if (c.waited == 0.0) {
      EXPECT_EQ(b.sim().ControllerMemory()[0x0000], 0xAD);
    } else {
      EXPECT_EQ(b.sim().ControllerMemory()[0x0000], 0xA5);
    }
    EXPECT_EQ(b.sim().Programmings().size(), c.programmings);
    EXPECT_FALSE(b.form().Verdict().Passed());
    EXPECT_EQ(b.form().Verdict().Reason(), c.reason);
  }
}

// A count beyond the array the control handed back (the station hands it 129 elements) is
// refused, and the box shows nothing.
TEST(ReadTrimOnBench, CountsBeyondTheReturnedArrayAreRefused) {
  for (const int16_t count : {129, 130}) {
    TestStation b;
    Start(b);
    b.Rule(R"({"op": "ReadSmbusBlock", "outputs": {"count": )" + std::to_string(count) + "}}");
    b.form().RsvFlashRd_Click();
    EXPECT_EQ(b.controls().ReservedRow.Text.size(), count > 129 ? 0u : 16u);
  }
}

}  // namespace
}  // namespace halyard::testing
