// Every refusal of the bench file, in one table: each names the file, the place and the reason
// on one line and leaves the configuration as it was.
#include "sim/BenchFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "SimTestFiles.h"
#include "sim/TextFile.h"

namespace halyard {
namespace {

// Where the refused bench comes from: text in a file, or a path that is no bench file at all.
enum class Source { kText, kEmptyPath, kFolder, kFifo, kDevZero, kTooLarge };

struct Refusal {
  std::string text;    // the bench file (kText)
  std::string place;   // after "<file>: "; empty when the whole file is refused
  std::string reason;  // a part of the reason
  Source source = Source::kText;
};

std::string Nested(int depth) {
  return "{\"rules\": " + std::string(static_cast<size_t>(depth), '[') +
         std::string(static_cast<size_t>(depth), ']') + "}";
}

const std::vector<Refusal>& Refusals() {
  static const std::vector<Refusal> kRows = {
      {R"({"a~b/c": 1})", "/a~0b~1c at line 1, column 11", "unknown key 'a~b/c'"},
      {"{\"a\\u0001b\": 1}", "/a\\x01b at", "unknown key 'a\\x01b'"},
      {R"({"open_result": 0, "open_result": 1})", "/open_result at line 1, column 35",
       "key given twice"},
      {R"({"rules": [{"op": "*", "status": 1, "status": 2}]})", "/rules/0/status at",
       "key given twice"},
      {R"({"target": {"configured": 1}})", "/target/configured at line 1, column 27",
       "expected true or false, found a number"},
      {R"({"controller": {"reserved_row": ")" + std::string(62, '0') + R"(0G"}})",
       "/controller/reserved_row at", "not a hexadecimal digit"},
      {R"({"controller": {"silicon_version": "1.256"}})", "/controller/silicon_version at",
       "major.minor"},
      {R"({"controller": {"trim_images": ["fw/trim.srec"]}})", "/controller/trim_images/0 at",
       "without '/\\'"},
      {R"({"adapters": ["A,B"]})", "/adapters/0 at", "without ','"},
      {R"({"controller": {"oscillator": {"offset": 5}}})", "/controller/oscillator/offset at",
       "unknown key 'offset'"},
      {R"({"controller": {"oscillator": {"nominal_hz": 0}}})",
       "/controller/oscillator/nominal_hz at", "out of range"},
      {R"({"controller": {"oscillator": {"wobble_ppm": -1}}})",
       "/controller/oscillator/wobble_ppm at", "out of range"},
      {R"({"controller": {"oscillator": {"noise_ppm": "5"}}})",
       "/controller/oscillator/noise_ppm at", "expected a number, found a text"},
      {R"({"controller": {"oscillator": {"offset_ppm": 1e400}}})",
       "/controller/oscillator/offset_ppm at", "out of range"},
      {R"({"controller": {"oscillator": {"noise_seed": 1.5}}})",
       "/controller/oscillator/noise_seed at", "expected an integer"},
      {R"({"adapter_version": "1.20"})", "/adapter_version at", "three characters"},
      {R"({"state_file": ""})", "/state_file at", "empty path"},
      {R"({"rules": [{"op": "ReadSmbusWord"}, {"op": "ReadWord"}]})", "/rules/1/op at",
       "unknown operation 'ReadWord'"},
      {R"({"rules": [{"status": 1}]})", "/rules/0 at line 1, column 12", "missing key 'op'"},
      {R"({"rules": [{"op": "*", "fault": "explode"}]})", "/rules/0/fault at",
       "fault is \"crash\" or \"hang\""},
      {R"({"rules": [{"op": "ReadSmbusWord", "match": {"word": 1}}]})",
       "/rules/0/match/word at line 1, column 54", "ReadSmbusWord has no input 'word'"},
      {R"({"rules": [{"op": "*", "match": {"colour": 1}}]})", "/rules/0/match/colour at",
       "unknown input 'colour'"},
      {R"({"rules": [{"op": "WriteSmbusWord", "outputs": {"word": 1}}]})",
       "/rules/0/outputs/word at", "WriteSmbusWord has no output 'word'"},
      {R"({"rules": [{"op": "*", "outputs": {"word": 1}}]})", "/rules/0/outputs/word at",
       "gives no outputs"},
      {R"({"rules": [{"op": "*", "count": 0}]})", "/rules/0/count at line 1, column 33",
       "count 0 would never apply"},
      {R"({"rules": [{"op": "*", "match": {"command": 65536}}]})", "/rules/0/match/command at",
       "value 65536 out of range -32768..65535"},
      {R"({"rules": [{"op": "*", "match": {"kind": "0x100000000"}}]})", "/rules/0/match/kind at",
       "value 0x100000000 out of range"},
      {R"({"rules": [{"op": "*", "status": 1.5}]})", "/rules/0/status at",
       "expected an integer, found 1.5"},
      {R"({"open_result": 99999999999999999999})", "/open_result at line 1, column 17",
       "value 99999999999999999999 out of range -32768..32767"},
      {"{\n  \"open_result\": 40000\n}", "/open_result at line 2, column 18", "out of range"},
      {"{\n  \"open_result\": 0,\n  \"adapters\": [\"A\",]\n}", "line 3, column 20",
       "syntax error"},
      {"{\"adapters\": [\"A\tB\"]}", "line 1, column 17", "control character"},
      {"{\"adapters\": [\"\xFF\"]}", "line 1, column 16", "not UTF-8"},
      {"{} x", "line 1, column 4", "after the end"},
      {Nested(70), "line 1, column 74", "nested deeper than 64"},
      {"", "", "empty path", Source::kEmptyPath},
      {"", "", "is a folder", Source::kFolder},
      {"", "", "not a regular file", Source::kFifo},
      {"", "", "not a regular file", Source::kDevZero},
      {"", "", "larger than 16 MiB", Source::kTooLarge},
  };
  return kRows;
}

std::filesystem::path BenchPath(const Refusal& row, const testing::ScratchDir& dir) {
  switch (row.source) {
    case Source::kText:
      return dir.Write("bench.json", row.text);
    case Source::kEmptyPath:
      return {};
    case Source::kFolder:
      return dir.path;
    case Source::kFifo:
      ::mkfifo((dir.path / "fifo").c_str(), 0600);
      return dir.path / "fifo";
    case Source::kDevZero:
      return "/dev/zero";
    case Source::kTooLarge: {
      const std::filesystem::path big = dir.Write("big.json", "{}");
      std::filesystem::resize_file(big, kMaxBenchFileBytes + 1);  // sparse: no disk used
      return big;
    }
  }
  return {};
}

TEST(BenchFile, EveryRefusalNamesTheFileThePlaceAndTheReasonAndChangesNothing) {
  testing::ScratchDir dir;
  for (const Refusal& row : Refusals()) {
    SCOPED_TRACE(row.text + " / " + row.reason);
    const std::filesystem::path file = BenchPath(row, dir);
    BenchConfig config;
    config.openResult = 99;
    std::string error;
    EXPECT_FALSE(LoadBenchFile(file, config, error));
    const std::string start = file.string() + ": " + row.place;
    if (row.source != Source::kEmptyPath) {
      EXPECT_EQ(error.rfind(start, 0), 0u) << "wanted '" << start << "...', got: " << error;
    }
    EXPECT_NE(error.find(row.reason), std::string::npos) << error;
    EXPECT_EQ(error.find_first_of("\n\r\t\x01"), std::string::npos) << "one line: " << error;
    EXPECT_EQ(config.openResult, 99) << "a refused file changes nothing";
  }
}

// (Sixty-four levels are read: FuzzReplay.bench, depth-64.json.)
TEST(BenchFile, EveryKeyIsRead) {
  BenchConfig config;
  std::string error;
  ASSERT_TRUE(ParseBench(R"({"adapters": ["A", "B"], "open_result": "0x10",
      "adapter_version": "2.0", "target": {"memory": {"0x20": 3}, "configured": true},
      "controller": {"silicon_version": "2.10", "programmed": true, "memory": {"65535": 7},
                     "trim_images": ["fw.srec"], "rows": {"0x40": ")" +
                             std::string(64, 'A') + R"("}},
      "rules": [{"op": "ProgramSrec", "match": {"path": "a\u00e9", "second": ""}},
                {"op": "*", "nth": 9, "fault": "hang"}],
      "state_file": "s.json"})",
                         "b", "/base", config, error))
      << error;
  EXPECT_EQ(config.adapters, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(config.openResult, 16);
  EXPECT_EQ(config.targetMemory[0x20], 3) << "memory after configured, whatever the order";
  EXPECT_EQ(config.targetMemory[0x21], 'H');
  EXPECT_EQ(config.controller.siliconVersion, 0x020A);
  EXPECT_EQ(config.controller.image, ImageKind::kTrim);
  EXPECT_EQ(config.controller.memory[0xFFFF], 7);
  EXPECT_EQ(config.controller.rows.at(0x40)[31], 0xAA);
  EXPECT_EQ(config.controller.trimImages, std::vector<std::string>{"fw.srec"});
  ASSERT_EQ(config.rules.size(), 2u);
  EXPECT_EQ(config.rules[0].match.path, "a\xC3\xA9");
  EXPECT_EQ(config.rules[0].fault, RuleFault::kNone);
  EXPECT_EQ(config.rules[1].fault, RuleFault::kHang);
  EXPECT_EQ(config.stateFile, std::filesystem::path("/base/s.json"));
}

}  // namespace
}  // namespace halyard
