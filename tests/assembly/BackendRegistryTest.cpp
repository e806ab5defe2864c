// The registry of backends: each row reached by its own name and making its backend, with or
// without a counter of its own; an unknown name, or a bench file where none belongs, refused in
// one line written from the rows; and the programs' help and the documents listing every row.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "assembly/Backend.h"
#include "cli/Halyardctl.h"
#include "i2c/FakeKernelBus.h"
#include "support/Files.h"
#include "support/Paths.h"
#include "support/ScratchDir.h"

namespace halyard::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Made {
  bool made = false;
  bool bench = false;    // the bench in this process
  bool counter = false;  // a counter of its own
  std::string text;      // the description, or the refusal
};

Made Make(const std::string& adapter, std::optional<std::string> benchPath = std::nullopt) {
  Backend backend;
  Made made;
  made.made = MakeBackend({adapter, std::move(benchPath), std::make_shared<FakeKernelBus>()},
                          backend, made.text);
  if (made.made) made.text = backend.description;
  made.bench = backend.bench != nullptr;
  made.counter = backend.counter != nullptr;
  EXPECT_EQ(made.made, backend.control != nullptr) << adapter;
  EXPECT_EQ(made.text.find('\n'), std::string::npos) << made.text;
  return made;
}

TEST(BackendRegistry, EachRowIsReachedByItsNameAndMakesItsBackendWithItsOwnCounterOrNone) {
  const ScratchDir scratch;
  const std::string bench = scratch.Write("bench.json", "{}").string();
  const std::string simDriver = std::string("driver:") + SIM_DRIVER + "," + bench;
  const struct {
    std::string adapter;  // "": the default
    bool benchFile;
    Made made;
  } cases[] = {
      {"", false, {true, true, true, "sim"}},
      {"sim", true, {true, true, true, "sim"}},
      {"i2c:/dev/i2c-1,map=0x17:0x0C", false, {true, false, false, "i2c:/dev/i2c-1,map=0x17:0x0C"}},
      {simDriver, false, {true, false, true, "driver:" SIM_DRIVER " (halyard-sim-driver "}},
      {"driver:" LOOPBACK_DRIVER, false, {true, false, false, "(loopback-driver 1.0)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.adapter);
    const Made made = Make(c.adapter, c.benchFile ? std::optional(bench) : std::nullopt);
    EXPECT_EQ(std::tuple(made.made, made.bench, made.counter),
              std::tuple(c.made.made, c.made.bench, c.made.counter));
    EXPECT_THAT(made.text, HasSubstr(c.made.text));
  }
  // A row added without a case here would go untried.
  for (const BackendRow& row : BackendRows()) {
    EXPECT_TRUE(std::ranges::any_of(cases, [&](const auto& c) {
      return FindBackendRow(c.adapter) == &row;
    })) << row.name;
  }
  EXPECT_EQ(BackendRows().front().name, "sim");  // the default, which "" names
}

TEST(BackendRegistry, RefusesInOneLineWrittenFromTheRows) {
  for (const char* adapter : {"usb", "simx", "sim:", "SIM", " sim", "i2c", "driver", "i2c/dev"}) {
    SCOPED_TRACE(adapter);
    const Made made = Make(adapter);
    EXPECT_FALSE(made.made);
    EXPECT_THAT(made.text,
                StartsWith(std::string("adapter ") + adapter + ": unknown adapter backend (use "));
    for (const BackendRow& row : BackendRows())
      EXPECT_THAT(made.text, HasSubstr(std::string(row.syntax)));
  }
  // Only the row that takes the bench file takes --bench; the others refuse it before they
  // are tried (the i2c row would otherwise open its device, the driver row load its library).
  const ScratchDir scratch;
  const std::string bench = scratch.Write("bench.json", "{}").string();
  for (const std::string adapter : {"i2c:/dev/i2c-1", "driver:/nonexistent/libfoo.so"}) {
    EXPECT_EQ(
        Make(adapter, bench).text,
        "a bench file works only with the simulated bench (adapter sim), not with " + adapter);
  }
  // A maker's refusal names the backend, but for the bench's, which names its file.
  const std::string broken = scratch.Write("broken.json", "{ \"adapters\": [ }").string();
  const struct {
    std::string adapter;
    std::optional<std::string> benchFile;
    std::string start;
  } refusals[] = {
      {"sim", broken, broken + ": "},
      {"i2c:/dev/i2c-7", std::nullopt, "adapter i2c:/dev/i2c-7: "},
      {"i2c:/dev/i2c-1,speed=fast", std::nullopt, "adapter i2c:/dev/i2c-1,speed=fast: "},
      {"driver:", std::nullopt, "adapter driver:: no driver library named"},
      {"driver:/nonexistent/libfoo.so,x", std::nullopt,
       "adapter driver:/nonexistent/libfoo.so,x: "},
  };
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.adapter);
    const Made made = Make(r.adapter, r.benchFile);
    EXPECT_FALSE(made.made);
    EXPECT_THAT(made.text, StartsWith(r.start));
  }
}

// Each row's syntax and help on a line of their own, after a line naming the default.
void ExpectEveryRow(const std::string& help) {
  std::vector<std::string> lines;
  std::istringstream stream(help);
  for (std::string line; std::getline(stream, line);)
    lines.push_back(line);
  const std::span<const BackendRow> rows = BackendRows();
  for (const BackendRow& row : rows) {
    EXPECT_EQ(std::ranges::count_if(lines,
                                    [&](const std::string& line) {
                                      return line.find(row.syntax) != std::string::npos &&
                                             line.find(row.help) != std::string::npos;
                                    }),
              1)
        << row.name << " in\n"
        << help;
  }
}

TEST(BackendRegistry, BothProgramsHelpListsEveryRow) {
  EXPECT_THAT(AdapterHelp(), HasSubstr("else sim\n"));
  ExpectEveryRow(AdapterHelp());
  std::ostringstream out, err;
  ASSERT_EQ(cli::HalyardctlMain({"--help"}, SourceDir() / "config", out, err), cli::kExitOk);
  ExpectEveryRow(out.str());
#ifdef HALYARD_STATION_EXE
  ExpectEveryRow(ProgramOutput("QT_QPA_PLATFORM=offscreen '" HALYARD_STATION_EXE "' --help"));
#endif
}

// The lines of the table under the header `| \`--adapter\` | Backend |` in a document.
std::vector<std::string> BackendTable(const std::filesystem::path& file) {
  std::ifstream stream(file);
  std::vector<std::string> table;
  bool inside = false;
  for (std::string line; std::getline(stream, line);) {
    if (line == "| `--adapter` | Backend |") {
      inside = true;
    } else if (inside && !line.starts_with("|")) {
      break;
    } else if (inside && !line.starts_with("|---")) {
      table.push_back(line);
    }
  }
  return table;
}

TEST(BackendRegistry, TheDocumentsListEveryRowAndNoOther) {
  for (const char* document : {"docs/backends.md", "README.md"}) {
    SCOPED_TRACE(document);
    const std::vector<std::string> table = BackendTable(SourceDir() / document);
    const std::span<const BackendRow> rows = BackendRows();
    ASSERT_EQ(table.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_THAT(table[i], StartsWith("| `" + std::string(rows[i].syntax) + "` |"));
      EXPECT_THAT(table[i], HasSubstr(std::string(rows[i].help)));
    }
  }
}

}  // namespace
}  // namespace halyard::testing
