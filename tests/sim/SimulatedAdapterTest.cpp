// Tests of the simulated bench's adapter and devices, its rules and its state file.
#include "sim/SimulatedAdapter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "SimTestFiles.h"

namespace halyard {
namespace {

using testing::FirmwareFile;
using testing::ScratchDir;
namespace st = sim_status;

std::unique_ptr<SimulatedAdapter> FromJson(const std::string& json,
                                           const std::filesystem::path& baseDir = ".") {
  std::string error;
  std::unique_ptr<SimulatedAdapter> adapter = MakeSimulatedAdapterFromJson(json, error, baseDir);
  EXPECT_NE(adapter, nullptr) << error;
  return adapter;
}

// An opened default bench, as the station has it after start-up.
class OpenBench : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(sim_.OpenDevice("HALYARD-SIM0"), 0); }

  int16_t I2cRead(int reg, int16_t& value) { return sim_.I2cAccess(2, 0xA0, reg, value); }
  int16_t I2cWrite(int reg, int16_t value) { return sim_.I2cAccess(1, 0xA0, reg, value); }

  int16_t Program(const std::filesystem::path& file) {
    std::string path = file.string();
    std::string unused;
    return sim_.ProgramSrec(path, unused, unused);
  }

  void StartTrimFirmware() {
    ASSERT_EQ(Program(FirmwareFile("gxTrim.srec")), 0);
    ASSERT_EQ(sim_.SendSmbusCommand(0x08, 0x17), 0);
  }

  // The row write as the station makes it: select, arm, write 32 bytes and 0x0F.
  int16_t WriteRow(uint16_t address, const FlashRow& row, int16_t count = 33) {
    int16_t status = sim_.WriteSmbusWord(0x09, static_cast<int16_t>(address), 0x17);
    if (status == 0) status = sim_.WriteSmbusWord(0x11, 0x000F, 0x17);
    if (status != 0) return status;
    return sim_.WriteSmbusBlock(0x10, RowBlock(row), count, 0x17);
  }
  static std::vector<uint8_t> RowBlock(const FlashRow& row) {
    std::vector<uint8_t> buffer(257, 0);
    std::copy(row.begin(), row.end(), buffer.begin());
    buffer[32] = 0x0F;
    return buffer;
  }

  std::vector<uint8_t> ReadRow(uint16_t address, int16_t& status) {
    status = sim_.WriteSmbusWord(0x09, static_cast<int16_t>(address), 0x17);
    std::vector<uint8_t> data(129, 0);
    int16_t count = 0;
    if (status == 0) status = sim_.ReadSmbusBlock(0x0C, data, count, 0x17);
    data.resize(static_cast<size_t>(count));
    return data;
  }

  SimulatedAdapter sim_;
};

// --- the adapter ---

TEST(SimAdapter, ListsAndOpensItsAdaptersAndAnswersTheConfiguredResult) {
  SimulatedAdapter sim;
  int32_t count = -5;
  std::string names = "old";
  sim.ListDevices(1, count, names);
  EXPECT_EQ(count, 0) << "only kind 2 lists adapters";
  EXPECT_EQ(names, "");
  EXPECT_EQ(sim.OpenDevice("HALYARD-SIM1"), -1);
  EXPECT_FALSE(sim.IsOpen());
  EXPECT_EQ(sim.OpenDevice("HALYARD-SIM0"), 0);
  int16_t first = 0;
  int16_t second = 0;
  ASSERT_EQ(sim.GetAdapterVersion(first, second), 0);
  EXPECT_EQ(first, ('1' << 8) | '.');
  EXPECT_EQ(second, '2');

  auto two = FromJson(R"({"adapters": ["A", "B"], "open_result": 5})");
  two->ListDevices(2, count, names);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(names, "A,B");
  EXPECT_EQ(two->OpenDevice("B"), 5);
  EXPECT_TRUE(two->IsOpen()) << "only -1 means not opened";

  auto refused = FromJson(R"({"open_result": -1})");
  EXPECT_EQ(refused->OpenDevice("HALYARD-SIM0"), -1);
  EXPECT_FALSE(refused->IsOpen());
}

