// Faults in a bench file name the file, the place and the reason, and change nothing.
#include "sim/BenchFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimTestFiles.h"

namespace halyard {
namespace {

TEST(BenchFile, FaultsNameTheFileThePlaceAndTheReason) {
  const std::string row62(62, '0');
  const std::vector<std::vector<std::string>> cases = {
      // text, place, a part of the reason
      {R"({"adapter": []})", "/adapter", "unknown key"},
      {R"([1, 2])", "/", "expected an object"},
      {R"({"target": {"memory": {"0x100": 1}}})", "/target/memory/0x100", "out of range"},
      {R"({"controller": {"reserved_row": ")" + row62 + R"("}})", "/controller/reserved_row",
       "expected 32 bytes"},
      {R"({"controller": {"rows": {"0xB1E1": ")" + row62 + R"(00"}}})", "/controller/rows/0xB1E1",
       "multiple of 32"},
      {R"({"rules": [{"status": 1}]})", "/rules/0", "missing key 'op'"},
      {R"({"rules": [{"op": "ReadSmbusWord"}, {"op": "ReadWord"}]})", "/rules/1/op",
       "unknown operation"},
      {R"({"rules": [{"op": "ReadSmbusWord", "match": {"word": 1}}]})", "/rules/0/match/word",
       "has no input"},
      {R"({"rules": [{"op": "*", "outputs": {"word": 1}}]})", "/rules/0/outputs/word",
       "any operation"},
      {R"({"rules": [{"op": "ReadSmbusWord", "count": 0}]})", "/rules/0/count", "never apply"},
      {R"({"a~b/c": 1})", "/a~0b~1c", "unknown key"},
      {"{\n  \"open_result\": 0,\n  \"adapters\": [\"A\",]\n}", "line 3, column 20", "syntax"},
  };
  testing::ScratchDir dir;
  for (const std::vector<std::string>& c : cases) {
    SCOPED_TRACE(c[0]);
    const std::filesystem::path file = dir.Write("bench.json", c[0]);
    BenchConfig config;
    config.openResult = 99;
    std::string error;
    EXPECT_FALSE(LoadBenchFile(file, config, error));
    const std::string start = file.string() + ": " + c[1] + ": ";
    EXPECT_EQ(error.rfind(start, 0), 0u) << "wanted '" << start << "...', got: " << error;
    EXPECT_NE(error.find(c[2]), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
    EXPECT_EQ(config.openResult, 99) << "a refused file changes nothing";
  }
}

}  // namespace
}  // namespace halyard
