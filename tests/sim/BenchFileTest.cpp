// Tests of the bench file, the state file format and the hexadecimal text helpers.
#include "sim/BenchFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimTestFiles.h"
#include "sim/HexBytes.h"
#include "sim/SimulatedAdapter.h"

namespace halyard {
namespace {

using testing::ScratchDir;

bool Parse(const std::string& json, BenchConfig& config, std::string& error) {
  return ParseBench(json, "bench.json", "/benches", config, error);
}

TEST(BenchFile, DefaultsMakeANewStationWork) {
  const BenchConfig config;
  EXPECT_EQ(config.adapters, std::vector<std::string>{"HALYARD-SIM0"});
  EXPECT_EQ(config.openResult, 0);
  EXPECT_EQ(config.adapterVersion, "1.2");
  EXPECT_EQ(config.siliconVersion, 0x0104);
  EXPECT_EQ(config.targetMemory, BenchConfig::BlankTarget());
  EXPECT_EQ(config.controllerMemory, std::vector<uint8_t>(0x10000, 0x00));
  ASSERT_EQ(config.rows.count(kReservedRowAddress), 1u);
  EXPECT_EQ(config.rows.at(kReservedRowAddress)[kTrimByteIndex], 0x80);
  EXPECT_TRUE(config.rules.empty());
  EXPECT_TRUE(config.stateFile.empty());

  BenchConfig parsed;
  std::string error;
  ASSERT_TRUE(Parse("{}", parsed, error)) << error;
  EXPECT_EQ(parsed.rows, config.rows);
  EXPECT_EQ(parsed.targetMemory, config.targetMemory);
}

TEST(BenchFile, ReadsEveryField) {
  const std::string row(64, 'A');
  const std::string json = R"({
    "adapters": ["HALYARD-A", "HALYARD-B"], "open_result": 5, "adapter_version": "2.0",
    "target": {"configured": true, "memory": {"0x51": "0x81", "0x20": 12, "255": 7}},
    "controller": {"silicon_version": "1.5", "reserved_row": ")" +
                           row + R"(",
                   "rows": {"0x0020": ")" +
                           std::string(64, '0') + R"("},
                   "memory": {"0x0000": "0x08", "0xFFFF": 255}, "programmed": true},
    "rules": [{"op": "ReadSmbusBlock", "match": {"command": "0x20"}, "nth": 2, "count": 3,
               "status": 0, "outputs": {"count": 13, "data": "48 61 6C"}},
              {"op": "*", "nth": 7, "status": -4}],
    "state_file": "bench-state.json"
  })";
  BenchConfig config;
  std::string error;
  ASSERT_TRUE(Parse(json, config, error)) << error;
  EXPECT_EQ(config.adapters, (std::vector<std::string>{"HALYARD-A", "HALYARD-B"}));
  EXPECT_EQ(config.openResult, 5);
  EXPECT_EQ(config.adapterVersion, "2.0");
  EXPECT_EQ(config.targetMemory[0x51], 0x81);
  EXPECT_EQ(config.targetMemory[0x20], 12);
  EXPECT_EQ(config.targetMemory[0x21], 'H');
  EXPECT_EQ(config.targetMemory[0xFF], 7);
  EXPECT_EQ(config.siliconVersion, 0x0105);
  FlashRow aa;
  aa.fill(0xAA);
  EXPECT_EQ(config.rows.at(kReservedRowAddress), aa);
  EXPECT_EQ(config.rows.at(0x0020), FlashRow{});
  EXPECT_EQ(config.controllerMemory[0x0000], 0x08);
  EXPECT_EQ(config.controllerMemory[0xFFFF], 0xFF);
  EXPECT_TRUE(config.imagePresent);
  EXPECT_EQ(config.stateFile, std::filesystem::path("/benches/bench-state.json"));

  ASSERT_EQ(config.rules.size(), 2u);
  const BenchRule& first = config.rules[0];
  EXPECT_EQ(first.op, Operation::kReadSmbusBlock);
  EXPECT_EQ(first.match.command, 0x20);
  EXPECT_FALSE(first.match.device.has_value());
  EXPECT_EQ(first.nth, 2);
  EXPECT_EQ(first.times, 3);
  EXPECT_EQ(first.outputs.count, 13);
  EXPECT_EQ(first.outputs.data, (std::vector<uint8_t>{0x48, 0x61, 0x6C}));
  const BenchRule& any = config.rules[1];
  EXPECT_FALSE(any.op.has_value());
  EXPECT_EQ(any.nth, 7);
  EXPECT_EQ(any.times, 1) << "default count";
  EXPECT_EQ(any.status, -4);
}