TEST(SimAdapter, EveryDeviceOperationFailsWhileNotOpenAndChangesNothing) {
  SimulatedAdapter sim;
  int16_t word = 0x1234;
  std::vector<uint8_t> data(4, 0xAA);
  std::string path = FirmwareFile("gxTrim.srec").string();
  std::string unused;
  const std::vector<std::function<int16_t()>> calls = {
      [&] { return sim.WriteSmbusWord(0x09, 0x10, 0x16); },
      [&] { return sim.ReadSmbusWord(0x0D, word, 0x16); },
      [&] { return sim.WriteSmbusBlock(0x10, data, 4, 0x17); },
      [&] { return sim.ReadSmbusBlock(0x20, data, word, 0x16); },
      [&] { return sim.SendSmbusCommand(0x08, 0x17); },
      [&] { return sim.GetWriteStatus(); },
      [&] { return sim.I2cAccess(0, 1, 0, word); },
      [&] { return sim.I2cAccess(1, 0xA0, 0x51, word); },
      [&] { return sim.ReadSwbWord(2, 0x20, word); },
      [&] { return sim.ProgramSrec(path, unused, unused); },
      [&] { return sim.GetAdapterVersion(word, word); },
  };
  for (const char* when : {"before open", "after close"}) {
    SCOPED_TRACE(when);
    for (size_t i = 0; i < calls.size(); ++i)
      EXPECT_EQ(calls[i](), st::kNotOpen) << "call " << i;
    EXPECT_EQ(word, 0x1234);
    EXPECT_EQ(data, std::vector<uint8_t>(4, 0xAA));
    EXPECT_EQ(sim.Target()[0x51], 0xFF);
    EXPECT_TRUE(sim.Programmings().empty());
    EXPECT_EQ(sim.ControllerAddressPointer(), 0);
    ASSERT_EQ(sim.OpenDevice("HALYARD-SIM0"), 0);
    sim.CloseDevice();
  }
}

// --- the test target ---

TEST_F(OpenBench, I2cWorksOnlyInsideARunOnTheTargetsRegisters) {
  int16_t value = 0x77;
  EXPECT_EQ(I2cRead(0x51, value), st::kI2cNoRun);
  EXPECT_EQ(I2cWrite(0x51, 0x01), st::kI2cNoRun);
  ASSERT_EQ(sim_.I2cAccess(0, 1, 0, value), 0);
  EXPECT_EQ(sim_.I2cAccess(2, 0xA2, 0x51, value), st::kNoDevice);
  EXPECT_EQ(sim_.I2cAccess(1, 0x16, 0x51, value), st::kNoDevice);
  EXPECT_EQ(I2cRead(0x100, value), st::kBadRegister);
  EXPECT_EQ(I2cRead(-1, value), st::kBadRegister);
  EXPECT_EQ(I2cWrite(0x100, 0), st::kBadRegister);
  EXPECT_EQ(sim_.I2cAccess(3, 0xA0, 0x51, value), st::kBadFunction);
  EXPECT_EQ(sim_.I2cAccess(0, 2, 0, value), st::kBadFunction);
  EXPECT_EQ(value, 0x77) << "a failed access leaves the variable alone";
  EXPECT_EQ(sim_.Target(), BenchConfig::BlankTarget());

  ASSERT_EQ(I2cWrite(0x30, 0x1234), 0);
  EXPECT_EQ(sim_.Target()[0x30], 0x34) << "only the low byte is stored";
  ASSERT_EQ(I2cRead(0x30, value), 0);
  EXPECT_EQ(value, 0x34);
  ASSERT_EQ(I2cWrite(0xFF, 0x5A), 0);
  EXPECT_EQ(sim_.Target()[0xFF], 0x5A);

  ASSERT_EQ(sim_.I2cAccess(0, 0, 0, value), 0);
  EXPECT_EQ(I2cRead(0x30, value), st::kI2cNoRun);
}

