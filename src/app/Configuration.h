// The station's configuration file: an INI file read the way the Windows profile API reads
// it (case-insensitive section and key names, "=" the only separator, first value of a
// repeated key wins, no inline comments, no continuation lines, no line ever cut, values cut to
// 255 characters, empty when missing).
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace halyard {

inline constexpr size_t kProfileValueMax = 255;
// A configuration file is a few lines; anything this large is not one.
inline constexpr size_t kProfileFileMax = 16u * 1024u * 1024u;

class ProfileFile {
 public:
  // A missing or unreadable file gives an empty profile: every lookup answers "".
  static ProfileFile Load(const std::filesystem::path& path);
  // As Load, but tells why a file could not be read: false with one line in `error`.
  static bool TryLoad(const std::filesystem::path& path, ProfileFile& profile, std::string& error);
  static ProfileFile Parse(std::string_view text);

  // The value of `key` in `section`, at most 255 characters; "" when absent.
  std::string Get(const std::string& section, const std::string& key) const;
  // A switch: yes/no, true/false, on/off or 1/0 in any case; absent or empty leaves `value`.
  // False, with one line naming the key in `error`, for anything else: a typo must not turn
  // a safeguard of the line off.
  bool GetSwitch(const std::string& section, const std::string& key, bool& value,
                 std::string& error) const;
  bool Found() const { return found_; }
  // SHA-256 of the file's bytes, as records name the configuration; empty unless read from a file.
  const std::string& Digest() const { return digest_; }

 private:
  void TakeLine(std::string_view line, std::string& section);

  bool found_ = false;
  std::string digest_;
  std::map<std::string, std::string> values_;  // "section\nkey", both lower-case
};

// The configuration file of a program: its folder, joined with its name without extension
// and ".ini".
std::filesystem::path ConfigurationPathFor(const std::filesystem::path& programPath);

// The configuration file a station reads without --config: the one beside the program (the
// build folder's), else the first of `fallbacks` that is a regular file, else the one beside the
// program, which then does not exist and gives empty settings.
std::filesystem::path FindConfiguration(const std::filesystem::path& programPath,
                                        const std::vector<std::filesystem::path>& fallbacks);

// Where an installed station falls back on, in order: the user's file under $XDG_CONFIG_HOME
// (else ~/.config) and the system-wide file. `xdgConfigHome` and `home` are the environment's
// values, null when unset; a relative XDG_CONFIG_HOME is ignored, as the XDG base directories
// say.
std::vector<std::filesystem::path> InstalledConfigurationPaths(
    const char* xdgConfigHome, const char* home, const std::filesystem::path& systemFile);
// The same from this process's environment and the system-wide file of the install prefix the
// build was configured with. Only the programs ask for it: a test that did so would read
// whatever an installed package left on the machine.
std::vector<std::filesystem::path> InstalledConfigurationPaths();

}  // namespace halyard
