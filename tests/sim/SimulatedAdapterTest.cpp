// The simulated bench's devices as the station relies on them, its rules and its state file.
#include "sim/SimulatedAdapter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimTestFiles.h"

namespace halyard {
namespace {

using testing::FirmwareFile;
namespace st = sim_status;

// A bench built from bench-file text and opened, as the station has it after start-up.
std::unique_ptr<SimulatedAdapter> Open(const std::string& json = "{}",
                                       const std::filesystem::path& baseDir = ".",
                                       int16_t openResult = 0) {
  std::string error;
  std::unique_ptr<SimulatedAdapter> sim = MakeSimulatedAdapterFromJson(json, error, baseDir);
  EXPECT_NE(sim, nullptr) << error;
  EXPECT_EQ(sim ? sim->OpenDevice("HALYARD-SIM0") : -2, openResult);
  return sim;
}

int16_t Program(SimulatedAdapter& sim, const std::string& file) {
  std::string path = file, unused;
  return sim.ProgramSrec(path, unused, unused);
}

TEST(SimDevices, I2cWorksOnlyInsideARunOnTheTargetsRegisters) {
  struct Access {
    int16_t function, device, reg, value, status;  // a read's value is what it must give
  };
  const std::vector<Access> script = {{2, 0xA0, 0x51, 0, st::kI2cNoRun},
                                      {1, 0xA0, 0x30, 1, st::kI2cNoRun},
                                      {0, 1, 0, 0, 0},
                                      {2, 0xA2, 0x51, 0, st::kNoDevice},
                                      {1, 0x16, 0x51, 0, st::kNoDevice},
                                      {2, 0xA0, 0x100, 0, st::kBadRegister},
                                      {3, 0xA0, 0x51, 0, st::kBadFunction},
                                      {0, 2, 0, 0, st::kBadFunction},
                                      {1, 0xA0, 0x30, 0x1234, 0},
                                      {2, 0xA0, 0x30, 0x34, 0},
                                      {1, 0xA0, 0xFF, 0x5A, 0},
                                      {0, 0, 0, 0, 0},
                                      {2, 0xA0, 0x30, 0, st::kI2cNoRun}};
  auto sim = Open();
  for (size_t i = 0; i < script.size(); ++i) {
    const Access& a = script[i];
    SCOPED_TRACE("step " + std::to_string(i));
    int16_t value = a.function == 2 ? 0x77 : a.value;
    EXPECT_EQ(sim->I2cAccess(a.function, a.device, a.reg, value), a.status);
    EXPECT_EQ(value, a.function == 2 && a.status != 0 ? 0x77 : a.value) << "failures leave it";
  }
  TargetMemory expected = BenchConfig::BlankTarget();
  expected[0x30] = 0x34;  // only the low byte is stored
  expected[0xFF] = 0x5A;
  EXPECT_EQ(sim->Target(), expected);
}

TEST(SimDevices, IdentificationBlockAndSwbWordsComeFromTheTargetMemory) {
  std::vector<uint8_t> data(129, 0);
  std::vector<uint8_t> expected(129, 0);
  std::fill_n(expected.begin(), 32, 0xFF);
  int16_t count = 0;
  ASSERT_EQ(Open()->ReadSmbusBlock(0x20, data, count, 0x16), 0);
  EXPECT_EQ(count, 32) << "a blank target's length byte 0xFF is capped at the SMBus limit";
  EXPECT_EQ(data, expected) << "nothing beyond the block is written";

  auto sim = Open(R"({"target": {"configured": true}})");
  ASSERT_EQ(sim->ReadSmbusBlock(0x20, data, count, 0x16), 0);
  EXPECT_EQ(std::string(data.begin(), data.begin() + count), "Halyard_Test");
  // SWB register r pairs target bytes 0x20 + 2(r - 0x20), low byte first.
  sim->Target()[0xFE] = 0x34;
  sim->Target()[0xFF] = 0x92;
  for (auto [reg, word] : {std::pair{0x21, ('l' << 8) | 'a'}, {0x8F, 0x9234}}) {
    int16_t value = 0;
    ASSERT_EQ(sim->ReadSwbWord(2, static_cast<int16_t>(reg), value), 0);
    EXPECT_EQ(static_cast<uint16_t>(value), word) << reg;
  }
  int16_t value = 0;
  EXPECT_EQ(sim->ReadSwbWord(2, 0x90, value), st::kBadRegister);
  EXPECT_EQ(sim->ReadSwbWord(2, 0x1F, value), st::kBadRegister);
}

TEST(SimDevices, TrimFirmwareAnswersOnlyOnceAnImageIsProgrammedAndStarted) {
  auto sim = Open();
  const auto select = [&] { return sim->WriteSmbusWord(0x09, static_cast<int16_t>(0xB1E0), 0x17); };
  EXPECT_EQ(sim->SendSmbusCommand(0x08, 0x17), st::kNoDevice) << "no image yet";
  ASSERT_EQ(Program(*sim, FirmwareFile("gxTrim.srec")), 0);
  EXPECT_EQ(select(), st::kNoDevice) << "programming alone does not start it";
  ASSERT_EQ(sim->SendSmbusCommand(0x08, 0x17), 0);
  EXPECT_EQ(sim->SendSmbusCommand(0x07, 0x17), st::kUnknownCommand);
  EXPECT_EQ(select(), 0);
  ASSERT_EQ(Program(*sim, FirmwareFile("halyard-fw.srec")), 0);
  EXPECT_EQ(select(), st::kNoDevice) << "programming again stops the trim firmware";
  EXPECT_EQ(sim->SendSmbusCommand(0x08, 0x17), 0) << "the image is still there to start";
}

TEST(SimDevices, RowWriteStoresTheRowOnlyWithBit3SetArmedAndWhole) {
  struct Attempt {
    int16_t lock, arm, count, tail, size, status;  // lock: byte 0x0000 of the controller
  };
  const std::vector<Attempt> attempts = {
      {0x00, 0x0F, 33, 0x0F, 257, st::kRowWriteProtected},
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
  ASSERT_EQ(Program(*sim, FirmwareFile("gxTrim.srec")), 0);
  ASSERT_EQ(sim->SendSmbusCommand(0x08, 0x17), 0);
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
    int16_t status = sim->WriteSmbusWord(0x09, static_cast<int16_t>(0xB1E0), 0x17);
    if (status == 0 && a.arm != 0) status = sim->WriteSmbusWord(0x11, a.arm, 0x17);
    if (status == 0) status = sim->WriteSmbusBlock(0x10, block, a.count, 0x17);
    EXPECT_EQ(status, a.status);
    EXPECT_EQ(sim->Row(0xB1E0), a.status == 0 ? row : factory);
  }
  ASSERT_EQ(sim->ReadSmbusBlock(0x0C, data, count, 0x17), 0);
  EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + count),
            std::vector<uint8_t>(row.begin(), row.end()));
}