TEST_F(OpenBench, IdentificationBlockAndSwbWordsComeFromTheTargetMemory) {
  std::vector<uint8_t> data(129, 0);
  int16_t count = 0;
  ASSERT_EQ(sim_.ReadSmbusBlock(0x20, data, count, 0x16), 0);
  EXPECT_EQ(count, 32) << "a blank target's length byte 0xFF is capped at the SMBus limit";
  EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + 32), std::vector<uint8_t>(32, 0xFF));
  EXPECT_EQ(data[32], 0) << "nothing beyond the block is written";
  EXPECT_EQ(data.size(), 129u);

  WriteTargetConfiguration(sim_.Target());
  ASSERT_EQ(sim_.ReadSmbusBlock(0x20, data, count, 0x16), 0);
  EXPECT_EQ(std::string(data.begin(), data.begin() + count), "Halyard_Test");
  std::vector<uint8_t> small(2, 0);
  sim_.Target()[0x20] = 5;
  ASSERT_EQ(sim_.ReadSmbusBlock(0x20, small, count, 0x16), 0);
  ASSERT_EQ(count, 5);
  EXPECT_EQ(std::string(small.begin(), small.end()), "Halya") << "a short array grows";

  // SWB register r pairs target bytes 0x20 + 2(r - 0x20), low byte first.
  int16_t value = 0;
  ASSERT_EQ(sim_.ReadSwbWord(2, 0x21, value), 0);
  EXPECT_EQ(static_cast<uint16_t>(value), ('l' << 8) | 'a');
  sim_.Target()[0xFE] = 0x34;
  sim_.Target()[0xFF] = 0x92;
  ASSERT_EQ(sim_.ReadSwbWord(2, 0x8F, value), 0);
  EXPECT_EQ(static_cast<uint16_t>(value), 0x9234) << "the last register reaches the last byte";
  value = 0x0101;
  EXPECT_EQ(sim_.ReadSwbWord(2, 0x90, value), st::kBadRegister);
  EXPECT_EQ(sim_.ReadSwbWord(2, 0x1F, value), st::kBadRegister);
  EXPECT_EQ(sim_.ReadSwbWord(1, 0x20, value), st::kBadKind);
  EXPECT_EQ(value, 0x0101);
}

// --- the controller at 0x16 ---

TEST_F(OpenBench, ControllerMemorySiliconVersionAndRowUpdatePrelude) {
  ASSERT_EQ(sim_.WriteSmbusWord(0x09, static_cast<int16_t>(0xFFFF), 0x16), 0);
  ASSERT_EQ(sim_.WriteSmbusWord(0x0A, 0x1234, 0x16), 0);
  EXPECT_EQ(sim_.ControllerMemory()[0xFFFF], 0x34) << "the high half of the word is dropped";
  ASSERT_EQ(sim_.WriteSmbusWord(0x09, 0x5001, 0x16), 0);
  sim_.ControllerMemory()[0x5001] = 0xC8;
  int16_t word = -1;
  ASSERT_EQ(sim_.ReadSmbusWord(0x0B, word, 0x16), 0);
  EXPECT_EQ(word, 0x00C8) << "the byte comes in the low half, high half zero";
  ASSERT_EQ(sim_.ReadSmbusWord(0x0B, word, 0x16), 0);
  EXPECT_EQ(word, 0x00C8) << "the address does not move on";

  auto other = FromJson(R"({"controller": {"silicon_version": "2.10"}})");
  ASSERT_EQ(other->OpenDevice("HALYARD-SIM0"), 0);
  ASSERT_EQ(other->ReadSmbusWord(0x0D, word, 0x16), 0);
  EXPECT_EQ(word, 0x020A);

  const std::vector<uint8_t> before = sim_.ControllerMemory();
  EXPECT_EQ(sim_.WriteSmbusWord(0x00, 0x0F00, 0x16), 0);
  EXPECT_EQ(sim_.ControllerMemory(), before);
}

// --- programming and the trim firmware at 0x17 ---

TEST_F(OpenBench, TrimFirmwareAnswersOnlyOnceAnImageIsProgrammedAndStarted) {
  int16_t status = 0;
  EXPECT_EQ(sim_.SendSmbusCommand(0x08, 0x17), st::kNoDevice) << "no image yet";
  ReadRow(0xB1E0, status);
  EXPECT_EQ(status, st::kNoDevice);

  ASSERT_EQ(Program(FirmwareFile("gxTrim.srec")), 0);
  EXPECT_FALSE(sim_.TrimRunning()) << "programming alone does not start it";
  EXPECT_EQ(sim_.WriteSmbusWord(0x09, static_cast<int16_t>(0xB1E0), 0x17), st::kNoDevice);
  ASSERT_EQ(sim_.SendSmbusCommand(0x08, 0x17), 0);
  EXPECT_EQ(sim_.SendSmbusCommand(0x07, 0x17), st::kUnknownCommand);

  std::vector<uint8_t> data(129, 0);
  int16_t count = 0;
  EXPECT_EQ(sim_.ReadSmbusBlock(0x0C, data, count, 0x17), st::kNoRowSelected);
  EXPECT_EQ(sim_.WriteSmbusWord(0x09, static_cast<int16_t>(0xB1E1), 0x17), st::kBadArgument);
  EXPECT_EQ(sim_.ReadSmbusBlock(0x0C, data, count, 0x17), st::kNoRowSelected);

  // The factory row as read is pinned by the trim golden traces.
  EXPECT_EQ(ReadRow(0x0100, status), std::vector<uint8_t>(32, 0xFF)) << "unknown rows are erased";
  EXPECT_EQ(status, 0);

  ASSERT_EQ(Program(FirmwareFile("halyard-fw.srec")), 0);
  EXPECT_FALSE(sim_.TrimRunning()) << "programming again stops the trim firmware";
  ReadRow(0xB1E0, status);
  EXPECT_EQ(status, st::kNoDevice);
  EXPECT_EQ(sim_.SendSmbusCommand(0x08, 0x17), 0) << "the image is still there to start";
}