TEST(BenchFile, ConfiguredKeepsTheOtherFlagBitsAndExplicitBytesWin) {
  BenchConfig config;
  std::string error;
  ASSERT_TRUE(
      Parse(R"({"target": {"memory": {"0x51": "0x80"}, "configured": true}})", config, error))
      << error;
  EXPECT_EQ(config.targetMemory[0x51], 0x80) << "memory is applied after configured";
  ASSERT_TRUE(Parse(R"({"target": {"configured": true}})", config, error)) << error;
  EXPECT_EQ(config.targetMemory[0x51], 0xFF) << "bit 0 set, the other bits as they were";
  EXPECT_EQ(std::string(config.targetMemory.begin() + 0x21, config.targetMemory.begin() + 0x2D),
            "Halyard_Test");
  EXPECT_EQ(config.targetMemory[0x2D], 0xFF);
}

TEST(BenchFile, WordsMayBeWrittenAsPatternsOrSignedIntegers) {
  BenchConfig config;
  std::string error;
  ASSERT_TRUE(Parse(R"({"rules": [
      {"op": "WriteSmbusWord", "match": {"word": -20000}},
      {"op": "ReadSmbusWord", "outputs": {"word": "0x8001"}},
      {"op": "ReadSwbWord", "outputs": {"value": 65535}}]})",
                    config, error))
      << error;
  EXPECT_EQ(config.rules[1].outputs.word, static_cast<int16_t>(0x8001));
  EXPECT_EQ(config.rules[2].outputs.value, -1);
  CallInputs call;
  call.word = static_cast<int16_t>(0xB1E0);
  EXPECT_TRUE(RuleMatches(config.rules[0], Operation::kWriteSmbusWord, call));
  call.word = 0x31E0;
  EXPECT_FALSE(RuleMatches(config.rules[0], Operation::kWriteSmbusWord, call));
}

struct BadBench {
  std::string json;
  std::string place;
  std::string reason;  // a part of the reason
};

TEST(BenchFile, FaultsNameTheFileThePlaceAndTheReason) {
  const std::vector<BadBench> cases = {
      {R"({"adapter": []})", "/adapter", "unknown key"},
      {R"([1, 2])", "/", "expected an object"},
      {R"({"adapters": "HALYARD"})", "/adapters", "expected an array"},
      {R"({"adapters": ["A,B"]})", "/adapters/0", "','"},
      {R"({"adapters": ["A", 3]})", "/adapters/1", "expected a text"},
      {R"({"open_result": "abc"})", "/open_result", "not a number"},
      {R"({"open_result": 40000})", "/open_result", "out of range"},
      {R"({"open_result": 1.5})", "/open_result", "a fraction"},
      {R"({"open_result": true})", "/open_result", "expected an integer"},
      {R"({"adapter_version": "1.23"})", "/adapter_version", "three characters"},
      {R"({"target": {"configured": 1}})", "/target/configured", "true or false"},
      {R"({"target": {"memory": {"0x100": 1}}})", "/target/memory/0x100", "out of range"},
      {R"({"target": {"memory": {"0x51": 256}}})", "/target/memory/0x51", "out of range"},
      {R"({"target": {"memory": {"fifty": 1}}})", "/target/memory/fifty", "not an address"},
      {R"({"target": {"colour": 1}})", "/target/colour", "unknown key"},
      {R"({"controller": {"silicon_version": "1.4.1"}})", "/controller/silicon_version",
       "major.minor"},
      {R"({"controller": {"silicon_version": "1.256"}})", "/controller/silicon_version",
       "major.minor"},
      {R"({"controller": {"reserved_row": ")" + std::string(63, '0') + R"("}})",
       "/controller/reserved_row", "odd number"},
      {R"({"controller": {"reserved_row": ")" + std::string(62, '0') + R"("}})",
       "/controller/reserved_row", "expected 32 bytes"},
      {R"({"controller": {"reserved_row": ")" + std::string(62, '0') + R"(GG"}})",
       "/controller/reserved_row", "not a hexadecimal digit"},
      {R"({"controller": {"rows": {"0xB1E1": ")" + std::string(64, '0') + R"("}}})",
       "/controller/rows/0xB1E1", "multiple of 32"},
      {R"({"controller": {"memory": {"0x10000": 0}}})", "/controller/memory/0x10000",
       "out of range"},
      {R"({"rules": {}})", "/rules", "expected an array"},
      {R"({"rules": [{"status": 1}]})", "/rules/0", "missing key 'op'"},
      {R"({"rules": [{"op": "ReadSmbusWord"}, {"op": "ReadWord"}]})", "/rules/1/op",
       "unknown operation"},
      {R"({"rules": [{"op": "ReadSmbusWord", "match": {"word": 1}}]})", "/rules/0/match/word",
       "has no input"},
      {R"({"rules": [{"op": "*", "match": {"colour": 1}}]})", "/rules/0/match/colour",
       "unknown input"},
      {R"({"rules": [{"op": "ReadSmbusWord", "match": {"command": "0xZZ"}}]})",
       "/rules/0/match/command", "not a number"},
      {R"({"rules": [{"op": "ReadSmbusWord", "match": {"command": 65536}}]})",
       "/rules/0/match/command", "out of range"},
      {R"({"rules": [{"op": "ReadSmbusWord", "nth": 0}]})", "/rules/0/nth", "out of range"},
      {R"({"rules": [{"op": "ReadSmbusWord", "count": 0}]})", "/rules/0/count", "never apply"},
      {R"({"rules": [{"op": "ReadSmbusWord", "count": -2}]})", "/rules/0/count", "out of range"},
      {R"({"rules": [{"op": "ReadSmbusWord", "status": 32768}]})", "/rules/0/status",
       "out of range"},
      {R"({"rules": [{"op": "ReadSmbusWord", "outputs": {"data": "00"}}]})",
       "/rules/0/outputs/data", "has no output"},
      {R"({"rules": [{"op": "*", "outputs": {"word": 1}}]})", "/rules/0/outputs/word",
       "any operation"},
      {R"({"rules": [{"op": "ReadSmbusBlock", "outputs": {"data": "4"}}]})",
       "/rules/0/outputs/data", "odd number"},
      {R"({"rules": [{"op": "ReadSmbusBlock", "outputs": {"count": 40000}}]})",
       "/rules/0/outputs/count", "out of range"},
      {R"({"rules": [{"op": "ReadSmbusBlock", "when": 1}]})", "/rules/0/when", "unknown key"},
      {R"({"state_file": ""})", "/state_file", "empty"},
      {R"({"open_result": 1, "open_result": 2})", "/open_result", "twice"},
      {R"({"rules": [{"op": "ReadSmbusWord", "match": {"command": 1, "command": 2}}]})",
       "/rules/0/match/command", "twice"},
      {R"({"a~b/c": 1})", "/a~0b~1c", "unknown key"},
      {"{\n  \"open_result\": 0,\n  \"adapters\": [\"A\",]\n}", "line 3, column 20", "syntax"},
      {"{\"open_result\": 0", "line 1, column 18", "syntax"},
      {"", "line 1, column 1", "syntax"},
  };
  for (const BadBench& c : cases) {
    BenchConfig config;
    config.openResult = 99;
    std::string error;
    EXPECT_FALSE(Parse(c.json, config, error)) << c.json;
    const std::string start = "bench.json: " + c.place + ": ";
    EXPECT_EQ(error.rfind(start, 0), 0u) << "wanted '" << start << "...', got: " << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
    EXPECT_EQ(config.openResult, 99) << "a refused file changes nothing: " << c.json;
  }
}