// Paths may use '\' and are taken relative to the working directory; each kind of bad file has
// its own status and leaves the controller as it was.
TEST(SimDevices, ProgrammingTakesEitherSeparatorAndAnswersAStatusPerKindOfBadFile) {
  auto sim = Open();
  std::string windows =
      std::filesystem::relative(FirmwareFile("gxTrim.srec"), std::filesystem::current_path())
          .string();
  std::replace(windows.begin(), windows.end(), '/', '\\');
  ASSERT_NE(windows.find('\\'), std::string::npos);
  ASSERT_EQ(Program(*sim, windows), 0);
  ASSERT_EQ(sim->SendSmbusCommand(0x08, 0x17), 0);

  testing::ScratchDir dir;
  std::filesystem::create_directory(dir.path / "folder.srec");
  const std::vector<std::pair<std::filesystem::path, int16_t>> cases = {
      {dir.path / "absent.srec", 1},
      {"", 1},
      {dir.path / "folder.srec", 2},
      {dir.Write("empty.srec", ""), 3},
      {dir.Write("malformed.srec", "S107001041424344DE\nX1\n"), 4},
      {dir.Write("checksum.srec", "S107001041424344DF\n"), 5},
      {dir.Write("nodata.srec", "S9030000FC\n"), 6},
      {dir.Write("range.srec", "S20801000041424344EC\n"), 7}};
  for (const auto& [file, status] : cases) {
    SCOPED_TRACE(file.string());
    EXPECT_EQ(Program(*sim, file.string()), status);
    EXPECT_TRUE(sim->TrimRunning()) << "a refused file leaves the controller alone";
  }
  EXPECT_EQ(sim->SuccessfulProgrammings(), 1);
}