TEST_F(OpenBench, RowWriteStoresTheRowOnlyWhenUnlockedArmedAndWhole) {
  StartTrimFirmware();
  const FlashRow factory = DefaultReservedRow();
  FlashRow row = factory;
  row[30] = 0x7E;
  std::vector<uint8_t> block = RowBlock(row);

  EXPECT_EQ(WriteRow(0xB1E0, row), st::kRowWriteProtected) << "bit 3 of 0x0000 clear";
  sim_.ControllerMemory()[0] = 0xF7;
  EXPECT_EQ(WriteRow(0xB1E0, row), st::kRowWriteProtected) << "every bit but bit 3 set";
  sim_.ControllerMemory()[0] = 0x08;
  ASSERT_EQ(sim_.WriteSmbusWord(0x09, static_cast<int16_t>(0xB1E0), 0x17), 0);
  EXPECT_EQ(sim_.WriteSmbusBlock(0x10, block, 33, 0x17), st::kRowNotArmed);
  EXPECT_EQ(sim_.WriteSmbusWord(0x11, 0x00F0, 0x17), st::kBadArgument);
  EXPECT_EQ(sim_.WriteSmbusBlock(0x10, block, 33, 0x17), st::kRowNotArmed);
  EXPECT_EQ(WriteRow(0xB1E0, row, 32), st::kBadBlock) << "count 32";
  EXPECT_EQ(WriteRow(0xB1E0, row, 34), st::kBadBlock) << "count 34";
  ASSERT_EQ(sim_.WriteSmbusWord(0x11, 0x000F, 0x17), 0);
  block[32] = 0x0E;
  EXPECT_EQ(sim_.WriteSmbusBlock(0x10, block, 33, 0x17), st::kBadBlock) << "tail byte not 0x0F";
  block[32] = 0x0F;
  EXPECT_EQ(sim_.WriteSmbusBlock(0x10, block, 33, 0x17), st::kRowNotArmed)
      << "one arming covers one attempt";
  ASSERT_EQ(sim_.WriteSmbusWord(0x11, 0x000F, 0x17), 0);
  EXPECT_EQ(sim_.WriteSmbusBlock(0x10, std::vector<uint8_t>(20, 0x0F), 33, 0x17), st::kBadBlock)
      << "a count beyond the array is refused, not read past";
  EXPECT_EQ(sim_.Row(0xB1E0), factory) << "a refused write writes nothing";

  ASSERT_EQ(WriteRow(0xB1E0, row), 0);
  EXPECT_EQ(sim_.Row(0xB1E0), row);
  int16_t status = 0;
  EXPECT_EQ(ReadRow(0xB1E0, status), std::vector<uint8_t>(row.begin(), row.end()));
  FlashRow fresh;
  fresh.fill(0x11);
  ASSERT_EQ(WriteRow(0x0200, fresh), 0);
  EXPECT_EQ(sim_.Row(0x0200), fresh) << "a new row comes into being";
  EXPECT_EQ(sim_.Row(0xB1E0), row) << "other rows stay";
}