TEST(BenchFile, LoadingNamesTheFileAndTakesTheStateFileFromItsFolder) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.Path() / "benches");
  const std::filesystem::path good =
      dir.Write("benches/good.json", R"({"state_file": "state.json"})");
  BenchConfig config;
  std::string error;
  ASSERT_TRUE(LoadBenchFile(good, config, error)) << error;
  EXPECT_EQ(config.stateFile, dir.Path() / "benches" / "state.json");

  const std::filesystem::path bad = dir.Write("bad.json", R"({"rules": [{"op": "Nope"}]})");
  EXPECT_FALSE(LoadBenchFile(bad, config, error));
  EXPECT_EQ(error.rfind(bad.string() + ": /rules/0/op: ", 0), 0u) << error;

  EXPECT_FALSE(LoadBenchFile(dir.Path() / "absent.json", config, error));
  EXPECT_EQ(error, (dir.Path() / "absent.json").string() + ": no such file");
  EXPECT_FALSE(LoadBenchFile(dir.Path() / "benches", config, error));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;

  EXPECT_EQ(MakeSimulatedAdapter(bad.string(), error), nullptr);
  EXPECT_NE(error.find("/rules/0/op"), std::string::npos) << error;
  std::unique_ptr<SimulatedAdapter> fromFile = MakeSimulatedAdapter(good.string(), error);
  ASSERT_NE(fromFile, nullptr) << error;
  EXPECT_EQ(fromFile->Config().stateFile, dir.Path() / "benches" / "state.json");
  std::unique_ptr<SimulatedAdapter> byDefault = MakeSimulatedAdapter("", error);
  ASSERT_NE(byDefault, nullptr);
  EXPECT_TRUE(byDefault->Config().stateFile.empty());
}

