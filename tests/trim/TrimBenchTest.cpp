// The Trim tab on the simulated bench: fault sweeps over "Start" and "Update Trim", rows of
// every length, golden transaction traces, and the window ignoring other operations while the
// update waits.
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

std::filesystem::path SourceDir() {
  const char* dir = std::getenv("HALYARD_SOURCE_DIR");
  // Run by hand, without ctest's environment: the checkout this file lies in.
  return dir ? std::filesystem::path(dir)
             : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}
std::string TrimImage() {
  return (SourceDir() / "firmware" / "gxTrim.srec").string();
}
std::string FirmwareImage() {
  return (SourceDir() / "firmware" / "halyard-fw.srec").string();
}

// Trace lines with the checkout's folder replaced, so committed traces hold on any machine.
std::vector<std::string> Portable(std::vector<std::string> lines) {
  const std::string dir = SourceDir().string();
  for (std::string& line : lines) {
    for (size_t at = line.find(dir); at != std::string::npos; at = line.find(dir)) {
      line.replace(at, dir.size(), "<source>");
    }
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

BenchRule FailCall(int64_t nth, int16_t status) {
  BenchRule rule;
  rule.nth = nth;
  rule.times = 1;
  rule.status = status;
  return rule;
}

// A block read of the row that answers `bytes` in the device's place.
BenchRule RowReply(const std::vector<uint8_t>& bytes) {
  BenchRule rule;
  rule.op = Operation::kReadSmbusBlock;
  rule.match.command = 0x0C;
  rule.times = 1;
  rule.outputs.data = bytes;
  rule.outputs.count = static_cast<int32_t>(bytes.size());
  return rule;
}

// The default bench, opened, with the panels on a trace of it.
struct Bench {
  explicit Bench(const std::string& json = "{}") : sim(Make(json)), trace(*sim), h(trace) {
    sim->OpenDevice("HALYARD-SIM0");
    h.controls.TrimFilePathAndName.Text = TrimImage();
    h.controls.SREC_Name.Text = FirmwareImage();
    trace.TakeLines();
  }
  static std::unique_ptr<SimulatedAdapter> Make(const std::string& json) {
    std::string error;
    auto made = MakeSimulatedAdapterFromJson(json, error);
    EXPECT_NE(made, nullptr) << error;
    return made;
  }
  // Trim firmware running, location 0x0000 seeded with a pattern whose bit 3 is clear.
  void Start(uint8_t location = 0xA5) {
    h.trim.StartTrim_Click();
    ASSERT_THAT(h.dialogs.messages, IsEmpty());
    ASSERT_TRUE(sim->TrimRunning());
    sim->ControllerMemory()[0x0000] = location;
    trace.TakeLines();
  }
  FlashRow ReservedRow() const { return *sim->Row(kReservedRowAddress); }

  std::unique_ptr<SimulatedAdapter> sim;
  TracingAdapter trace;
  PanelHarness h;
};

FlashRow WithTrim(FlashRow row, uint8_t trim) {
  row[kTrimByteIndex] = trim;
  return row;
}

// ---- Start ----

TEST(StartOnBench, StartsTheTrimFirmwareAtMidrange) {
  Bench b;
  b.h.trim.StartTrim_Click();
  EXPECT_THAT(b.h.dialogs.messages, IsEmpty());
  EXPECT_TRUE(b.sim->TrimRunning());
  EXPECT_EQ(b.sim->ControllerMemory()[0x5001], 0x80);
  EXPECT_EQ(b.sim->ControllerMemory()[0x700A], 0x02);
  ExpectGoldenTrace(Portable(b.trace.TakeLines()), "start.txt");
}

TEST(StartOnBench, EachFailingCallGivesTheMessagesOfItsStep) {
  const std::string rom = "Could not determine if Halyard controller is in ROM";
  const std::string image = "Programming the gxTrim srec into the Halyard controller failed";
  const std::string midrange = "Transaction to set midrange osc trim value failed";
  Bench clean;
  clean.h.trim.StartTrim_Click();
  const std::vector<std::string> calls = clean.trace.TakeLines();
  ASSERT_EQ(calls.size(), 7u);

  for (size_t k = 1; k <= calls.size(); ++k) {
    for (const int16_t status : {int16_t{-1}, int16_t{9}}) {
      Bench b;
      b.sim->AddRule(FailCall(static_cast<int64_t>(k), status));
      b.h.trim.StartTrim_Click();
      const std::string& failed = calls[k - 1];
      std::vector<std::string> expected;
      if (failed.starts_with("ReadSmbusWord")) expected = {rom};
      if (failed.starts_with("ProgramSrec")) expected = {image};
      if (failed.starts_with("SendSmbusCommand")) {
        expected = {"Error sending command 8", "Could not start the controller trim program"};
      }
      if (failed.find("word=0x5001") != std::string::npos ||
          failed.find("word=0x0080") != std::string::npos) {
        expected = {midrange};
      }
      std::vector<std::string> shown;
      for (const RecordedMessage& m : b.h.dialogs.messages) {
        EXPECT_EQ(m.title, "Error");
        EXPECT_EQ(m.style, 0);
        shown.push_back(m.prompt);
      }
      EXPECT_EQ(shown, expected) << "call " << k << ": " << failed << " status " << status;
      // A reported failure ends the start at the failed call.
      if (!expected.empty()) {
        EXPECT_EQ(b.trace.Lines().size(), k) << failed;
      }
      EXPECT_EQ(b.h.controls.CurrentTrim.Caption, "80");
    }
  }
}

TEST(StartOnBench, WrongSiliconAndMissingImageAreReported) {
  Bench wrong(R"({"controller": {"silicon_version": "1.6"}})");
  wrong.h.trim.StartTrim_Click();
  EXPECT_THAT(wrong.h.dialogs.messages,
              ElementsAre(RecordedMessage{
                  "Detected the wrong platform.  Reported Silicon version: 1.6", 0, "Error"}));
  EXPECT_FALSE(wrong.sim->TrimRunning());

  Bench missing;
  missing.h.controls.TrimFilePathAndName.Text = "";
  missing.h.trim.StartTrim_Click();
  EXPECT_THAT(missing.h.dialogs.messages,
              ElementsAre(RecordedMessage{
                  "Programming the gxTrim srec into the Halyard controller failed", 0, "Error"}));
  ASSERT_EQ(missing.sim->Programmings().size(), 1u);
  EXPECT_EQ(missing.sim->Programmings()[0].path, "");
}

// ---- Read Trim ----

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

TEST(ReadTrimOnBench, WithoutTheTrimFirmwareTheBoxStaysEmpty) {
  Bench b;
  b.h.controls.ReservedRow.Text = "0011";
  b.h.trim.RsvFlashRd_Click();
  EXPECT_EQ(b.h.controls.ReservedRow.Text, "");
  EXPECT_THAT(b.h.dialogs.messages,
              ElementsAre(RecordedMessage{"Error writing word 9", 0, "Error"}));
}

// ---- Update Trim ----

TEST(UpdateOnBench, StoresTheShownTrimWithoutReprogramming) {
  Bench b;
  b.Start();
  const FlashRow before = b.ReservedRow();
  b.h.trim.SetFineAdjustValue(0x70);  // shows 8F
  b.trace.TakeLines();
  std::vector<size_t> callsBeforeWait;
  b.h.pump.duringWait = [&] { callsBeforeWait.push_back(b.trace.Lines().size()); };
  b.h.trim.Update_Click();
  // The pauses follow the location's bit 3 set, the 0x11 word and the block write.
  EXPECT_THAT(callsBeforeWait, ElementsAre(8u, 9u, 10u));
  EXPECT_NEAR(b.h.pump.WaitedSeconds(), 0.9, 1e-6);
  EXPECT_EQ(b.ReservedRow(), WithTrim(before, 0x8F));
  EXPECT_EQ(b.sim->ControllerMemory()[0x0000], 0xA5);
  // The box ends with byte 30, byte 31 and the 0x0F that followed the row.
  char tail[8];
  std::snprintf(tail, sizeof tail, "8F%02X0F", before[31]);
  EXPECT_EQ(b.h.controls.ReservedRow.Text.substr(10), tail);
  EXPECT_EQ(b.sim->Programmings().size(), 1u);  // the trim image only
  EXPECT_THAT(b.h.dialogs.messages, IsEmpty());
  ExpectGoldenTrace(Portable(b.trace.TakeLines()), "update.txt");
}

TEST(UpdateOnBench, AutoUpdateReprogramsTheControllerFirmwareAfterwards) {
  Bench b;
  b.Start();
  const FlashRow before = b.ReservedRow();
  b.h.controls.AutoUpdate.Value = 1;
  b.h.trim.Update_Click();
  EXPECT_EQ(b.ReservedRow(), WithTrim(before, 0x80));
  ASSERT_EQ(b.sim->Programmings().size(), 2u);
  EXPECT_EQ(b.sim->Programmings()[1].path, FirmwareImage());
  EXPECT_EQ(b.h.controls.Label7.Caption, "0");
  EXPECT_EQ(b.h.controls.Label4.Caption, "1");
  ExpectGoldenTrace(Portable(b.trace.TakeLines()), "update-auto.txt");
}

// What every update must leave behind, whatever failed: the stored row is the old one or
// exactly the new one, location 0x0000 as seeded (bit 3 clear, the rest untouched), and a
// reprogramming only after a successful closing write with AutoUpdate checked.
void ExpectSoundOutcome(const Bench& b, const FlashRow& before, const FlashRow& intended,
                        int16_t autoUpdate, const std::string& what) {
  const FlashRow after = b.ReservedRow();
  EXPECT_TRUE(after == before || after == intended) << what;
  EXPECT_EQ(b.sim->ControllerMemory()[0x0000], 0xA5) << what;
  EXPECT_EQ(b.h.controls.ReservedRow.Text.empty(), after != intended || after == before) << what;

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
  // The reprogramming is tried (it may itself fail) exactly when it is due.
  const bool reprogrammed = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("ProgramSrec");
  });
  EXPECT_EQ(reprogrammed, closedOk && autoUpdate == 1) << what;
  if (reprogrammed) {
    EXPECT_TRUE(lines.back().starts_with("ProgramSrec")) << what;
  }
  // The update's own failures are silent but for the row address; the programming reports its
  // own.
  for (const RecordedMessage& m : b.h.dialogs.messages) {
    EXPECT_TRUE(m.title == "Programming Error" ||
                (m.prompt == "Error writing word 9" && m.title == "Error"))
        << what << ": " << m.prompt;
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
      for (const int16_t autoUpdate : {int16_t{0}, int16_t{1}}) {
        Bench b;
        b.Start();
        b.h.trim.SetFineAdjustValue(0x70);
        b.trace.TakeLines();
        b.h.controls.AutoUpdate.Value = autoUpdate;
        const FlashRow before = b.ReservedRow();
        b.sim->AddRule(FailCall(static_cast<int64_t>(k), status));
        b.h.trim.Update_Click();
        ExpectSoundOutcome(b, before, WithTrim(before, 0x8F), autoUpdate,
                           "call " + std::to_string(k) + " status " + std::to_string(status) +
                               " auto " + std::to_string(autoUpdate));
      }
    }
  }
}