// Paths may use '\' and are taken relative to the working directory; each kind of bad file has
// its own status and leaves the controller as it was.
TEST_F(OpenBench, ProgrammingTakesEitherSeparatorAndAnswersAStatusPerKindOfBadFile) {
  const std::filesystem::path relative =
      std::filesystem::relative(FirmwareFile("gxTrim.srec"), std::filesystem::current_path());
  std::string windows = relative.string();
  std::replace(windows.begin(), windows.end(), '/', '\\');
  ASSERT_NE(windows.find('\\'), std::string::npos);
  std::string path = windows;
  std::string unused;
  ASSERT_EQ(sim_.ProgramSrec(path, unused, unused), 0);
  EXPECT_EQ(path, windows) << "the caller's text is left as it was";
  ASSERT_EQ(sim_.Programmings().size(), 1u);
  EXPECT_EQ(sim_.Programmings()[0].path, windows);
  EXPECT_EQ(sim_.Programmings()[0].file, relative);
  EXPECT_EQ(sim_.Programmings()[0].dataBytes, 512u);
  ASSERT_EQ(sim_.SendSmbusCommand(0x08, 0x17), 0);

  ScratchDir dir;
  std::filesystem::create_directory(dir.Path() / "folder.srec");
  const std::vector<std::pair<std::filesystem::path, int16_t>> cases = {
      {dir.Path() / "absent.srec", 1},
      {"", 1},
      {dir.Path() / "folder.srec", 2},
      {dir.Write("empty.srec", ""), 3},
      {dir.Write("malformed.srec", "S107001041424344DE\nX1\n"), 4},
      {dir.Write("checksum.srec", "S107001041424344DF\n"), 5},
      {dir.Write("nodata.srec", "S9030000FC\n"), 6},
      {dir.Write("range.srec", "S20801000041424344EC\n"), 7},
  };
  for (const auto& [file, status] : cases) {
    SCOPED_TRACE(file.string());
    EXPECT_EQ(Program(file), status);
    EXPECT_TRUE(sim_.TrimRunning()) << "a refused file leaves the controller alone";
  }
  ASSERT_EQ(sim_.Programmings().size(), cases.size() + 1);
  EXPECT_EQ(sim_.SuccessfulProgrammings(), 1);
  EXPECT_NE(sim_.Programmings().back().message.find("line 1"), std::string::npos);
}

// Each failing write is what GetWriteStatus reports next; reads leave that alone.
TEST_F(OpenBench, UnknownCommandsAndAbsentDevicesFailAndGetWriteStatusReportsTheLastWrite) {
  int16_t word = 0x4321;
  std::vector<uint8_t> data(33, 0);
  int16_t count = 0;
  EXPECT_EQ(sim_.GetWriteStatus(), 0);
  EXPECT_EQ(sim_.WriteSmbusWord(0x33, 1, 0x16), st::kUnknownCommand);
  EXPECT_EQ(sim_.GetWriteStatus(), st::kUnknownCommand);
  EXPECT_EQ(sim_.ReadSmbusWord(0x09, word, 0x16), st::kUnknownCommand);
  EXPECT_EQ(sim_.ReadSmbusBlock(0x0C, data, count, 0x16), st::kUnknownCommand);
  EXPECT_EQ(sim_.ReadSmbusWord(0x0D, word, 0x18), st::kNoDevice);
  EXPECT_EQ(sim_.ReadSmbusBlock(0x20, data, count, 0x15), st::kNoDevice);
  EXPECT_EQ(word, 0x4321);
  EXPECT_EQ(count, 0);
  ASSERT_EQ(sim_.WriteSmbusWord(0x09, 0, 0x16), 0);
  EXPECT_EQ(sim_.GetWriteStatus(), 0);
  EXPECT_EQ(sim_.ReadSmbusWord(0x0D, word, 0x18), st::kNoDevice);
  EXPECT_EQ(sim_.GetWriteStatus(), 0) << "a read is not a write";
  EXPECT_EQ(sim_.WriteSmbusBlock(0x10, data, 33, 0x16), st::kUnknownCommand);
  EXPECT_EQ(sim_.GetWriteStatus(), st::kUnknownCommand);
  EXPECT_EQ(sim_.SendSmbusCommand(0x08, 0x16), st::kUnknownCommand);
  EXPECT_EQ(sim_.SendSmbusCommand(0x08, 0x17), st::kNoDevice);
  EXPECT_EQ(sim_.GetWriteStatus(), st::kNoDevice);
  EXPECT_EQ(I2cWrite(0x51, 1), st::kI2cNoRun);
  EXPECT_EQ(sim_.GetWriteStatus(), st::kI2cNoRun);
  EXPECT_EQ(sim_.WriteSmbusWord(0x09, 1, 0x50), st::kNoDevice);
  EXPECT_EQ(sim_.GetWriteStatus(), st::kNoDevice);
}

// --- rules ---

