// The checks of a postgresql:// address and the parameters the station connects with.
#include "records/PostgresAddress.h"

#include "records/SpoolFile.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <string_view>

namespace halyard::records {

namespace {

struct ChoiceOption {
  std::string_view keyword;
  std::vector<std::string_view> values;
};

// libpq's options whose value is one of a few words; any other is refused when connecting.
const std::array<ChoiceOption, 4>& ChoiceOptions() {
  static const std::array<ChoiceOption, 4> options{{
      {"sslmode", {"disable", "allow", "prefer", "require", "verify-ca", "verify-full"}},
      {"gssencmode", {"disable", "prefer", "require"}},
      {"channel_binding", {"disable", "prefer", "require"}},
      {"target_session_attrs",
       {"any", "read-write", "read-only", "primary", "standby", "prefer-standby"}},
  }};
  return options;
}

constexpr std::array<std::string_view, 6> kIntegerOptions = {
    "connect_timeout",     "keepalives",       "keepalives_idle",
    "keepalives_interval", "keepalives_count", "tcp_user_timeout"};

bool Integer(std::string_view text, long& value) {
  const char* end = text.data() + text.size();
  const auto parsed = std::from_chars(text.data(), end, value);
  return !text.empty() && parsed.ec == std::errc() && parsed.ptr == end;
}

size_t ListLength(std::string_view list) {
  return static_cast<size_t>(std::count(list.begin(), list.end(), ',')) + 1;
}

// The first reason the options can never work, empty when none.
std::string OptionProblem(const PQconninfoOption* options) {
  std::string_view hosts;
  std::string_view ports;
  for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
    if (option->val == nullptr) continue;
    const std::string_view keyword = option->keyword;
    const std::string_view value = option->val;
    if (keyword == "host" || (keyword == "hostaddr" && hosts.empty())) hosts = value;
    if (keyword == "port") ports = value;
    for (const ChoiceOption& choice : ChoiceOptions()) {
      if (keyword != choice.keyword ||
          std::find(choice.values.begin(), choice.values.end(), value) != choice.values.end())
        continue;
      std::string values;
      for (const std::string_view known : choice.values)
        values += (values.empty() ? "" : ", ") + std::string(known);
      return std::string(keyword) + " \"" + std::string(value) + "\" is none of " + values;
    }
    long number = 0;
    if (std::find(kIntegerOptions.begin(), kIntegerOptions.end(), keyword) !=
            kIntegerOptions.end() &&
        !Integer(value, number))
      return std::string(keyword) + " \"" + std::string(value) + "\" is not a whole number";
  }
  for (size_t begin = 0; !ports.empty() && begin <= ports.size();) {
    const size_t end = std::min(ports.find(',', begin), ports.size());
    const std::string_view port = ports.substr(begin, end - begin);
    long number = 0;
    if (!port.empty() && (port.find_first_not_of("0123456789") != std::string_view::npos ||
                          !Integer(port, number) || number < 1 || number > 65535))
      return "the port \"" + std::string(port) + "\" is not a number from 1 to 65535";
    begin = end + 1;
  }
  if (!ports.empty() && ListLength(ports) > 1 && ListLength(ports) != ListLength(hosts))
    return std::to_string(ListLength(ports)) + " ports for " + std::to_string(ListLength(hosts)) +
           " hosts";
  return {};
}

}  // namespace

bool IsPostgresAddress(const std::string& name) {
  return name.starts_with("postgresql://") || name.starts_with("postgres://");
}

bool CheckPostgresAddress(const StoreName& name, std::string& error) {
  char* message = nullptr;
  PQconninfoOption* options = PQconninfoParse(name.Raw().c_str(), &message);
  if (options == nullptr) {
    error = "record store " + name.Shown() +
            ": not a PostgreSQL address: " + name.Scrub(message ? message : "out of memory");
    PQfreemem(message);
    return false;
  }
  const std::string problem = OptionProblem(options);
  PQconninfoFree(options);
  if (problem.empty()) return true;
  error = "record store " + name.Shown() + ": " + name.Scrub(problem);
  return false;
}

ConnectionParameters::ConnectionParameters(const std::string& address, const std::string& password,
                                           const PostgresLimits& limits) {
  const std::string connect = std::to_string(limits.connect.count());
  // Defaults, which the address may change.
  Add("connect_timeout", connect);
  Add("keepalives", "1");
  Add("keepalives_idle", std::to_string(limits.keepaliveIdleSeconds));
  Add("keepalives_interval", std::to_string(limits.keepaliveIntervalSeconds));
  Add("keepalives_count", std::to_string(limits.keepaliveCount));
  Add("tcp_user_timeout", std::to_string(limits.tcpUserTimeout.count()));
  if (!password.empty()) Add("password", password);
  Add("dbname", address);
  // What the station insists on: texts are UTF-8, and connecting never waits for ever.
  Add("client_encoding", "UTF8");
  if (PQconninfoOption* options = PQconninfoParse(address.c_str(), nullptr)) {
    for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
      long seconds = 0;
      if (option->val != nullptr && std::string_view(option->keyword) == "connect_timeout" &&
          (!Integer(option->val, seconds) || seconds <= 0))
        Add("connect_timeout", connect);
    }
    PQconninfoFree(options);
  }
  for (const auto& [keyword, value] : pairs_) {
    keywords_.push_back(keyword);
    values_.push_back(value.c_str());
  }
  keywords_.push_back(nullptr);
  values_.push_back(nullptr);
}

void ConnectionParameters::Add(const char* keyword, std::string value) {
  pairs_.emplace_back(keyword, std::move(value));
}

bool ReadPasswordLine(const std::filesystem::path& path, std::string& password, unsigned& mode,
                      std::string& error) {
  struct stat status {};
  const int fd = OpenRegularFile(path, O_RDONLY, error);
  if (fd < 0) {
    error = "password file: " + error;
    return false;
  }
  std::string text;
  char buffer[512];
  bool ok = ::fstat(fd, &status) == 0;
  for (ssize_t n; ok && text.size() < 4096 && (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  if (!ok) {
    error = "password file \"" + path.string() + "\" cannot be read";
    return false;
  }
  mode = status.st_mode;
  password = text.substr(0, text.find_first_of("\r\n"));
  return true;
}

bool ReadPasswordFile(const std::filesystem::path& path, std::string& password,
                      std::string& error) {
  const std::string named = "password file \"" + path.string() + "\"";
  std::string line;
  unsigned mode = 0;
  if (!ReadPasswordLine(path, line, mode, error)) {
    error = "records " + error;
    return false;
  }
  if ((mode & S_IRWXO) != 0) {
    error =
        "records " + named + " can be read by anyone: allow its owner (and group) only (chmod 600)";
    return false;
  }
  if (line.empty()) {
    error = "records " + named + " holds no password in its first line";
    return false;
  }
  password = std::move(line);
  return true;
}

}  // namespace halyard::records
