// The Trim tab on the simulated bench: fault sweeps over "Start" and "Update Trim", rows of
// every length, the trim byte, golden transaction traces, and the window ignoring other
// operations while the update waits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapter/TracingAdapter.h"
#include "app/Form1.h"
#include "sim/SimulatedAdapter.h"
#include "support/TestServices.h"
#include "trim/PanelHarness.h"

namespace halyard::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Trace lines with the checkout's folder replaced, so committed traces hold on any machine.
std::vector<std::string> Portable(std::vector<std::string> lines) {
  const std::string dir = SourceDir().string();
  for (std::string& line : lines) {
    for (size_t at = line.find(dir); at != std::string::npos; at = line.find(dir))
      line.replace(at, dir.size(), "<source>");
  }
  return lines;
}

// Compares with tests/trim/golden/<name>; HALYARD_UPDATE_GOLDEN=1 writes the file instead, to
// be reviewed before it is committed.
void ExpectGoldenTrace(const std::vector<std::string>& lines, const std::string& name) {
  const std::filesystem::path path = SourceDir() / "tests" / "trim" / "golden" / name;
  const char* update = std::getenv("HALYARD_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines)
      out << line << '\n';
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << "missing " << path;
  std::vector<std::string> expected;
  for (std::string line; std::getline(in, line);)
    expected.push_back(line);
  EXPECT_EQ(lines, expected) << "trace differs from " << path;
}

// The nth call of `op` (any operation when not given) answers `status` in the device's place.
BenchRule FailCall(int64_t nth, int16_t status, std::optional<Operation> op = std::nullopt) {
  BenchRule rule;
  rule.op = op;
  rule.nth = nth;
  rule.status = status;
  return rule;
}

// A block read of the row that answers `bytes` in the device's place.
BenchRule RowReply(const std::vector<uint8_t>& bytes) {
  BenchRule rule = FailCall(1, 0, Operation::kReadSmbusBlock);
  rule.match.command = 0x0C;
  rule.outputs.data = bytes;
  return rule;
}

RecordedMessage Error(const std::string& prompt) {
  return {prompt, 0, "Error"};
}

FlashRow WithTrim(FlashRow row, uint8_t trim) {
  row[kTrimByteIndex] = trim;
  return row;
}

// ---- Start ----

TEST(StartOnBench, StartsTheTrimFirmwareAtMidrange) {
  Bench b;
  b.h.trim.StartTrim_Click();
  EXPECT_THAT(b.h.dialogs.messages, IsEmpty());
  ExpectGoldenTrace(Portable(b.trace.TakeLines()), "start.txt");
}

TEST(StartOnBench, EachFailingCallGivesTheMessagesOfItsStep) {
  Bench clean;
  clean.h.trim.StartTrim_Click();
  const std::vector<std::string> calls = clean.trace.TakeLines();
  ASSERT_EQ(calls.size(), 7u);

  for (size_t k = 1; k <= calls.size(); ++k) {
    for (const int16_t status : {int16_t{-1}, int16_t{9}}) {
      const std::string& failed = calls[k - 1];
      SCOPED_TRACE("call " + std::to_string(k) + ": " + failed + " status " +
                   std::to_string(status));
      Bench b;
      b.sim->AddRule(FailCall(static_cast<int64_t>(k), status));
      b.h.trim.StartTrim_Click();
      std::vector<RecordedMessage> expected;
      if (failed.starts_with("ReadSmbusWord")) {
        expected = {Error("Could not determine if Halyard controller is in ROM")};
      }
      if (failed.starts_with("ProgramSrec")) {
        expected = {Error("Programming the gxTrim srec into the Halyard controller failed")};
      }
      if (failed.starts_with("SendSmbusCommand")) {
        expected = {Error("Error sending command 8"),
                    Error("Could not start the controller trim program")};
      }
      if (failed.find("word=0x5001") != std::string::npos ||
          failed.find("word=0x0080") != std::string::npos) {
        expected = {Error("Transaction to set midrange osc trim value failed")};
      }
      EXPECT_EQ(b.h.dialogs.messages, expected);
      // A reported failure ends the start at the failed call.
      if (!expected.empty()) {
        EXPECT_EQ(b.trace.Lines().size(), k);
      }
      EXPECT_EQ(b.h.controls.CurrentTrim.Caption, "80");
    }
  }
}

TEST(StartOnBench, MovedBarsComeBackFirstAndOnlyVersions14And15Start) {
  const std::string address = "WriteSmbusWord command=0x09 word=0x5001 device=0x16 -> 0";
  const std::string midrange = "WriteSmbusWord command=0x0A word=0x0080 device=0x16 -> 0";
  for (const std::string version : {"1.4", "1.5", "1.3", "1.6", "0.4", "2.5", "1.10"}) {
    SCOPED_TRACE(version);
    const bool accepted = version == "1.4" || version == "1.5";
    Bench b(R"({"controller": {"silicon_version": ")" + version + R"("}})");
    b.h.trim.SetFineAdjustValue(0x30);
    b.trace.TakeLines();
    b.h.trim.StartTrim_Click();
    const std::vector<std::string> lines = b.trace.TakeLines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.begin() + 4),
                ElementsAre(address, midrange, address, midrange));
    EXPECT_TRUE(lines[4].starts_with("ReadSmbusWord command=0x0D")) << lines[4];
    EXPECT_EQ(b.h.controls.GrossAdjust.Value, 0x80);
    EXPECT_EQ(b.h.controls.CurrentTrim.Caption, "80");
    EXPECT_EQ(b.sim->TrimRunning(), accepted);
    EXPECT_EQ(b.h.dialogs.messages,
              accepted
                  ? std::vector<RecordedMessage>{}
                  : std::vector{Error("Detected the wrong platform.  Reported Silicon version: " +
                                      version)});
  }
}