BenchRule Fail(std::optional<Operation> op, int16_t status, int64_t nth = 1, int64_t times = 1) {
  BenchRule rule;
  rule.op = op;
  rule.status = status;
  rule.nth = nth;
  rule.times = times;
  return rule;
}

TEST(SimRules, AnswerFromTheNthMatchingCallForCountCalls) {
  struct Case {
    int64_t nth, times;
    std::vector<int16_t> statuses;
  };
  const std::vector<Case> cases = {
      {1, 1, {7, 0, 0, 0, 0, 0}},
      {2, 2, {0, 7, 7, 0, 0, 0}},
      {1, -1, {7, 7, 7, 7, 7, 7}},
      {4, -1, {0, 0, 0, 7, 7, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("nth " + std::to_string(c.nth) + ", count " + std::to_string(c.times));
    SimulatedAdapter sim;
    ASSERT_EQ(sim.OpenDevice("HALYARD-SIM0"), 0);
    sim.AddRule(Fail(Operation::kReadSmbusWord, 7, c.nth, c.times));
    std::vector<int16_t> statuses;
    for (size_t i = 0; i < c.statuses.size(); ++i) {
      int16_t word = 0;
      statuses.push_back(sim.ReadSmbusWord(0x0D, word, 0x16));
    }
    EXPECT_EQ(statuses, c.statuses);
    EXPECT_EQ(sim.Rules()[0].matched, 6);
    EXPECT_EQ(sim.Rules()[0].applied, std::count(statuses.begin(), statuses.end(), 7));
  }
}

TEST_F(OpenBench, RuleMatchesOnlyTheGivenInputsBySixteenBitPattern) {
  std::string error;
  EXPECT_FALSE(sim_.AddRuleJson(R"({"op": "ReadSmbusWord", "match": {"word": 1}})", error));
  EXPECT_EQ(error.rfind("rule: /match/word: ", 0), 0u) << error;
  EXPECT_TRUE(sim_.Rules().empty());
  // The pattern 0xB1E0 must match the word the caller passes as -20000.
  ASSERT_TRUE(sim_.AddRuleJson(
      R"({"op": "WriteSmbusWord", "match": {"command": 9, "word": "0xB1E0", "device": "0x17"},
          "count": -1, "status": 12})",
      error))
      << error;
  EXPECT_EQ(sim_.WriteSmbusWord(0x09, static_cast<int16_t>(0xB1E0), 0x17), 12);
  EXPECT_EQ(sim_.WriteSmbusWord(0x09, static_cast<int16_t>(0xB1E0), 0x16), 0) << "other device";
  EXPECT_EQ(sim_.ControllerAddressPointer(), 0xB1E0);
  EXPECT_EQ(sim_.WriteSmbusWord(0x09, 0x31E0, 0x17), st::kNoDevice) << "other word";
  EXPECT_EQ(sim_.WriteSmbusWord(0x0A, static_cast<int16_t>(0xB1E0), 0x17), st::kNoDevice);
  EXPECT_EQ(sim_.Rules()[0].matched, 1);

  ASSERT_TRUE(sim_.AddRuleJson(
      R"({"op": "I2cAccess", "match": {"function": 2, "register": "0x51"}, "status": 4})", error))
      << error;
  int16_t value = 0;
  ASSERT_EQ(sim_.I2cAccess(0, 1, 0, value), 0);
  EXPECT_EQ(I2cRead(0x20, value), 0);
  EXPECT_EQ(I2cWrite(0x51, 1), 0);
  value = 0x66;
  EXPECT_EQ(I2cRead(0x51, value), 4);
  EXPECT_EQ(value, 0x66) << "a failing rule without outputs leaves the variable alone";
}

TEST_F(OpenBench, AnyOperationRuleFailsTheKthCallAndTheDeviceDoesNothing) {
  // A sweep as other tests run it: the third call of whatever kind fails.
  sim_.AddRule(Fail(std::nullopt, 9, 3));
  int16_t value = 0;
  const uint64_t before = sim_.OperationCount();
  EXPECT_EQ(sim_.I2cAccess(0, 1, 0, value), 0);
  EXPECT_EQ(I2cRead(0x51, value), 0);
  EXPECT_EQ(I2cWrite(0x51, 0x01), 9);
  EXPECT_EQ(sim_.Target()[0x51], 0xFF) << "the answered write never reached the target";
  EXPECT_EQ(sim_.GetWriteStatus(), 9) << "the scripted answer is the write's outcome";
  EXPECT_EQ(sim_.OperationCount(), before + 4);
  EXPECT_EQ(sim_.OperationCount(Operation::kI2cAccess), 3u);
  EXPECT_EQ(sim_.Rules()[0].applied, 1);
}

