// The station's configuration file: an INI file read the way the Windows profile API reads
// it (case-insensitive section and key names, first value of a repeated key wins, no inline
// comments, no continuation lines, values cut to 255 characters, empty when missing).
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace halyard {

inline constexpr size_t kProfileValueMax = 255;

class ProfileFile {
 public:
  // A missing or unreadable file gives an empty profile: every lookup answers "".
  static ProfileFile Load(const std::filesystem::path& path);
  static ProfileFile Parse(const std::string& text);

  // The value of `key` in `section`, at most 255 characters; "" when absent.
  std::string Get(const std::string& section, const std::string& key) const;
  bool Found() const { return found_; }

 private:
  static int Handler(void* user, const char* section, const char* name, const char* value);

  bool found_ = false;
  std::map<std::string, std::string> values_;  // "section\nkey", both lower-case
};

// The configuration file of a program: its folder, joined with its name without extension
// and ".ini".
std::filesystem::path ConfigurationPathFor(const std::filesystem::path& programPath);

}  // namespace halyard