TEST(UpdateOnBench, OnlyARowOfExactly32BytesIsWritten) {
  for (const size_t n : {0u, 31u, 32u, 33u, 129u}) {
    for (const int16_t autoUpdate : {int16_t{0}, int16_t{1}}) {
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
      const std::string what = std::to_string(n) + " bytes, auto " + std::to_string(autoUpdate);
      EXPECT_EQ(b.ReservedRow(), intended) << what;
      ExpectSoundOutcome(b, before, intended, autoUpdate, what);
      if (n != 32) {
        for (const std::string& line : b.trace.Lines()) {
          EXPECT_FALSE(line.starts_with("WriteSmbusBlock")) << what;
          EXPECT_FALSE(line.starts_with("WriteSmbusWord command=0x11")) << what;
        }
      }
    }
  }
}

TEST(UpdateOnBench, ABitSetBeforehandIsClearedAndTheOtherBitsKept) {
  Bench b;
  b.Start(0xFF);
  b.sim->AddRule(FailCall(1, -1));  // the row address: nothing of the row is touched
  b.h.trim.Update_Click();
  EXPECT_EQ(b.sim->ControllerMemory()[0x0000], 0xF7);
}

TEST(UpdateOnBench, StoredTrimSurvivesAnotherStartAndIsReadBack) {
  Bench b;
  b.Start();
  b.h.trim.SetGrossAdjustValue(0x80 - 8);  // one gross step up: shows 87
  b.h.trim.Update_Click();
  b.h.trim.StartTrim_Click();
  b.h.trim.RsvFlashRd_Click();
  EXPECT_EQ(b.h.controls.ReservedRow.Text.substr(12, 2), "87");
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
  form.SetTrimFilePathAndName(TrimImage());
  form.SetSrecName(FirmwareImage());
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
