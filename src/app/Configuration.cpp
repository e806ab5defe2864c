// Reading the configuration file through inih, set up to behave like the profile API.
#include "app/Configuration.h"

#include <ini.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace halyard {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string KeyOf(const std::string& section, const std::string& key) {
  return Lower(section) + '\n' + Lower(key);
}

// inih's behaviour is set through process-wide switches; the station sets them the same way
// before every parse, so whoever parsed before cannot change how this file is read.
void ConfigureInih() {
  ini_allow_multiline = false;        // an indented line is not a continuation
  ini_allow_inline_comments = false;  // "a=b ;c" has the value "b ;c"
  ini_allow_bom = true;
  ini_use_stack = false;  // heap line buffer that grows: no line is cut
  ini_allow_realloc = true;
  ini_max_line = 1 << 20;
  ini_initial_alloc = 256;
  ini_allow_no_value = false;
  ini_stop_on_first_error = false;
}

// The profile API removes one pair of matching quotes around a value.
std::string Unquote(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

int ProfileFile::Handler(void* user, const char* section, const char* name, const char* value) {
  auto* self = static_cast<ProfileFile*>(user);
  // The first value of a repeated key is the one that counts.
  self->values_.emplace(KeyOf(section, name), Unquote(value ? value : ""));
  return 1;
}

ProfileFile ProfileFile::Parse(const std::string& text) {
  ProfileFile profile;
  profile.found_ = true;
  ConfigureInih();
  ini_parse_string(text.c_str(), &ProfileFile::Handler, &profile);
  return profile;
}

ProfileFile ProfileFile::Load(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return ProfileFile{};
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return ProfileFile{};
  return Parse(text.str());
}

std::string ProfileFile::Get(const std::string& section, const std::string& key) const {
  const auto it = values_.find(KeyOf(section, key));
  if (it == values_.end()) return "";
  return it->second.substr(0, kProfileValueMax);
}

std::filesystem::path ConfigurationPathFor(const std::filesystem::path& programPath) {
  std::filesystem::path name = programPath.filename();
  name.replace_extension(".ini");
  return programPath.parent_path() / name;
}

}  // namespace halyard
