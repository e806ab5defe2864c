// The simulated bench: its bench file, its devices as the station relies on them, its rules and
// its state file.
#include "sim/SimulatedAdapter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <cstdlib>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "SimTestFiles.h"
#include "sim/BenchFile.h"

namespace halyard {
namespace {

using testing::FirmwareFile;
using testing::Open;
namespace st = sim_status;

int16_t Program(SimulatedAdapter& sim, const std::string& file) {
  std::string path = file, unused;
  return sim.ProgramSrec(path, unused, unused);
}

// I2C works only inside a run; the identification block and the SWB words read the same memory.
TEST(SimDevices, TargetAnswersI2cSmbusAndSwbFromOneMemory) {
  struct Access {
    int16_t function, device, reg, value, status;  // a read's value is what it must give
  };
  const std::vector<Access> script = {{2, 0xA0, 0x51, 0, st::kI2cNoRun},
                                      {0, 1, 0, 0, 0},
                                      {2, 0xA2, 0x51, 0, st::kNoDevice},
                                      {2, 0xA0, 0x100, 0, st::kBadRegister},
                                      {3, 0xA0, 0x51, 0, st::kBadFunction},
                                      {1, 0xA0, 0x20, 0x1234, 0},
                                      {2, 0xA0, 0x20, 0x34, 0},
                                      {0, 0, 0, 0, 0},
                                      {1, 0xA0, 0x20, 1, st::kI2cNoRun}};
  auto sim = Open(R"({"target": {"configured": true}})");
  for (size_t i = 0; i < script.size(); ++i) {
    const Access& a = script[i];
    SCOPED_TRACE("step " + std::to_string(i));
    int16_t value = a.function == 2 ? 0x77 : a.value;
    EXPECT_EQ(sim->I2cAccess(a.function, a.device, a.reg, value), a.status);
    EXPECT_EQ(value, a.function == 2 && a.status != 0 ? 0x77 : a.value) << "failures leave it";
  }
  EXPECT_EQ(sim->Target()[0x20], 0x34) << "only the low byte is stored";
  std::vector<uint8_t> data(129, 0), expected(129, 0);
  std::copy_n(sim->Target().begin() + 0x21, 32, expected.begin());
  int16_t count = 0;
  ASSERT_EQ(sim->ReadSmbusBlock(0x20, data, count, 0x16), 0);
  EXPECT_EQ(count, 32) << "a length byte of 0x34 is capped at the SMBus limit";
  EXPECT_EQ(data, expected) << "nothing beyond the block is written";
  // SWB register r pairs target bytes 0x20 + 2(r - 0x20), low byte first.
  sim->Target()[0xFE] = 0x34;
  sim->Target()[0xFF] = 0x92;
  for (auto [reg, word, status] :
       {std::tuple{0x8F, 0x9234, 0}, {0x90, 0, +st::kBadRegister}, {0x1F, 0, +st::kBadRegister}}) {
    int16_t value = 0;
    EXPECT_EQ(sim->ReadSwbWord(2, static_cast<int16_t>(reg), value), status) << reg;
    EXPECT_EQ(static_cast<uint16_t>(value), word) << reg;
  }
}

// Programming answers a status per kind of bad file, leaving the controller alone (either
// separator, and the count of successes: ProgramOnBench). The trim firmware answers only once
// programmed and started; a row write needs bit 3 of controller byte 0x0000, an arming per attempt
// and a whole row with its tail.
TEST(SimDevices, ControllerProgramsStartsTrimFirmwareAndGuardsItsRowWrite) {
  testing::ScratchDir dir;
  std::filesystem::create_directory(dir.path / "folder.srec");
  const std::vector<std::pair<std::filesystem::path, int16_t>> badFiles = {
      {dir.path / "absent.srec", 1},
      {dir.path / "folder.srec", 2},
      {dir.Write("empty.srec", ""), 3},
      {dir.Write("malformed.srec", "S107001041424344DE\nX1\n"), 4},
      {dir.Write("checksum.srec", "S107001041424344DF\n"), 5},
      {dir.Write("nodata.srec", "S9030000FC\n"), 6},
      {dir.Write("range.srec", "S20801000041424344EC\n"), 7},
      {dir.Write("cut.srec", "S107001041424344DE\n"), 8}};
  struct Attempt {
    int16_t lock, arm, count, tail, size, status;
  };
  const std::vector<Attempt> attempts = {
      {0xF7, 0x0F, 33, 0x0F, 257, st::kRowWriteProtected},
      {0x08, 0x00F0, 33, 0x0F, 257, st::kBadArgument},
      {0x08, 0, 33, 0x0F, 257, st::kRowNotArmed},
      {0x08, 0x0F, 32, 0x0F, 257, st::kBadBlock},
      {0x08, 0x0F, 34, 0x0F, 257, st::kBadBlock},
      {0x08, 0x0F, 33, 0x0F, 20, st::kBadBlock},  // a count beyond the array is not read past
      {0x08, 0x0F, 33, 0x0E, 257, st::kBadBlock},
      {0x08, 0, 33, 0x0F, 257, st::kRowNotArmed},  // one arming covers one attempt
      {0x08, 0x0F, 33, 0x0F, 257, 0}};
  auto sim = Open();
  const auto select = [&] { return sim->WriteSmbusWord(0x09, static_cast<int16_t>(0xB1E0), 0x17); };
  EXPECT_EQ(sim->SendSmbusCommand(0x08, 0x17), st::kNoDevice) << "no image yet";
  ASSERT_EQ(Program(*sim, FirmwareFile("gxTrim.srec")), 0);
  EXPECT_EQ(select(), st::kNoDevice) << "programming alone does not start it";
  ASSERT_EQ(sim->SendSmbusCommand(0x08, 0x17), 0);
  EXPECT_EQ(sim->SendSmbusCommand(0x07, 0x17), st::kUnknownCommand);
  for (const auto& [file, status] : badFiles) {
    SCOPED_TRACE(file.string());
    EXPECT_EQ(Program(*sim, file.string()), status);
    EXPECT_TRUE(sim->TrimRunning()) << "a refused file leaves the controller alone";
  }
  std::vector<uint8_t> data(129, 0);
  int16_t count = 0;
  EXPECT_EQ(sim->ReadSmbusBlock(0x0C, data, count, 0x17), st::kNoRowSelected);
  EXPECT_EQ(sim->WriteSmbusWord(0x09, static_cast<int16_t>(0xB1E1), 0x17), st::kBadArgument);
  const FlashRow factory = DefaultReservedRow();
  FlashRow row = factory;
  row[30] = 0x7E;
  for (size_t i = 0; i < attempts.size(); ++i) {
    const Attempt& a = attempts[i];
    SCOPED_TRACE("attempt " + std::to_string(i));
    sim->ControllerMemory()[0] = static_cast<uint8_t>(a.lock);
    std::vector<uint8_t> block(row.begin(), row.end());
    block.push_back(static_cast<uint8_t>(a.tail));
    block.resize(static_cast<size_t>(a.size), 0);
    int16_t status = select();
    if (status == 0 && a.arm != 0) status = sim->WriteSmbusWord(0x11, a.arm, 0x17);
    if (status == 0) status = sim->WriteSmbusBlock(0x10, block, a.count, 0x17);
    EXPECT_EQ(status, a.status);
    EXPECT_EQ(sim->Row(0xB1E0), a.status == 0 ? row : factory);
  }
  ASSERT_EQ(Program(*sim, FirmwareFile("halyard-fw.srec")), 0);
  EXPECT_EQ(select(), st::kNoDevice) << "programming again stops the trim firmware";
  EXPECT_EQ(sim->SendSmbusCommand(0x08, 0x17), st::kNoDevice) << "controller firmware has no trim";
}

// The trim firmware is known by "trim" in its header in any case, or by a name the bench file
// lists; only the image programmed last counts.
TEST(SimDevices, TrimFirmwareAnswersOnlyAfterATrimImage) {
  testing::ScratchDir dir;
  const std::string data = "S107001041424344DE\nS9030000FC\n";
  const std::vector<std::tuple<std::string, std::string, ImageKind>> cases = {
      {"{}", dir.Write("a.srec", "S00700005452494DBC\n" + data).string(), ImageKind::kTrim},
      {"{}", dir.Write("b.srec", "S00700007472696D3C\n" + data).string(), ImageKind::kTrim},
      {"{}", dir.Write("c.srec", "S00700007472696A3F\n" + data).string(), ImageKind::kFirmware},
      {"{}", dir.Write("d.srec", data).string(), ImageKind::kFirmware},
      {R"({"controller": {"trim_images": ["d.srec"]}})", (dir.path / "d.srec").string(),
       ImageKind::kTrim},
      {R"({"controller": {"trim_images": ["d.srec"]}})", FirmwareFile("halyard-fw.srec"),
       ImageKind::kFirmware},
  };
  for (const auto& [bench, file, kind] : cases) {
    SCOPED_TRACE(bench + " " + file);
    auto sim = Open(bench);
    ASSERT_EQ(Program(*sim, file), 0);
    EXPECT_EQ(sim->Image(), kind);
    EXPECT_EQ(sim->SendSmbusCommand(0x08, 0x17), kind == ImageKind::kTrim ? 0 : st::kNoDevice);
  }
}

// Each rule meets the same calls: reads of 0x0D, and selects of 0xB1E0 (passed as -20000) and
// 0x31E0 on the controller. A block's count is reported as given, its data never grown to it.
TEST(SimRules, AnswerTheNthMatchingCallForCountCalls) {
  const std::vector<std::pair<std::string, std::vector<int16_t>>> cases = {
      {R"("op": "ReadSmbusWord")", {7, 0, 0, 0, 0, 0}},
      {R"("op": "ReadSmbusWord", "nth": 2, "count": 2)", {0, 0, 7, 0, 7, 0}},
      {R"("op": "ReadSmbusWord", "count": -1)", {7, 0, 7, 0, 7, 7}},
      {R"("op": "*", "nth": 3, "count": -1)", {0, 0, 7, 7, 7, 7}},
      {R"("op": "WriteSmbusWord", "match": {"word": "0xB1E0"}, "count": -1)", {0, 7, 0, 0, 0, 0}},
      {R"("op": "WriteSmbusWord", "match": {"device": "0x17"}, "count": -1)", {0, 0, 0, 0, 0, 0}},
  };
  std::string error;
  for (const auto& [rule, expected] : cases) {
    SCOPED_TRACE(rule);
    auto sim = Open();
    ASSERT_TRUE(sim->AddRuleJson("{" + rule + R"(, "status": 7})", error)) << error;
    int16_t word = 0;
    const std::vector<int16_t> statuses = {
        sim->ReadSmbusWord(0x0D, word, 0x16),
        sim->WriteSmbusWord(0x09, static_cast<int16_t>(0xB1E0), 0x16),
        sim->ReadSmbusWord(0x0D, word, 0x16),
        sim->WriteSmbusWord(0x09, 0x31E0, 0x16),
        sim->ReadSmbusWord(0x0D, word, 0x16),
        sim->ReadSmbusWord(0x0D, word, 0x16)};
    EXPECT_EQ(statuses, expected);
    EXPECT_EQ(sim->Rules()[0].applied, std::count(expected.begin(), expected.end(), 7));
  }
  auto blocks = Open(R"({"rules": [{"op": "WriteSmbusBlock", "match": {"data": "41 42"},
                       "count": -1, "status": 7}]})");
  const std::vector<uint8_t> ab{0x41, 0x42, 0x43};
  EXPECT_EQ(blocks->WriteSmbusBlock(0x10, ab, 2, 0x16), 7) << "the bytes the count covers";
  EXPECT_EQ(blocks->WriteSmbusBlock(0x10, ab, 3, 0x16), st::kUnknownCommand);
  auto sim = Open(R"({"rules": [{"op": "ReadSmbusBlock", "count": 2,
                    "outputs": {"count": 200, "data": "48 61 6C"}}]})");
  std::vector<uint8_t> big(129, 0xEE), tiny(1, 0), expected(129, 0xEE);
  std::copy_n("Hal", 3, expected.begin());
  int16_t count = 0;
  ASSERT_EQ(sim->ReadSmbusBlock(0x20, big, count, 0x16), 0);
  EXPECT_EQ(count, 200);
  EXPECT_EQ(big, expected);
  ASSERT_EQ(sim->ReadSmbusBlock(0x20, tiny, count, 0x16), 0);
  EXPECT_EQ(tiny, (std::vector<uint8_t>{0x48, 0x61, 0x6C})) << "grown to the data only";
}

