// The configuration file reads as the profile API reads it.
#include "app/Configuration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace halyard {
namespace {

TEST(ProfileFile, ReadsLikeTheProfileApi) {
  const std::string longValue(600, 'x');
  const auto profile = ProfileFile::Parse(
      "; comment\r\n[defaultfiles]\r\nsrec_filename = C:\\fw\\main.srec \r\n"
      "TRIM_FileName=a.srec ;not a comment\n   indented continuation\n"
      "EXPECTED_VERSION=1.2\nexpected_version=9.9\nDEVICE=\"quoted value\"\n"
      "NUM_CUSTOM_READS=" +
      longValue + "\n[Other]\nSREC_FileName=other\n");
  const std::string s = "DefaultFiles";
  EXPECT_EQ(profile.Get(s, "SREC_FileName"), "C:\\fw\\main.srec");
  EXPECT_EQ(profile.Get("DEFAULTFILES", "trim_filename"), "a.srec ;not a comment");
  EXPECT_EQ(profile.Get(s, "EXPECTED_VERSION"), "1.2");  // the first of a repeated key
  EXPECT_EQ(profile.Get(s, "DEVICE"), "quoted value");
  EXPECT_EQ(profile.Get(s, "NUM_CUSTOM_READS"), std::string(255, 'x'));
  EXPECT_EQ(profile.Get(s, "Missing"), "");
  EXPECT_EQ(profile.Get("Other", "SREC_FileName"), "other");  // the line after a long one
}

TEST(ProfileFile, LoadsAFileAndTakesAMissingOneAsEmpty) {
  const auto path = std::filesystem::temp_directory_path() / "halyard-config-test.ini";
  std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF[DefaultFiles]\r\nSREC_FileName=x.srec\r\n";
  const auto profile = ProfileFile::Load(path);
  std::filesystem::remove(path);
  EXPECT_EQ(profile.Get("DefaultFiles", "SREC_FileName"), "x.srec");
  EXPECT_FALSE(ProfileFile::Load("/nonexistent/halyard-station.ini").Found());
}

TEST(ConfigurationPathFor, JoinsTheFolderAndTheNameWithoutExtension) {
  EXPECT_EQ(ConfigurationPathFor("/opt/bin/halyard-station"), "/opt/bin/halyard-station.ini");
  EXPECT_EQ(ConfigurationPathFor("/opt/station.exe"), "/opt/station.ini");
  EXPECT_EQ(ConfigurationPathFor("/station"), "/station.ini");
}

}  // namespace
}  // namespace halyard