TEST_F(OpenBench, RuleOutputsReplaceOnlyWhatTheyName) {
  std::string error;
  ASSERT_TRUE(sim_.AddRuleJson(
      R"({"op": "ReadSmbusBlock", "match": {"command": "0x20"}, "count": 2,
          "outputs": {"count": 200, "data": "48 61 6C"}})",
      error))
      << error;
  std::vector<uint8_t> big(129, 0xEE);
  int16_t count = 0;
  ASSERT_EQ(sim_.ReadSmbusBlock(0x20, big, count, 0x16), 0);
  EXPECT_EQ(count, 200) << "the count is reported as given";
  EXPECT_EQ(big.size(), 129u) << "never grown to the count";
  EXPECT_EQ(std::vector<uint8_t>(big.begin(), big.begin() + 4),
            (std::vector<uint8_t>{0x48, 0x61, 0x6C, 0xEE}));
  std::vector<uint8_t> tiny(1, 0);
  ASSERT_EQ(sim_.ReadSmbusBlock(0x20, tiny, count, 0x16), 0);
  EXPECT_EQ(tiny, (std::vector<uint8_t>{0x48, 0x61, 0x6C})) << "grown to the data only";

  for (const char* rule :
       {R"({"op": "ReadSmbusBlock", "outputs": {"data": "01 02"}})",
        R"({"op": "ReadSmbusWord", "outputs": {"word": "0x8001"}})",
        R"({"op": "GetAdapterVersion", "outputs": {"first": "0x3132", "second": 51}})",
        R"({"op": "ListDevices", "outputs": {"count": 2, "names": "X,Y"}})",
        R"({"op": "ReadSwbWord", "match": {"register": 34}, "outputs": {"value": 65535}})"}) {
    ASSERT_TRUE(sim_.AddRuleJson(rule, error)) << error;
  }
  ASSERT_EQ(sim_.ReadSmbusBlock(0x0C, big, count, 0x17), 0);
  EXPECT_EQ(count, 2) << "without a count, the data's length";
  int16_t word = 0;
  ASSERT_EQ(sim_.ReadSmbusWord(0x0D, word, 0x16), 0);
  EXPECT_EQ(static_cast<uint16_t>(word), 0x8001);
  int16_t first = 0;
  int16_t second = 0;
  ASSERT_EQ(sim_.GetAdapterVersion(first, second), 0);
  EXPECT_EQ(first, 0x3132);
  EXPECT_EQ(second, 51);
  int32_t listed = 0;
  std::string names;
  sim_.ListDevices(2, listed, names);
  EXPECT_EQ(listed, 2);
  EXPECT_EQ(names, "X,Y");
  int16_t value = 0;
  ASSERT_EQ(sim_.ReadSwbWord(2, 0x22, value), 0);
  EXPECT_EQ(value, -1);
}

TEST(SimRules, BenchFileRulesComeFirstAndTheFirstDueRuleAnswers) {
  auto sim = FromJson(R"({"rules": [
      {"op": "ReadSmbusWord", "match": {"command": "0x0D"}, "status": 5},
      {"op": "ReadSmbusWord", "status": 6, "count": -1}]})");
  ASSERT_EQ(sim->OpenDevice("HALYARD-SIM0"), 0);
  sim->AddRule(Fail(Operation::kReadSmbusWord, 7, 1, -1));
  int16_t word = 0;
  EXPECT_EQ(sim->ReadSmbusWord(0x0D, word, 0x16), 5);
  EXPECT_EQ(sim->ReadSmbusWord(0x0D, word, 0x16), 6);
  EXPECT_EQ(sim->Rules()[2].matched, 2);
  EXPECT_EQ(sim->Rules()[2].applied, 0);
  sim->ClearRules();
  EXPECT_EQ(sim->ReadSmbusWord(0x0D, word, 0x16), 0);
}

// --- the state file ---