// ---- Read Trim and the row routines ----

TEST(ReadTrimOnBench, ShowsTheStoredRowsLastEightBytes) {
  Bench b;
  b.Start();
  FlashRow row{};
  for (size_t i = 0; i < row.size(); ++i)
    row[i] = static_cast<uint8_t>(0xE0 + i);
  row[30] = 0x05;
  b.sim->SetRow(kReservedRowAddress, row);
  b.h.trim.RsvFlashRd_Click();
  EXPECT_EQ(b.h.controls.ReservedRow.Text, "F8F9FAFBFCFD05FF");
  ExpectGoldenTrace(b.trace.TakeLines(), "read.txt");
}

TEST(ReadTrimOnBench, ShorterBlocksShowAllTheirDigitsAndFailuresClearTheBox) {
  struct Case {
    std::string what;
    BenchRule rule;
    std::string shown;
    std::vector<RecordedMessage> messages;
  };
  const std::vector<Case> cases{
      {"three bytes", RowReply({0x0B, 0xC0, 0x01}), "0BC001", {}},
      {"empty block", RowReply({}), "", {}},
      {"failed read", FailCall(2, -1), "", {}},
      {"failed address", FailCall(1, 6), "", {Error("Error writing word 9")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bench b;
    b.Start();
    b.h.controls.ReservedRow.Text = "1122";
    b.sim->AddRule(c.rule);
    b.h.trim.RsvFlashRd_Click();
    EXPECT_EQ(b.h.controls.ReservedRow.Text, c.shown);
    EXPECT_EQ(b.h.dialogs.messages, c.messages);
  }
}

TEST(RowRoutinesOnBench, FailuresNameTheCommandInDecimal) {
  Bench b;
  b.sim->AddRule(FailCall(1, 6));
  b.sim->AddRule(FailCall(2, -1));
  EXPECT_EQ(b.h.trim.WriteWordHex("11", "17", "F"), 6);
  EXPECT_EQ(b.h.trim.SendCommandHex("1A", "17"), -1);
  EXPECT_THAT(b.h.dialogs.messages,
              ElementsAre(Error("Error writing word 17"), Error("Error sending command 26")));
}

// ---- Update Trim ----

TEST(UpdateOnBench, GoldenUpdatesWithAndWithoutReprogramming) {
  struct Case {
    int16_t autoUpdate, fine;
    std::string golden;
  };
  for (const Case& c : {Case{0, 0x70, "update.txt"}, Case{1, 0x80, "update-auto.txt"}}) {
    SCOPED_TRACE(c.golden);
    Bench b;
    b.Start();
    b.h.trim.SetFineAdjustValue(c.fine);
    b.h.controls.AutoUpdate.Value = c.autoUpdate;
    b.trace.TakeLines();
    std::vector<size_t> callsBeforeWait;
    b.h.pump.duringWait = [&] { callsBeforeWait.push_back(b.trace.Lines().size()); };
    b.h.trim.Update_Click();
    // The pauses follow the location's bit 3 set, the 0x11 word and the block write.
    EXPECT_THAT(callsBeforeWait, ElementsAre(8u, 9u, 10u));
    EXPECT_NEAR(b.h.pump.WaitedSeconds(), 0.9, 1e-6);
    EXPECT_THAT(b.h.dialogs.messages, IsEmpty());
    ExpectGoldenTrace(Portable(b.trace.TakeLines()), c.golden);
  }
}

TEST(UpdateOnBench, Byte30HoldsTheShownTrimAndSurvivesAnotherStart) {
  struct Case {
    bool fine;
    int16_t value;
    uint8_t stored;
  };
  // 0x7F still shows 80; 240 shows "F", stored as 0x0F; one gross step up shows 87.
  const std::vector<Case> cases{
      {true, 0x7F, 0x80}, {true, 0x81, 0x7E}, {true, 240, 0x0F}, {false, 0x78, 0x87}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Bench b;
    b.Start();
    const FlashRow before = b.ReservedRow();
    c.fine ? b.h.trim.SetFineAdjustValue(c.value) : b.h.trim.SetGrossAdjustValue(c.value);
    b.h.trim.Update_Click();
    EXPECT_EQ(b.ReservedRow(), WithTrim(before, c.stored));
    // The box ends with byte 30, byte 31 and the 0x0F that followed the row.
    char tail[8];
    std::snprintf(tail, sizeof tail, "%02X%02X0F", c.stored, before[31]);
    EXPECT_EQ(b.h.controls.ReservedRow.Text.substr(10), tail);
    b.h.trim.StartTrim_Click();
    b.h.trim.RsvFlashRd_Click();
    EXPECT_EQ(b.h.controls.ReservedRow.Text.substr(12, 2), std::string(tail, 2));
  }
}

// What every update must leave behind, whatever failed: the stored row is the old one or
// exactly the new one, location 0x0000 as seeded (bit 3 clear, the rest untouched), and a
// reprogramming only after a successful closing write with AutoUpdate checked.
void ExpectSoundOutcome(const Bench& b, const FlashRow& before, const FlashRow& intended,
                        int16_t autoUpdate) {
  const FlashRow after = b.ReservedRow();
  EXPECT_TRUE(after == before || after == intended);
  EXPECT_EQ(b.sim->ControllerMemory()[0x0000], 0xA5);
  EXPECT_EQ(b.h.controls.ReservedRow.Text.empty(), after != intended || after == before);

  const std::vector<std::string>& lines = b.trace.Lines();
  std::optional<std::string> lastValueWrite;
  for (const std::string& line : lines) {
    if (line.starts_with("WriteSmbusWord command=0x0A") &&
        line.find("device=0x16") != std::string::npos) {
      lastValueWrite = line;
    }
  }
  const bool closedOk =
      lastValueWrite == "WriteSmbusWord command=0x0A word=0x00A5 device=0x16 -> 0";
  // The reprogramming is tried (it may itself fail) exactly when it is due, and last.
  const bool reprogrammed = b.Called("ProgramSrec");
  EXPECT_EQ(reprogrammed, closedOk && autoUpdate == 1);
  EXPECT_TRUE(!reprogrammed || lines.back().starts_with("ProgramSrec"));
  // The update's own failures are silent but for the row address; the programming reports its
  // own.
  for (const RecordedMessage& m : b.h.dialogs.messages) {
    EXPECT_TRUE(m.title == "Programming Error" || m == Error("Error writing word 9")) << m.prompt;
  }
}

TEST(UpdateOnBench, EachFailingCallLeavesRowAndLocationSound) {
  Bench clean;
  clean.Start();
  clean.h.controls.AutoUpdate.Value = 1;
  clean.h.trim.Update_Click();
  const size_t calls = clean.trace.Lines().size();
  // Row address, row read, 0x0F00 and its check, the location read (2), set (2), 0x11, the
  // block, the location cleared (2), the reprogramming.
  ASSERT_EQ(calls, 13u);

  for (size_t k = 1; k <= calls; ++k) {
    for (const int16_t status : {int16_t{-1}, int16_t{6}}) {
      for (const int16_t autoUpdate : {int16_t{0}, int16_t{1}, int16_t{2}}) {
        SCOPED_TRACE("call " + std::to_string(k) + " status " + std::to_string(status) + " auto " +
                     std::to_string(autoUpdate));
        Bench b;
        b.Start();
        b.h.trim.SetFineAdjustValue(0x70);
        b.trace.TakeLines();
        b.h.controls.AutoUpdate.Value = autoUpdate;
        const FlashRow before = b.ReservedRow();
        b.sim->AddRule(FailCall(static_cast<int64_t>(k), status));
        b.h.trim.Update_Click();
        ExpectSoundOutcome(b, before, WithTrim(before, 0x8F), autoUpdate);
      }
    }
  }
}

TEST(UpdateOnBench, OnlyARowOfExactly32BytesIsWritten) {
  for (const size_t n : {0u, 31u, 32u, 33u, 129u}) {
    for (const int16_t autoUpdate : {int16_t{0}, int16_t{1}}) {
      SCOPED_TRACE(std::to_string(n) + " bytes, auto " + std::to_string(autoUpdate));
      Bench b;
      b.Start();
      b.h.controls.AutoUpdate.Value = autoUpdate;
      const FlashRow before = b.ReservedRow();
      std::vector<uint8_t> read(n);
      for (size_t i = 0; i < n; ++i)
        read[i] = static_cast<uint8_t>(0x60 + i);
      b.sim->AddRule(RowReply(read));
      b.h.trim.Update_Click();

      FlashRow intended = before;
      if (n == 32) {
        std::copy(read.begin(), read.end(), intended.begin());
        intended[kTrimByteIndex] = 0x80;
      }
      EXPECT_EQ(b.ReservedRow(), intended);
      ExpectSoundOutcome(b, before, intended, autoUpdate);
      EXPECT_EQ(b.Called("WriteSmbusBlock"), n == 32);
      EXPECT_EQ(b.Called("WriteSmbusWord command=0x11"), n == 32);
    }
  }
}

TEST(UpdateOnBench, LocationIsClearedOnlyFromAValueReadFromIt) {
  BenchRule unreadable = FailCall(1, -1, Operation::kReadSmbusWord);
  unreadable.times = -1;
  BenchRule unclosable = FailCall(1, 4, Operation::kWriteSmbusWord);
  unclosable.match.command = 0x0A;
  unclosable.match.word = 0x00A5;
  unclosable.times = -1;
  struct Case {
    std::string what;
    uint8_t seeded;
    BenchRule rule;
    uint8_t location;
    bool rowWritten, reprogrammed;
  };
  const std::vector<Case> cases{
      {"bit 3 set beforehand, the row address fails", 0xFF, FailCall(1, -1), 0xF7, false, true},
      {"the location never answers", 0xA5, unreadable, 0xA5, false, false},
      {"both closing writes fail", 0xA5, unclosable, 0xAD, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bench b;
    b.Start(c.seeded);
    b.h.controls.AutoUpdate.Value = 1;
    const FlashRow before = b.ReservedRow();
    b.sim->AddRule(c.rule);
    b.h.trim.Update_Click();
    EXPECT_EQ(b.sim->ControllerMemory()[0x0000], c.location);
    EXPECT_EQ(b.ReservedRow(), c.rowWritten ? WithTrim(before, 0x80) : before);
    EXPECT_EQ(b.Called("ProgramSrec"), c.reprogrammed);
  }
}

// ---- The window while the update waits ----

TEST(UpdateInWindow, NoOtherOperationReachesTheAdapterDuringTheWaits) {
  auto sim = Bench::Make("{}");
  TracingAdapter trace(*sim);
  RecordingDialogs dialogs;
  FakeEventPump pump;
  AppInfo info;
  info.programPath = "/nonexistent/halyard-station";
  Form1 form(trace, dialogs, pump, info);
  form.Form_Load();
  form.SetTrimFilePathAndName(Image("gxTrim.srec"));
  form.SetSrecName(Image("halyard-fw.srec"));
  ASSERT_TRUE(form.StartTrim_Click());
  ASSERT_TRUE(sim->TrimRunning());
  form.SetAutoUpdate(1);

  int waits = 0;
  std::vector<bool> taken;
  std::vector<std::string> reachedDuringWait;
  pump.duringWait = [&] {
    ++waits;
    const size_t before = trace.Lines().size();
    taken.push_back(form.MoveFineAdjust(10));
    taken.push_back(form.MoveGrossAdjust(200));
    taken.push_back(form.StartTrim_Click());
    taken.push_back(form.RsvFlashRd_Click());
    taken.push_back(form.Update_Click());
    taken.push_back(form.Program_Click());
    taken.push_back(form.Command1_Click());
    taken.push_back(form.Command2_Click(4));
    const std::vector<std::string>& lines = trace.Lines();
    reachedDuringWait.insert(reachedDuringWait.end(), lines.begin() + static_cast<long>(before),
                             lines.end());
  };
  ASSERT_TRUE(form.Update_Click());
  EXPECT_EQ(waits, 3);
  EXPECT_EQ(taken, std::vector<bool>(taken.size(), false));
  EXPECT_THAT(reachedDuringWait, IsEmpty());
  EXPECT_EQ(form.Controls().FineAdjust.Value, 0x80);
  EXPECT_EQ(form.Controls().ReservedRow.Text.size(), 16u);
  EXPECT_EQ(form.State().ProgramPassCount, 1);
  EXPECT_EQ(sim->Row(kReservedRowAddress)->at(kTrimByteIndex), 0x80);
  // Once the update is over, the operator is heard again.
  pump.duringWait = nullptr;
  EXPECT_TRUE(form.MoveFineAdjust(10));
  EXPECT_EQ(form.Controls().CurrentTrim.Caption, "F5");
}

}  // namespace
}  // namespace halyard::testing
