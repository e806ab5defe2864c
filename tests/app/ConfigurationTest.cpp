// The configuration file reads as the profile API reads it.
#include "app/Configuration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace halyard {
namespace {

constexpr const char* kSection = "DefaultFiles";

TEST(ProfileFile, SectionsAndKeysIgnoreCase) {
  const auto profile = ProfileFile::Parse("[defaultfiles]\nsrec_filename=a.srec\n");
  EXPECT_EQ(profile.Get(kSection, "SREC_FileName"), "a.srec");
  EXPECT_EQ(profile.Get("DEFAULTFILES", "SREC_FILENAME"), "a.srec");
}

TEST(ProfileFile, MissingSectionOrKeyReadsEmpty) {
  const auto profile = ProfileFile::Parse("[Other]\nSREC_FileName=a.srec\n");
  EXPECT_EQ(profile.Get(kSection, "SREC_FileName"), "");
  EXPECT_EQ(profile.Get("Other", "TRIM_FileName"), "");
}

TEST(ProfileFile, MissingFileReadsEmpty) {
  const auto profile = ProfileFile::Load("/nonexistent/dir/halyard-station.ini");
  EXPECT_FALSE(profile.Found());
  EXPECT_EQ(profile.Get(kSection, "SREC_FileName"), "");
}

TEST(ProfileFile, WindowsLineEndsAndPathsAreTakenLiterally) {
  const auto profile = ProfileFile::Parse(
      "[DefaultFiles]\r\nSREC_FileName = C:\\fw\\main.srec \r\nTRIM_FileName=.\\gxTrim.srec\r\n");
  EXPECT_EQ(profile.Get(kSection, "SREC_FileName"), "C:\\fw\\main.srec");
  EXPECT_EQ(profile.Get(kSection, "TRIM_FileName"), ".\\gxTrim.srec");
}

TEST(ProfileFile, TheFirstValueOfARepeatedKeyCounts) {
  const auto profile = ProfileFile::Parse(
      "[DefaultFiles]\nEXPECTED_VERSION=1.2\nexpected_version=9.9\n[DefaultFiles]\n"
      "EXPECTED_VERSION=7.7\n");
  EXPECT_EQ(profile.Get(kSection, "EXPECTED_VERSION"), "1.2");
}

TEST(ProfileFile, SemicolonsInsideAValueAreNotComments) {
  const auto profile =
      ProfileFile::Parse("; a comment\n[DefaultFiles]\nSREC_FileName=a.srec ;not a comment\n");
  EXPECT_EQ(profile.Get(kSection, "SREC_FileName"), "a.srec ;not a comment");
}

TEST(ProfileFile, IndentedLinesDoNotContinueAValue) {
  const auto profile =
      ProfileFile::Parse("[DefaultFiles]\nSREC_FileName=a.srec\n   more\n  TRIM_FileName=t.srec\n");
  EXPECT_EQ(profile.Get(kSection, "SREC_FileName"), "a.srec");
  EXPECT_EQ(profile.Get(kSection, "TRIM_FileName"), "t.srec");
}

TEST(ProfileFile, LongLinesAreReadWholeAndValuesCutTo255) {
  const std::string longValue(600, 'x');
  const auto profile =
      ProfileFile::Parse("[DefaultFiles]\nSREC_FileName=" + longValue + "\nTRIM_FileName=after\n");
  EXPECT_EQ(profile.Get(kSection, "SREC_FileName"), std::string(255, 'x'));
  // The line after a long one is still its own line.
  EXPECT_EQ(profile.Get(kSection, "TRIM_FileName"), "after");
}

TEST(ProfileFile, MatchingQuotesAroundAValueAreRemoved) {
  const auto profile = ProfileFile::Parse("[DefaultFiles]\nSREC_FileName=\"a b.srec\"\n");
  EXPECT_EQ(profile.Get(kSection, "SREC_FileName"), "a b.srec");
}

TEST(ProfileFile, LoadsAFile) {
  const auto path = std::filesystem::temp_directory_path() / "halyard-config-test.ini";
  {
    std::ofstream out(path, std::ios::binary);
    out << "\xEF\xBB\xBF[DefaultFiles]\r\nSREC_FileName=x.srec\r\n";
  }
  const auto profile = ProfileFile::Load(path);
  std::filesystem::remove(path);
  EXPECT_TRUE(profile.Found());
  EXPECT_EQ(profile.Get(kSection, "SREC_FileName"), "x.srec");
}

TEST(ConfigurationPathFor, JoinsTheFolderAndTheNameWithoutExtension) {
  EXPECT_EQ(ConfigurationPathFor("/opt/halyard/bin/halyard-station"),
            std::filesystem::path("/opt/halyard/bin/halyard-station.ini"));
  EXPECT_EQ(ConfigurationPathFor("/opt/station.exe"), std::filesystem::path("/opt/station.ini"));
  // A program in the root folder does not get a doubled separator.
  EXPECT_EQ(ConfigurationPathFor("/station"), std::filesystem::path("/station.ini"));
}

}  // namespace
}  // namespace halyard
