// The configuration file: it reads as the profile API reads it, and which file a station reads
// without --config: the one beside the program, then the fallbacks the programs pass (the user's
// and the system-wide file of an installed station), and never a fallback the caller did not ask
// for.
#include "app/Configuration.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "InstallPaths.h"
#include "assembly/Station.h"
#include "support/ScratchDir.h"
#include "support/TestServices.h"

namespace halyard {
namespace {

namespace fs = std::filesystem;

// Only "=" separates a key from its value ([Colons]), and no line is ever cut, however long.
TEST(ProfileFile, ReadsLikeTheProfileApi) {
  const std::string longValue(600, 'x');
  const auto profile = ProfileFile::Parse(
      "; comment\r\n[defaultfiles]\r\nsrec_filename = C:\\fw\\main.srec \r\n"
      "TRIM_FileName=a.srec ;not a comment\n   indented continuation\n"
      "EXPECTED_VERSION=1.2\nexpected_version=9.9\nDEVICE=\"quoted value\"\n"
      "NUM_CUSTOM_READS=" +
      longValue + "\n[Other]\nSREC_FileName=other\n[Colons]\nSREC_FileName:colon.srec\n;" +
      std::string(1 << 20, 'c') + "EXPECTED_VERSION=9.9\nTRIM_FileName=a:b=c\n");
  const std::string s = "DefaultFiles";
  EXPECT_EQ(profile.Get(s, "SREC_FileName"), "C:\\fw\\main.srec");
  EXPECT_EQ(profile.Get("DEFAULTFILES", "trim_filename"), "a.srec ;not a comment");
  EXPECT_EQ(profile.Get(s, "EXPECTED_VERSION"), "1.2");  // the first of a repeated key
  EXPECT_EQ(profile.Get(s, "DEVICE"), "quoted value");
  EXPECT_EQ(profile.Get(s, "NUM_CUSTOM_READS"), std::string(255, 'x'));
  EXPECT_EQ(profile.Get(s, "Missing"), "");
  EXPECT_EQ(profile.Get("Other", "SREC_FileName"), "other");  // the line after a long one
  EXPECT_EQ(profile.Get("Colons", "SREC_FileName"), "");
  EXPECT_EQ(profile.Get("Colons", "SREC_FileName:colon.srec"), "");
  EXPECT_EQ(profile.Get("Colons", "EXPECTED_VERSION"), "");
  EXPECT_EQ(profile.Get("Colons", "TRIM_FileName"), "a:b=c");
}

TEST(ProfileFile, LoadsRegularReadableFilesOnly) {
  const testing::ScratchDir scratch;
  const fs::path& dir = scratch.path;
  std::ofstream(dir / "good.ini", std::ios::binary)
      << "\xEF\xBB\xBF[DefaultFiles]\r\nSREC_FileName=x.srec\r\n";
  std::ofstream(dir / "huge.ini", std::ios::binary) << std::string(kProfileFileMax + 1, ';');
  ::mkfifo((dir / "fifo.ini").c_str(), 0600);
  struct Case {
    fs::path path;
    std::string reason;  // empty: read
  };
  const Case cases[] = {
      {dir / "good.ini", ""},
      {"/nonexistent/halyard-station.ini", "No such file"},
      {dir, "not a regular file"},
      {dir / "fifo.ini", "not a regular file"},  // would block a plain read forever
      {"/proc/self/mem", "error"},               // a regular file whose read fails
      {dir / "huge.ini", "larger than 16 MiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    ProfileFile profile;
    std::string error;
    EXPECT_EQ(ProfileFile::TryLoad(c.path, profile, error), c.reason.empty()) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(ProfileFile::Load(c.path).Found(), c.reason.empty());
  }
  EXPECT_EQ(ProfileFile::Load(dir / "good.ini").Get("DefaultFiles", "SREC_FileName"), "x.srec");
}

TEST(ConfigurationPathFor, JoinsTheFolderAndTheNameWithoutExtension) {
  EXPECT_EQ(ConfigurationPathFor("/opt/station.exe"), "/opt/station.ini");
  EXPECT_EQ(ConfigurationPathFor("/station"), "/station.ini");
}

class ConfigurationLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("halyard-lookup-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "bin");
    fs::create_directories(dir_ / "user");
    fs::create_directories(dir_ / "etc");
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Write(const fs::path& relative, const std::string& srec) {
    const fs::path path = dir_ / relative;
    std::ofstream(path) << "[DefaultFiles]\nSREC_FileName=" << srec << "\n";
    return path;
  }
  fs::path Program() const { return dir_ / "bin" / "halyard-station"; }
  fs::path Beside() const { return dir_ / "bin" / "halyard-station.ini"; }
  fs::path User() const { return dir_ / "user" / "halyard-station.ini"; }
  fs::path System() const { return dir_ / "etc" / "halyard-station.ini"; }

  // The SREC name a started station shows, with the given fallbacks.
  std::string StartedSrec(const std::vector<fs::path>& fallbacks) {
    StationOptions options;
    options.app.programPath = Program();
    options.app.configFallbacks = fallbacks;
    testing::RecordingDialogs dialogs;
    testing::FakeEventPump pump;
    std::string error;
    const auto station = Station::Build(options, dialogs, pump, error);
    if (!station) return "no station: " + error;
    station->Form().Form_Load();
    return station->Form().Controls().SREC_Name.Text;
  }

  fs::path dir_;
};

// A folder in place of a file is passed over.
TEST_F(ConfigurationLookup, TheFileBesideTheProgramComesFirstThenTheFallbacksInOrder) {
  EXPECT_EQ(FindConfiguration(Program(), {User(), System()}), Beside());  // none at all
  Write("etc/halyard-station.ini", "system.srec");
  fs::create_directories(User());
  EXPECT_EQ(FindConfiguration(Program(), {User(), System()}), System());
  fs::remove(User());
  Write("user/halyard-station.ini", "user.srec");
  EXPECT_EQ(FindConfiguration(Program(), {User(), System()}), User());
  Write("bin/halyard-station.ini", "beside.srec");
  EXPECT_EQ(FindConfiguration(Program(), {User(), System()}), Beside());
}

TEST_F(ConfigurationLookup, TheStationReadsAFallbackOnlyWhenItsProgramAsksForIt) {
  Write("etc/halyard-station.ini", "system.srec");
  EXPECT_EQ(StartedSrec({System()}), "system.srec");
  // The tests' own stations pass none: a system-wide file must not change their start-up.
  EXPECT_EQ(StartedSrec({}), "");
  Write("bin/halyard-station.ini", "beside.srec");
  EXPECT_EQ(StartedSrec({System()}), "beside.srec");
}

TEST(InstalledConfigurationPaths, TheUsersFileThenTheSystemWideOne) {
  const fs::path system = "/etc/halyard-station/halyard-station.ini";
  const fs::path user = fs::path("halyard-station") / "halyard-station.ini";
  struct Case {
    const char* xdg;
    const char* home;
    std::vector<fs::path> expected;
  };
  const std::vector<Case> cases{
      {"/x/config", "/home/op", {"/x/config" / user, system}},
      {nullptr, "/home/op", {"/home/op/.config" / user, system}},
      {"", "/home/op", {"/home/op/.config" / user, system}},
      {"relative", "/home/op", {"/home/op/.config" / user, system}},  // ignored, as XDG says
      {nullptr, nullptr, {system}},
      {nullptr, "", {system}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.xdg ? c.xdg : "(unset)") + " " + (c.home ? c.home : "(unset)"));
    EXPECT_EQ(InstalledConfigurationPaths(c.xdg, c.home, system), c.expected);
  }
  // The system-wide file of an installed station lies under the configured prefix.
  const fs::path file = kSystemConfigurationFile;
  EXPECT_TRUE(file.is_absolute()) << file;
  EXPECT_EQ(file.filename(), "halyard-station.ini");
  EXPECT_EQ(InstalledConfigurationPaths().back(), file);
}

}  // namespace
}  // namespace halyard
