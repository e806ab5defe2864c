// The configuration file reads as the profile API reads it.
#include "app/Configuration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

namespace halyard {
namespace {

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
  const auto dir = std::filesystem::path(::testing::TempDir()) / "halyard-config-test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "good.ini", std::ios::binary)
      << "\xEF\xBB\xBF[DefaultFiles]\r\nSREC_FileName=x.srec\r\n";
  std::ofstream(dir / "huge.ini", std::ios::binary) << std::string(kProfileFileMax + 1, ';');
  ::mkfifo((dir / "fifo.ini").c_str(), 0600);
  struct Case {
    std::filesystem::path path;
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
  std::filesystem::remove_all(dir);
}

TEST(ConfigurationPathFor, JoinsTheFolderAndTheNameWithoutExtension) {
  EXPECT_EQ(ConfigurationPathFor("/opt/station.exe"), "/opt/station.ini");
  EXPECT_EQ(ConfigurationPathFor("/station"), "/station.ini");
}

}  // namespace
}  // namespace halyard