// A crashing rule takes the process down when it answers, and not before: the calls before it
// are answered as usual.
TEST(SimRulesDeathTest, ACrashRuleEndsTheProcessAtItsCall) {
  EXPECT_EXIT(
      {
        auto sim = Open(R"({"rules": [{"op": "ReadSmbusWord", "nth": 2, "fault": "crash"}]})");
        int16_t word = 0;
        if (sim->ReadSmbusWord(0x0D, word, 0x16) == 0) sim->ReadSmbusWord(0x0D, word, 0x16);
        std::exit(0);
      },
      ::testing::KilledBySignal(SIGABRT), "");
}

// Rules are tried in order, but each counts every call it matches, also those an earlier rule
// answered: the second rule's second match is the second call, not the third.
TEST(SimRules, EachRuleCountsTheCallsAnEarlierRuleAnswered) {
  auto sim = Open(R"({"rules": [{"op": "ReadSmbusWord", "status": 5},
                    {"op": "ReadSmbusWord", "nth": 2, "status": 7}]})");
  int16_t word = 0;
  std::vector<int16_t> statuses;
  for (int call = 0; call < 3; ++call)
    statuses.push_back(sim->ReadSmbusWord(0x0D, word, 0x16));
  EXPECT_EQ(statuses, (std::vector<int16_t>{5, 7, 0}));
}