TEST(SimStateFile, TargetAndRowsOutliveTheProcess) {
  ScratchDir dir;
  const std::filesystem::path bench =
      dir.Write("bench.json", R"({"state_file": "state/bench-state.json"})");
  std::filesystem::create_directory(dir.Path() / "state");
  const std::filesystem::path state = dir.Path() / "state" / "bench-state.json";
  TargetMemory target;
  for (size_t i = 0; i < target.size(); ++i)
    target[i] = static_cast<uint8_t>(i * 13);
  WriteTargetConfiguration(target);
  FlashRow row;
  row.fill(0x3C);
  std::string error;
  {
    auto sim = MakeSimulatedAdapter(bench.string(), error);
    ASSERT_NE(sim, nullptr) << error;
    ASSERT_EQ(sim->OpenDevice("HALYARD-SIM0"), 0);
    EXPECT_EQ(sim->Target(), BenchConfig::BlankTarget()) << "no state file yet";
    sim->Target() = target;
    sim->SetRow(0x0400, row);
    sim->ControllerMemory()[0x5001] = 0x99;  // RAM: not kept
    sim->CloseDevice();
    EXPECT_EQ(sim->StateError(), "");
    ASSERT_TRUE(std::filesystem::exists(state));
    EXPECT_FALSE(std::filesystem::exists(state.string() + ".tmp"));
  }
  auto sim = MakeSimulatedAdapter(bench.string(), error);
  ASSERT_NE(sim, nullptr) << error;
  EXPECT_EQ(sim->Target(), BenchConfig::BlankTarget()) << "loaded at open, not before";
  ASSERT_EQ(sim->OpenDevice("HALYARD-SIM0"), 0);
  EXPECT_EQ(sim->Target(), target);
  EXPECT_EQ(sim->Row(0x0400), row);
  EXPECT_EQ(sim->Row(kReservedRowAddress), DefaultReservedRow());
  EXPECT_EQ(sim->ControllerMemory()[0x5001], 0x00);
}

TEST(SimStateFile, DamagedStateFileRefusesTheOpenWithThePlaceAndIsNotOverwritten) {
  ScratchDir dir;
  const std::string memory(512, 'F');
  const std::string format = R"({"format": "halyard-bench-state 1", )";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{", "line 1, column 2"},
      {R"({"target_memory": ")" + memory + R"("})", "/format"},
      {R"({"format": "halyard-bench-state 2", "target_memory": ")" + memory + R"("})", "/format"},
      {R"({"format": "halyard-bench-state 1"})", ": /: missing key"},
      {format + R"("target_memory": "FF"})", "/target_memory"},
      {format + R"("target_memory": ")" + memory + R"(", "rows": {"0xB1E0": "00"}})",
       "/rows/0xB1E0"},
      {format + R"("target_memory": ")" + memory + R"(", "x": 1})", "/x"},
  };
  for (const auto& [text, place] : cases) {
    SCOPED_TRACE(text);
    const std::filesystem::path state = dir.Write("s.json", text);
    auto sim = FromJson(R"({"state_file": "s.json"})", dir.Path());
    EXPECT_EQ(sim->OpenDevice("HALYARD-SIM0"), -1);
    EXPECT_FALSE(sim->IsOpen());
    EXPECT_EQ(sim->StateError().rfind(state.string() + ": ", 0), 0u) << sim->StateError();
    EXPECT_NE(sim->StateError().find(place), std::string::npos) << sim->StateError();
    sim->CloseDevice();
    EXPECT_EQ(testing::ReadText(state), text);
  }
}

TEST(SimStateFile, FailedSaveKeepsTheOldStateWhole) {
  ScratchDir dir;
  auto sim = FromJson(R"({"state_file": "s.json"})", dir.Path());
  ASSERT_EQ(sim->OpenDevice("HALYARD-SIM0"), 0);
  WriteTargetConfiguration(sim->Target());
  sim->CloseDevice();
  const std::string saved = testing::ReadText(dir.Path() / "s.json");
  ASSERT_NE(saved.find("48616C79617264"), std::string::npos) << "the text 'Halyard' is stored";

  // A folder where the temporary file would go makes the write fail before the rename.
  std::filesystem::create_directory(dir.Path() / "s.json.tmp");
  ASSERT_EQ(sim->OpenDevice("HALYARD-SIM0"), 0);
  sim->Target()[0x51] = 0x00;
  sim->CloseDevice();
  EXPECT_NE(sim->StateError().find("s.json.tmp"), std::string::npos) << sim->StateError();
  EXPECT_EQ(testing::ReadText(dir.Path() / "s.json"), saved);
}

}  // namespace
}  // namespace halyard
