// Reading [Line] and its sockets' sections defensively: a typo must stop the line at start, not
// test units with the wrong sequence.
#include "line/LineConfig.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <sstream>

namespace halyard::line {

namespace {

constexpr const char* kLine = "Line";
constexpr size_t kMaxSocketName = 16;
constexpr int kMaxSockets = 64;

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;)
    words.push_back(word);
  return words;
}

bool GoodName(const std::string& name) {
  return !name.empty() && name.size() <= kMaxSocketName &&
         std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                  c == '-' || c == '_';
         });
}

bool ReadNumber(const ProfileFile& profile, const char* key, double low, double high,
                std::optional<double>& value, std::string& error) {
  const std::string text = profile.Get(kLine, key);
  if (text.empty()) return true;
  double number = 0.0;
  const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
  if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() ||
      !(number >= low && number <= high)) {
    error = std::string("[Line] ") + key + "=" + text + ": expected a number from " +
            std::to_string(static_cast<int>(low)) + " to " + std::to_string(static_cast<int>(high));
    return false;
  }
  value = number;
  return true;
}

bool ReadSockets(const ProfileFile& profile, const std::filesystem::path& folder, LineConfig& line,
                 std::string& error) {
  const std::vector<std::string> names = Words(profile.Get(kLine, "Sockets"));
  if (names.empty() || names.size() > kMaxSockets) {
    error = "[Line] Sockets=: name 1 to " + std::to_string(kMaxSockets) +
            " sockets, separated by blanks (e.g. Sockets=1 2 3 4)";
    return false;
  }
  const std::string shared = profile.Get(kLine, "Counter");
  std::set<std::string> seen;
  for (const std::string& name : names) {
    if (!GoodName(name) || !seen.insert(name).second) {
      error = "[Line] Sockets=: '" + name + "' is " +
              (GoodName(name) ? "named twice" : "no socket name (letters, digits, - and _)");
      return false;
    }
    const std::string section = "Socket " + name;
    SocketConfig socket{name, profile.Get(section, "Adapter"), std::nullopt,
                        profile.Get(section, "Counter"), false};
    if (const std::string bench = profile.Get(section, "Bench"); !bench.empty()) {
      std::filesystem::path path(bench);
      socket.bench = (path.is_absolute() ? path : folder / path).string();
    }
    if (socket.counter.empty() && !shared.empty()) {
      socket.counter = shared;
      // The bench's own counter ("sim") is each socket's; anything else is one instrument.
      socket.counterShared = shared != "sim";
    }
    line.sockets.push_back(std::move(socket));
  }
  return true;
}

bool ReadSequence(const ProfileFile& profile, LineConfig& line, std::string& error) {
  const std::vector<std::string> words = Words(profile.Get(kLine, "Sequence"));
  if (words.empty()) {
    error = "[Line] Sequence=: name the steps each unit goes through (e.g. Sequence=run-all)";
    return false;
  }
  if (!ParseSteps(words, line.sequence, error)) {
    error = "[Line] Sequence=: " + error;
    return false;
  }
  for (const Step& step : line.sequence) {
    if (step.syntax->action == nullptr) {
      error = "[Line] Sequence=: '" + step.text + "' is no action a socket runs";
      return false;
    }
  }
  return true;
}

}  // namespace

bool HasLine(const ProfileFile& profile) {
  return !profile.Get(kLine, "Sockets").empty();
}

bool ReadLineConfig(const ProfileFile& profile, const std::filesystem::path& configPath,
                    LineConfig& line, std::string& error) {
  LineConfig read;
  read.configPath = configPath;
  read.configuration = profile;
  std::optional<double> retests;
  std::optional<double> timeout;
  if (!ReadSockets(profile, configPath.parent_path(), read, error) ||
      !ReadSequence(profile, read, error) ||
      !ReadNumber(profile, "RetestLimit", 0, 1000, retests, error) ||
      !ReadNumber(profile, "StepTimeoutSeconds", 1, 86400, timeout, error)) {
    return false;
  }
  if (retests) {
    if (*retests != static_cast<int>(*retests)) {
      error = "[Line] RetestLimit=: a whole number";
      return false;
    }
    read.retestLimit = static_cast<int>(*retests);
  }
  read.stepTimeoutSeconds = timeout.value_or(kDefaultStepTimeoutSeconds);
  line = std::move(read);
  return true;
}

}  // namespace halyard::line
