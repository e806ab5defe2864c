// Reading the configuration file as the profile API reads it.
#include "app/Configuration.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "InstallPaths.h"
#include "records/Sha256.h"

namespace halyard {

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::string KeyOf(std::string_view section, std::string_view key) {
  return Lower(section) + '\n' + Lower(key);
}

constexpr std::array<const char*, 4> kSwitchOn = {"yes", "true", "on", "1"};
constexpr std::array<const char*, 4> kSwitchOff = {"no", "false", "off", "0"};

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v'; };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && blank(text.back()))
    text.remove_suffix(1);
  return text;
}

// The profile API removes one pair of matching quotes around a value.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The whole of a regular file of at most kProfileFileMax bytes.
bool ReadRegularFile(const std::filesystem::path& path, std::string& text, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (!ok) error = "not a regular file";
  text.clear();
  char buffer[65536];
  while (ok) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      ok = false;
    } else if (n == 0) {
      break;
    } else if (text.size() + static_cast<size_t>(n) > kProfileFileMax) {
      error = "larger than " + std::to_string(kProfileFileMax / (1024 * 1024)) + " MiB";
      ok = false;
    } else {
      text.append(buffer, static_cast<size_t>(n));
    }
  }
  ::close(fd);
  return ok;
}

}  // namespace

void ProfileFile::TakeLine(std::string_view line, std::string& section) {
  line = Trim(line);
  if (line.empty() || line.front() == ';') return;
  if (line.front() == '[') {
    const size_t end = line.find(']');
    section = std::string(Trim(line.substr(1, end == std::string_view::npos ? end : end - 1)));
    return;
  }
  const size_t equals = line.find('=');
  // Lines without "=", and keys before the first section, name nothing.
  if (equals == std::string_view::npos || section.empty()) return;
  const std::string_view key = Trim(line.substr(0, equals));
  if (key.empty()) return;
  // The first value of a repeated key is the one that counts.
  values_.emplace(KeyOf(section, key), std::string(Unquote(Trim(line.substr(equals + 1)))));
}

ProfileFile ProfileFile::Parse(std::string_view text) {
  ProfileFile profile;
  profile.found_ = true;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::string section;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    profile.TakeLine(text.substr(0, end), section);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return profile;
}

bool ProfileFile::TryLoad(const std::filesystem::path& path, ProfileFile& profile,
                          std::string& error) {
  std::string text;
  if (!ReadRegularFile(path, text, error)) return false;
  profile = Parse(text);
  profile.digest_ = records::Sha256Hex(text);
  return true;
}

ProfileFile ProfileFile::Load(const std::filesystem::path& path) {
  ProfileFile profile;
  std::string error;
  return TryLoad(path, profile, error) ? profile : ProfileFile{};
}

std::string ProfileFile::Get(const std::string& section, const std::string& key) const {
  const auto it = values_.find(KeyOf(section, key));
  if (it == values_.end()) return "";
  return it->second.substr(0, kProfileValueMax);
}

bool ProfileFile::GetSwitch(const std::string& section, const std::string& key, bool& value,
                            std::string& error) const {
  const std::string text = Get(section, key);
  const std::string word = Lower(Trim(text));
  if (word.empty()) return true;
  for (const bool on : {true, false}) {
    for (const char* spelt : on ? kSwitchOn : kSwitchOff) {
      if (word != spelt) continue;
      value = on;
      return true;
    }
  }
  error = "[" + section + "] " + key + "=" + text + ": expected yes or no";
  return false;
}

std::filesystem::path ConfigurationPathFor(const std::filesystem::path& programPath) {
  std::filesystem::path name = programPath.filename();
  name.replace_extension(".ini");
  return programPath.parent_path() / name;
}

std::filesystem::path FindConfiguration(const std::filesystem::path& programPath,
                                        const std::vector<std::filesystem::path>& fallbacks) {
  const std::filesystem::path beside = ConfigurationPathFor(programPath);
  std::error_code ec;
  if (std::filesystem::is_regular_file(beside, ec)) return beside;
  for (const std::filesystem::path& path : fallbacks) {
    if (std::filesystem::is_regular_file(path, ec)) return path;
  }
  return beside;
}

std::vector<std::filesystem::path> InstalledConfigurationPaths(
    const char* xdgConfigHome, const char* home, const std::filesystem::path& systemFile) {
  std::vector<std::filesystem::path> paths;
  if (xdgConfigHome != nullptr && *xdgConfigHome == '/') {
    paths.push_back(std::filesystem::path(xdgConfigHome) / kConfigurationSubpath);
  } else if (home != nullptr && *home == '/') {
    paths.push_back(std::filesystem::path(home) / ".config" / kConfigurationSubpath);
  }
  paths.push_back(systemFile);
  return paths;
}

std::vector<std::filesystem::path> InstalledConfigurationPaths() {
  return InstalledConfigurationPaths(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"),
                                     kSystemConfigurationFile);
}

}  // namespace halyard