TEST(BenchFile, TheExampleInTheBenchGuideIsValid) {
  const std::string guide = testing::ReadText(testing::SourceDir() / "docs" / "bench.md");
  const size_t start = guide.find("```json\n");
  ASSERT_NE(start, std::string::npos);
  const size_t end = guide.find("```", start + 8);
  ASSERT_NE(end, std::string::npos);
  BenchConfig config;
  std::string error;
  ASSERT_TRUE(Parse(guide.substr(start + 8, end - start - 8), config, error)) << error;
  EXPECT_EQ(config.rows.at(kReservedRowAddress), DefaultReservedRow());
  ASSERT_EQ(config.rules.size(), 1u);
  EXPECT_EQ(config.rules[0].outputs.data->size(), 13u);
}

TEST(BenchState, RoundTripsAndReportsAMissingFileAsAbsent) {
  ScratchDir dir;
  const std::filesystem::path path = dir.Path() / "state.json";
  BenchState state;
  bool exists = true;
  std::string error;
  ASSERT_TRUE(LoadBenchState(path, state, exists, error)) << error;
  EXPECT_FALSE(exists);

  BenchState saved;
  for (size_t i = 0; i < saved.targetMemory.size(); ++i) {
    saved.targetMemory[i] = static_cast<uint8_t>(i * 13);
  }
  saved.rows[0xB1E0] = DefaultReservedRow();
  saved.rows[0x0000].fill(0x5A);
  ASSERT_TRUE(SaveBenchState(path, saved, error)) << error;
  BenchState loaded;
  ASSERT_TRUE(LoadBenchState(path, loaded, exists, error)) << error;
  EXPECT_TRUE(exists);
  EXPECT_EQ(loaded.targetMemory, saved.targetMemory);
  EXPECT_EQ(loaded.rows, saved.rows);
}

TEST(BenchState, DamagedFilesAreRefusedWithThePlace) {
  ScratchDir dir;
  const std::string memory(512, 'F');
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{", "line 1, column 2"},
      {R"({"target_memory": ")" + memory + R"("})", "/format"},
      {R"({"format": "halyard-bench-state 2", "target_memory": ")" + memory + R"("})", "/format"},
      {R"({"format": "halyard-bench-state 1"})", "/:"},
      {R"({"format": "halyard-bench-state 1", "target_memory": "FF"})", "/target_memory"},
      {R"({"format": "halyard-bench-state 1", "target_memory": ")" + memory +
           R"(", "rows": {"0xB1E0": "00"}})",
       "/rows/0xB1E0"},
      {R"({"format": "halyard-bench-state 1", "target_memory": ")" + memory + R"(", "x": 1})",
       "/x"},
  };
  for (const auto& [text, place] : cases) {
    const std::filesystem::path path = dir.Write("state.json", text);
    BenchState state;
    state.targetMemory[0] = 0x42;
    bool exists = false;
    std::string error;
    EXPECT_FALSE(LoadBenchState(path, state, exists, error)) << text;
    EXPECT_EQ(error.rfind(path.string() + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(place), std::string::npos) << error;
    EXPECT_EQ(state.targetMemory[0], 0x42) << "unchanged on failure";
  }
}

TEST(HexText, BytesWithAndWithoutBlanks) {
  std::string why;
  EXPECT_EQ(ParseHexBytes("48 61 6c", why), (std::vector<uint8_t>{0x48, 0x61, 0x6C}));
  EXPECT_EQ(ParseHexBytes("48616C", why), (std::vector<uint8_t>{0x48, 0x61, 0x6C}));
  EXPECT_EQ(ParseHexBytes("", why), std::vector<uint8_t>{});
  EXPECT_FALSE(ParseHexBytes("4 8", why).has_value());
  EXPECT_NE(why.find("one digit"), std::string::npos) << why;
  EXPECT_FALSE(ParseHexBytes("486", why).has_value());
  EXPECT_FALSE(ParseHexBytes("4X", why).has_value());
  EXPECT_NE(why.find("character 2"), std::string::npos) << why;
  EXPECT_EQ(FormatHexBytes(std::vector<uint8_t>{0x00, 0xAB, 0x0F}.data(), 3), "00AB0F");
}

TEST(HexText, NumbersNeedThePrefixAndFitThirtyTwoBits) {
  EXPECT_EQ(ParseHexNumber("0x20"), 0x20u);
  EXPECT_EQ(ParseHexNumber("0XfFfF"), 0xFFFFu);
  EXPECT_EQ(ParseHexNumber("0xFFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_FALSE(ParseHexNumber("0x100000000").has_value());
  EXPECT_FALSE(ParseHexNumber("20").has_value());
  EXPECT_FALSE(ParseHexNumber("0x").has_value());
  EXPECT_FALSE(ParseHexNumber("0x2 ").has_value());
  EXPECT_FALSE(ParseHexNumber("-0x2").has_value());
}

}  // namespace
}  // namespace halyard