// Each rule meets the same calls: reads of 0x0D, and selects of 0xB1E0 (passed as -20000) and
// 0x31E0 on the controller.
TEST(SimRules, AnswerTheNthMatchingCallForCountCalls) {
  const std::vector<std::pair<std::string, std::vector<int16_t>>> cases = {
      {R"("op": "ReadSmbusWord")", {7, 0, 0, 0, 0, 0}},
      {R"("op": "ReadSmbusWord", "nth": 2, "count": 2)", {0, 0, 7, 0, 7, 0}},
      {R"("op": "ReadSmbusWord", "count": -1)", {7, 0, 7, 0, 7, 7}},
      {R"("op": "ReadSmbusWord", "nth": 3, "count": -1)", {0, 0, 0, 0, 7, 7}},
      {R"("op": "*", "nth": 2)", {0, 7, 0, 0, 0, 0}},
      {R"("op": "*", "nth": 3, "count": -1)", {0, 0, 7, 7, 7, 7}},
      {R"("op": "WriteSmbusWord", "match": {"word": "0xB1E0"}, "count": -1)", {0, 7, 0, 0, 0, 0}},
      {R"("op": "WriteSmbusWord", "match": {"command": 9, "word": "0xB1E0", "device": "0x16"})",
       {0, 7, 0, 0, 0, 0}},
      {R"("op": "WriteSmbusWord", "match": {"device": "0x17"}, "count": -1)", {0, 0, 0, 0, 0, 0}},
      {R"("op": "ReadSmbusWord", "match": {"command": 9}, "count": -1)", {0, 0, 0, 0, 0, 0}},
  };
  for (const auto& [rule, expected] : cases) {
    SCOPED_TRACE(rule);
    auto sim = Open();
    std::string error;
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
}

TEST(SimRules, OutputsReplaceOnlyWhatTheyNameAndAnAnsweredWriteNeverReachesTheDevice) {
  auto sim = Open();
  std::string error;
  for (const char* rule : {R"({"op": "ReadSmbusBlock", "match": {"command": "0x20"}, "count": 2,
            "outputs": {"count": 200, "data": "48 61 6C"}})",
                           R"({"op": "I2cAccess", "match": {"function": 1}, "status": 9})"}) {
    ASSERT_TRUE(sim->AddRuleJson(rule, error)) << error;
  }
  std::vector<uint8_t> big(129, 0xEE);
  int16_t count = 0;
  ASSERT_EQ(sim->ReadSmbusBlock(0x20, big, count, 0x16), 0);
  EXPECT_EQ(count, 200) << "the count is reported as given";
  std::vector<uint8_t> expected(129, 0xEE);
  std::copy_n("Hal", 3, expected.begin());
  EXPECT_EQ(big, expected) << "never grown to the count";
  std::vector<uint8_t> tiny(1, 0);
  ASSERT_EQ(sim->ReadSmbusBlock(0x20, tiny, count, 0x16), 0);
  EXPECT_EQ(tiny, (std::vector<uint8_t>{0x48, 0x61, 0x6C})) << "grown to the data only";
  int16_t word = 0;
  ASSERT_EQ(sim->I2cAccess(0, 1, 0, word), 0);
  EXPECT_EQ(sim->I2cAccess(1, 0xA0, 0x51, word), 9);
  EXPECT_EQ(sim->Target()[0x51], 0xFF);
  EXPECT_EQ(sim->GetWriteStatus(), 9) << "the scripted answer is the write's outcome";
}

TEST(SimStateFile, TargetAndRowsOutliveTheProcessAndASaveIsAtomic) {
  testing::ScratchDir dir;
  const std::string bench = R"({"state_file": "s.json"})";
  const std::filesystem::path state = dir.path / "s.json";
  TargetMemory target;
  for (size_t i = 0; i < target.size(); ++i)
    target[i] = static_cast<uint8_t>(i * 13);
  FlashRow row;
  row.fill(0x3C);
  {
    auto sim = Open(bench, dir.path);
    EXPECT_EQ(sim->Target(), BenchConfig::BlankTarget()) << "no state file yet";
    sim->Target() = target;
    sim->SetRow(0x0400, row);
    sim->ControllerMemory()[0x5001] = 0x99;  // RAM: not kept
    sim->CloseDevice();
    EXPECT_EQ(sim->StateError(), "");
    EXPECT_FALSE(std::filesystem::exists(state.string() + ".tmp"));
  }
  auto sim = Open(bench, dir.path);
  EXPECT_EQ(sim->Target(), target);
  EXPECT_EQ(sim->Row(0x0400), row);
  EXPECT_EQ(sim->Row(kReservedRowAddress), DefaultReservedRow());
  EXPECT_EQ(sim->ControllerMemory()[0x5001], 0x00);

  // A folder where the temporary file would go makes the write fail before the rename.
  const std::string saved = testing::ReadText(state);
  std::filesystem::create_directory(state.string() + ".tmp");
  sim->Target()[0x51] = 0x00;
  sim->CloseDevice();
  EXPECT_NE(sim->StateError().find("s.json.tmp"), std::string::npos) << sim->StateError();
  EXPECT_EQ(testing::ReadText(state), saved);
}

TEST(SimStateFile, DamagedStateFileRefusesTheOpenWithThePlaceAndIsNotOverwritten) {
  testing::ScratchDir dir;
  const std::string memory(512, 'F');
  const std::string format = R"({"format": "halyard-bench-state 1", )";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{", "line 1, column 2"},
      {R"({"format": "halyard-bench-state 2", "target_memory": ")" + memory + R"("})", "/format"},
      {format + R"("target_memory": "FF"})", "/target_memory"},
      {format + R"("target_memory": ")" + memory + R"(", "rows": {"0xB1E0": "00"}})",
       "/rows/0xB1E0"},
  };
  for (const auto& [text, place] : cases) {
    SCOPED_TRACE(text);
    const std::filesystem::path state = dir.Write("s.json", text);
    auto sim = Open(R"({"state_file": "s.json"})", dir.path, -1);
    EXPECT_FALSE(sim->IsOpen());
    EXPECT_EQ(sim->StateError().rfind(state.string() + ": ", 0), 0u) << sim->StateError();
    EXPECT_NE(sim->StateError().find(place), std::string::npos) << sim->StateError();
    sim->CloseDevice();
    EXPECT_EQ(testing::ReadText(state), text);
  }
}

}  // namespace
}  // namespace halyard
