// The fault sweep: a few hundred halyardctl sessions, run in-process exactly as the program runs
// them, each with random steps and one or two bench rules that fail a random call the session
// makes. The state file is kept from session to session, as a station's bench keeps it from
// day to day. The seed is fixed, so a finding comes back on every run; its report names the
// session, its steps and its rules.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/Halyardctl.h"
#include "support/TestStation.h"  // DefaultIni: the shipped images by absolute path
#include "sweep/SessionCheck.h"

namespace halyard::sweep {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kSeed = 20240611;
constexpr int kAllSessions = 300;
// Under the sanitizers a session costs some fifteen times as much, so that build checks the
// memory of the first sessions only; the optimised build runs them all and the counts below.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kSessions = 50;
#else
constexpr int kSessions = kAllSessions;
#endif

// rng() % n rather than a distribution: the mt19937 sequence is the same with every standard
// library, and so is this, so a seed names the same sessions everywhere.
size_t Pick(std::mt19937& rng, size_t n) {
  return rng() % n;
}

std::vector<std::string> DrawSteps(std::mt19937& rng) {
  // The trim update twice over: it is where most of the promises lie.
  static const std::vector<std::string> kSteps{
      "configure",   "tab=1",       "version-test", "smbus-test",    "i2c-test",     "swb-test",
      "run-all",     "program",     "trim-start",   "fine=",         "gross=",       "trim-read",
      "trim-update", "trim-update", "trim-update",  "auto-update=0", "auto-update=1"};
  std::vector<std::string> steps;
  // Half the sessions start the trim firmware first, so later trim steps reach the flash.
  if (Pick(rng, 2) == 0) steps.push_back("trim-start");
  for (size_t n = 1 + Pick(rng, 8); n > 0; --n) {
    const std::string& step = kSteps[Pick(rng, kSteps.size())];
    steps.push_back(step.ends_with("=") ? step + std::to_string(Pick(rng, 256)) : step);
  }
  return steps;
}

// The calls a part of a session (start-up, a step, shutdown) makes without faults: the
// operation of each, in order.
struct Part {
  std::string step;
  std::vector<std::string> calls;
};

// A rule failing one of the calls the session makes without faults: as the n-th call of any
// operation, or as the n-th call of its own. The part is drawn first, so a step of three calls
// is hit as often as one of thirty, and half the rules hit a trim update when there is one:
// the few calls that close an update get their share.
std::string DrawRule(std::mt19937& rng, const std::vector<Part>& parts) {
  std::vector<size_t> updates;
  for (size_t part = 0; part < parts.size(); ++part) {
    if (parts[part].step == "trim-update") updates.push_back(part);
  }
  const size_t hit = !updates.empty() && Pick(rng, 2) == 0 ? updates[Pick(rng, updates.size())]
                                                           : Pick(rng, parts.size());
  std::vector<std::string> calls;
  size_t call = 0;
  for (size_t part = 0; part < parts.size(); ++part) {
    if (part == hit) call = calls.size() + Pick(rng, parts[part].calls.size());
    calls.insert(calls.end(), parts[part].calls.begin(), parts[part].calls.end());
  }
  const bool anyOperation = Pick(rng, 2) == 0;
  const std::string op = anyOperation ? "*" : calls[call];
  const size_t nth =
      anyOperation ? call + 1 : std::count(calls.begin(), calls.begin() + call + 1, op);
  // Now and then two calls in a row, which reach both attempts of a closing write.
  const size_t count = Pick(rng, 4) == 0 ? 2 : 1;
  const size_t k = Pick(rng, 23);
  const int status = k == 0 ? -1 : k == 22 ? 32767 : static_cast<int>(k);
  return R"({"op": ")" + op + R"(", "nth": )" + std::to_string(nth) + R"(, "count": )" +
         std::to_string(count) + R"(, "status": )" + std::to_string(status) + "}";
}

struct Session {
  std::vector<std::string> steps;
  std::vector<std::string> rules;  // bench rules as JSON
};

std::string Join(const std::vector<std::string>& texts, const std::string& between) {
  std::string joined;
  for (const std::string& text : texts)
    joined += (joined.empty() ? "" : between) + text;
  return joined;
}

std::string Describe(int index, const Session& session) {
  return "seed " + std::to_string(kSeed) + ", session " + std::to_string(index) +
         ": halyardctl --json --no-wait " + Join(session.steps, " ") +
         "\n  rules: " + Join(session.rules, " ");
}

// The reserved row in the state file; the default bench's row before there is a file.
FlashRow StateRow(const fs::path& stateFile) {
  if (!fs::exists(stateFile)) return DefaultReservedRow();
  const Json state = Json::parse(std::ifstream(stateFile));
  const std::string digits = state.at("rows").at("0xB1E0");
  FlashRow row{};
  for (size_t k = 0; k < row.size(); ++k)
    row[k] = static_cast<uint8_t>(std::stoul(digits.substr(2 * k, 2), nullptr, 16));
  return row;
}

class FaultSweep : public ::testing::Test {
 protected:
  void SetUp() override {
    // The bench flushes the state file to disk at every close; in memory, when the machine has
    // such a folder, hundreds of sessions take a second instead of several.
    const fs::path shm = "/dev/shm";
    std::string pattern =
        ((fs::is_directory(shm) ? shm : fs::temp_directory_path()) / "halyard-sweep-XXXXXX")
            .string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch_ = pattern;
    fs::create_directory(scratch_ / "dry");
    std::ofstream(scratch_ / "station.ini") << testing::DefaultIni();
  }
  void TearDown() override { fs::remove_all(scratch_); }

