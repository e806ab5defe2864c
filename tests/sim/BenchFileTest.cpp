// Tests of the bench file and the hexadecimal text helpers.
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

TEST(BenchFile, ReadsEveryField) {
  const std::string json = R"({
    "adapters": ["HALYARD-A", "HALYARD-B"], "open_result": 5, "adapter_version": "2.0",
    "target": {"configured": true, "memory": {"0x51": "0x81", "0x20": 12, "255": 7}},
    "controller": {"silicon_version": "1.5", "reserved_row": ")" +
                           std::string(64, 'A') + R"(",
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

TEST(BenchFile, FaultsNameTheFileThePlaceAndTheReason) {
  struct BadBench {
    std::string json;
    std::string place;
    std::string reason;  // a part of the reason
  };
  const std::string row62(62, '0');
  const std::vector<BadBench> cases = {
      {R"({"adapter": []})", "/adapter", "unknown key"},
      {R"([1, 2])", "/", "expected an object"},
      {R"({"adapters": "HALYARD"})", "/adapters", "expected an array"},
      {R"({"adapters": ["A,B"]})", "/adapters/0", "','"},
      {R"({"adapters": ["A", 3]})", "/adapters/1", "expected a text"},
      {R"({"open_result": "abc"})", "/open_result", "not a number"},
      {R"({"open_result": 40000})", "/open_result", "out of range"},
      {R"({"open_result": 1.5})", "/open_result", "a fraction"},
      {R"({"adapter_version": "1.23"})", "/adapter_version", "three characters"},
      {R"({"target": {"configured": 1}})", "/target/configured", "true or false"},
      {R"({"target": {"memory": {"0x100": 1}}})", "/target/memory/0x100", "out of range"},
      {R"({"target": {"memory": {"0x51": 256}}})", "/target/memory/0x51", "out of range"},
      {R"({"target": {"memory": {"fifty": 1}}})", "/target/memory/fifty", "not an address"},
      {R"({"controller": {"silicon_version": "1.4.1"}})", "/controller/silicon_version",
       "major.minor"},
      {R"({"controller": {"reserved_row": ")" + row62 + R"(0"}})", "/controller/reserved_row",
       "odd number"},
      {R"({"controller": {"reserved_row": ")" + row62 + R"("}})", "/controller/reserved_row",
       "expected 32 bytes"},
      {R"({"controller": {"reserved_row": ")" + row62 + R"(GG"}})", "/controller/reserved_row",
       "not a hexadecimal digit"},
      {R"({"controller": {"rows": {"0xB1E1": ")" + row62 + R"(00"}}})", "/controller/rows/0xB1E1",
       "multiple of 32"},
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
      {R"({"rules": [{"op": "ReadSmbusWord", "nth": 0}]})", "/rules/0/nth", "out of range"},
      {R"({"rules": [{"op": "ReadSmbusWord", "count": 0}]})", "/rules/0/count", "never apply"},
      {R"({"rules": [{"op": "ReadSmbusWord", "count": -2}]})", "/rules/0/count", "out of range"},
      {R"({"rules": [{"op": "ReadSmbusWord", "outputs": {"data": "00"}}]})",
       "/rules/0/outputs/data", "has no output"},
      {R"({"rules": [{"op": "*", "outputs": {"word": 1}}]})", "/rules/0/outputs/word",
       "any operation"},
      {R"({"rules": [{"op": "ReadSmbusBlock", "when": 1}]})", "/rules/0/when", "unknown key"},
      {R"({"state_file": ""})", "/state_file", "empty"},
      {R"({"rules": [{"op": "ReadSmbusWord", "match": {"command": 1, "command": 2}}]})",
       "/rules/0/match/command", "twice"},
      {R"({"a~b/c": 1})", "/a~0b~1c", "unknown key"},
      {"{\n  \"open_result\": 0,\n  \"adapters\": [\"A\",]\n}", "line 3, column 20", "syntax"},
      {"", "line 1, column 1", "syntax"},
  };
  for (const BadBench& c : cases) {
    SCOPED_TRACE(c.json);
    BenchConfig config;
    config.openResult = 99;
    std::string error;
    EXPECT_FALSE(Parse(c.json, config, error));
    const std::string start = "bench.json: " + c.place + ": ";
    EXPECT_EQ(error.rfind(start, 0), 0u) << "wanted '" << start << "...', got: " << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
    EXPECT_EQ(config.openResult, 99) << "a refused file changes nothing";
  }
}

TEST(BenchFile, LoadingNamesTheFileAndTakesTheStateFileFromItsFolder) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.Path() / "benches");
  const std::filesystem::path good =
      dir.Write("benches/good.json", R"({"state_file": "state.json"})");
  const std::filesystem::path bad = dir.Write("bad.json", R"({"rules": [{"op": "Nope"}]})");
  BenchConfig config;
  std::string error;
  EXPECT_FALSE(LoadBenchFile(bad, config, error));
  EXPECT_EQ(error.rfind(bad.string() + ": /rules/0/op: ", 0), 0u) << error;
  EXPECT_FALSE(LoadBenchFile(dir.Path() / "absent.json", config, error));
  EXPECT_EQ(error, (dir.Path() / "absent.json").string() + ": no such file");
  EXPECT_FALSE(LoadBenchFile(dir.Path() / "benches", config, error));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;

  EXPECT_EQ(MakeSimulatedAdapter(bad.string(), error), nullptr);
  EXPECT_EQ(error.rfind(bad.string() + ": /rules/0/op: ", 0), 0u) << error;
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
  ASSERT_EQ(config.rules.size(), 1u);
  EXPECT_EQ(config.rules[0].outputs.data->size(), 13u);
}

// The bench file's fault table reaches most refusals; these are the edges it does not.
TEST(HexText, BytesAndNumbers) {
  std::string why;
  EXPECT_EQ(ParseHexBytes("48 61 6c", why), (std::vector<uint8_t>{0x48, 0x61, 0x6C}));
  EXPECT_FALSE(ParseHexBytes("4 8", why).has_value());
  EXPECT_NE(why.find("one digit"), std::string::npos) << why;

  EXPECT_EQ(ParseHexNumber("0XfFfF"), 0xFFFFu);
  EXPECT_EQ(ParseHexNumber("0xFFFFFFFF"), 0xFFFFFFFFu);
  for (const char* bad : {"0x100000000", "20", "0x", "0x2 ", "-0x2"}) {
    EXPECT_FALSE(ParseHexNumber(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace halyard