// Target and rows outlive the process, a save is atomic, and a damaged state file refuses the
// open with the place and is not overwritten.
TEST(SimStateFile, RoundTripAtomicSaveAndDamagedFile) {
  testing::ScratchDir dir;
  const std::string bench = R"({"state_file": "s.json"})";
  const std::filesystem::path state = dir.path / "s.json";
  TargetMemory target;
  std::iota(target.begin(), target.end(), 0);
  FlashRow row;
  row.fill(0x3C);
  auto first = Open(bench, dir.path);
  first->Target() = target;
  first->SetRow(0x0400, row);
  first->ControllerMemory()[0x5001] = 0x99;  // RAM: not kept
  ASSERT_EQ(Program(*first, FirmwareFile("gxTrim.srec")), 0);
  first->CloseDevice();
  auto sim = Open(bench, dir.path);
  EXPECT_EQ(sim->Target(), target);
  EXPECT_EQ(sim->Row(0x0400), row);
  EXPECT_EQ(sim->ControllerMemory()[0x5001], 0x00);
  EXPECT_EQ(sim->SendSmbusCommand(0x08, 0x17), 0) << "the trim image is still programmed";
  // A folder where the temporary file would go makes the write fail before the rename.
  const std::string saved = testing::ReadText(state);
  std::filesystem::create_directory(state.string() + ".tmp");
  sim->Target()[0x51] = 0x00;
  sim->CloseDevice();
  EXPECT_NE(sim->StateError().find("s.json.tmp"), std::string::npos) << sim->StateError();
  EXPECT_EQ(testing::ReadText(state), saved);
  for (const auto& [text, place] :
       {std::pair<std::string, std::string>{
            R"({"format": "halyard-bench-state 1", "target_memory": "FF"})", "/target_memory at"},
        {R"({"format": "halyard-bench-state 1", "target_memory": ")" + std::string(512, 'F') +
             R"(", "image": "flash"})",
         "/image at"}}) {
    SCOPED_TRACE(text);
    dir.Write("s.json", text);
    auto damaged = Open(bench, dir.path, -1);
    EXPECT_FALSE(damaged->IsOpen());
    EXPECT_EQ(damaged->StateError().rfind(state.string() + ": ", 0), 0u) << damaged->StateError();
    EXPECT_NE(damaged->StateError().find(place), std::string::npos) << damaged->StateError();
    damaged->CloseDevice();
    EXPECT_EQ(testing::ReadText(state), text);
  }
}

// A state file that cannot be read is reported, never silently dropped, and a read never waits
// on a FIFO. (A save that fails is reported in RoundTripAtomicSaveAndDamagedFile.)
TEST(SimStateFile, AnUnreadableFileIsReportedAtOpenUntilItIsGone) {
  testing::ScratchDir dir;
  ::mkfifo((dir.path / "fifo").c_str(), 0600);
  auto fifo = Open(R"({"state_file": "fifo"})", dir.path, -1);
  EXPECT_NE(fifo->StateError().find("not a regular file"), std::string::npos) << fifo->StateError();
  std::filesystem::remove(dir.path / "fifo");
  EXPECT_EQ(fifo->OpenDevice("HALYARD-SIM0"), 0) << "once the file is gone";
  EXPECT_EQ(fifo->StateError(), "") << "a clean read clears the fault";
}

}  // namespace
}  // namespace halyard