  // One session on the bench file `bench` (text) in `dir`, whose state file is state.json.
  SessionFacts Run(const fs::path& dir, const std::string& bench,
                   const std::vector<std::string>& steps) const {
    std::ofstream(dir / "bench.json") << bench;
    std::vector<std::string> args{"--json",   "--no-wait",
                                  "--config", (scratch_ / "station.ini").string(),
                                  "--bench",  (dir / "bench.json").string()};
    args.insert(args.end(), steps.begin(), steps.end());
    std::ostringstream out, err;
    SessionFacts facts{};
    facts.code = cli::HalyardctlMain(args, testing::SourceDir() / "config", out, err);
    facts.err = err.str();
    std::istringstream text(out.str());
    for (std::string line; std::getline(text, line);)
      facts.lines.push_back(Json::parse(line));
    return facts;
  }
  // The operation of every call the session makes on the current state without faults.
  std::vector<Part> CleanCalls(const std::vector<std::string>& steps) const {
    const fs::path dry = scratch_ / "dry";
    fs::remove(dry / "state.json");
    if (fs::exists(scratch_ / "state.json"))
      fs::copy_file(scratch_ / "state.json", dry / "state.json");
    std::vector<Part> parts;
    for (const Json& line : Run(dry, R"({"state_file": "state.json"})", steps).lines) {
      Part part{line.at("step"), {}};
      for (const Json& trace : line.at("trace"))
        part.calls.push_back(BusOp(trace.get<std::string>()));
      if (!part.calls.empty()) parts.push_back(std::move(part));
    }
    return parts;
  }
  // Runs one session with faults and checks it; what broke is added to `findings`.
  void RunAndCheck(const Session& session, Tally& tally, Findings& findings) const {
    const fs::path stateFile = scratch_ / "state.json";
    // A save at the end of the session shows as a newer file: the bench replaces it whole.
    const bool existed = fs::exists(stateFile);
    const fs::file_time_type marked = fs::file_time_type::clock::now() - std::chrono::hours(24);
    if (existed) fs::last_write_time(stateFile, marked);
    const FlashRow before = StateRow(stateFile);

    SessionFacts facts = Run(
        scratch_, R"({"state_file": "state.json", "rules": [)" + Join(session.rules, ", ") + "]}",
        session.steps);
    ASSERT_EQ(facts.lines.size(), session.steps.size() + 2) << facts.err;
    for (size_t i = 0; i < session.steps.size(); ++i)
      ASSERT_EQ(facts.lines[i + 1].at("step"), session.steps[i]);
    facts.rowBefore = before;
    facts.rowAfter = StateRow(stateFile);
    facts.saved = fs::exists(stateFile) && (!existed || fs::last_write_time(stateFile) != marked);
    CheckSession(facts, tally, findings);
  }

  fs::path scratch_;
};

TEST_F(FaultSweep, NoFaultPassesUnsaidLeavesTheFlashOpenSilentlyOrSpoilsTheReservedRow) {
  std::mt19937 rng(kSeed);
  Tally tally;
  for (int index = 0; index < kSessions; ++index) {
    Session session{DrawSteps(rng), {}};
    const std::vector<Part> parts = CleanCalls(session.steps);
    ASSERT_FALSE(parts.empty());
    for (size_t n = 1 + Pick(rng, 2); n > 0; --n)
      session.rules.push_back(DrawRule(rng, parts));
    SCOPED_TRACE(Describe(index, session));
    Findings findings;
    RunAndCheck(session, tally, findings);
    if (HasFatalFailure()) return;
    for (const std::string& finding : findings)
      ADD_FAILURE() << finding;
  }
  // The sweep must keep reaching the paths it is for; a change that made every session fail at
  // start-up would otherwise leave it passing on nothing. (About a third of what it reaches.)
  if (kSessions < kAllSessions) return;
  EXPECT_GT(tally.passedUpdates, 20);
  EXPECT_GT(tally.failedUpdates, 40);
  EXPECT_GT(tally.flashLeftOpen, 0);
  EXPECT_GT(tally.neverEnabled, 10);
  EXPECT_GT(tally.closingRetries, 2);
  EXPECT_GT(tally.rowsStored, 5);
  EXPECT_GT(tally.failedSteps, 100);
}

}  // namespace
}  // namespace halyard::sweep
