// The manual pages against the programs: every option each program's help lists, every option
// of halyardctl's records commands and every step is in its page, so a new one cannot go
// undocumented.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "assembly/Actions.h"
#include "cli/Halyardctl.h"
#include "support/Files.h"
#include "support/Paths.h"

namespace halyard::testing {
namespace {

// The page's source as groff reads it, with its "\-" written "-" again.
std::string ManPage(const char* name) {
  std::ifstream in(SourceDir() / "docs/man" / name);
  std::stringstream text;
  text << in.rdbuf();
  return std::regex_replace(text.str(), std::regex(R"(\\-)"), "-");
}

std::set<std::string> OptionsIn(const std::string& help) {
  std::set<std::string> options;
  const std::regex option(R"(--[a-z][a-z-]*)");
  for (auto it = std::sregex_iterator(help.begin(), help.end(), option);
       it != std::sregex_iterator(); ++it)
    options.insert(it->str());
  return options;
}

std::string HalyardctlHelp(std::vector<std::string> args) {
  std::ostringstream out, err;
  args.push_back("--help");
  cli::HalyardctlMain(args, SourceDir() / "config", out, err);
  return out.str() + err.str();
}

TEST(ManPages, EveryOptionAndStepOfTheHelpIsInItsPage) {
  const std::string ctlPage = ManPage("halyardctl.1.in");
  const std::string ctlHelp = HalyardctlHelp({}) + HalyardctlHelp({"records", "list"}) +
                              HalyardctlHelp({"records", "yield"}) +
                              HalyardctlHelp({"records", "report"});
  ASSERT_GT(OptionsIn(ctlHelp).size(), 15u) << ctlHelp;
  for (const std::string& option : OptionsIn(ctlHelp))
    EXPECT_NE(ctlPage.find(option), std::string::npos) << "halyardctl.1 lacks " << option;
  for (const ActionRow& action : ActionTable()) {
    const std::string step =
        std::string(action.name) + (action.value.kind == ActionValue::Kind::kNone ? "" : "=");
    EXPECT_NE(ctlPage.find(step), std::string::npos) << "halyardctl.1 lacks the step " << step;
  }
#ifdef HALYARD_STATION_EXE
  const std::string stationHelp =
      ProgramOutput("QT_QPA_PLATFORM=offscreen '" HALYARD_STATION_EXE "' --help");
  ASSERT_GT(OptionsIn(stationHelp).size(), 3u) << stationHelp;
  const std::string stationPage = ManPage("halyard-station.1.in");
  for (const std::string& option : OptionsIn(stationHelp))
    EXPECT_NE(stationPage.find(option), std::string::npos) << "halyard-station.1 lacks " << option;
#endif
}

}  // namespace
}  // namespace halyard::testing
