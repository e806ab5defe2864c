// Reading [Factory]: every key checked here, so a station with a section that cannot work stops at
// start-up instead of losing messages later.
#include "factory/FactorySettings.h"

#include <charconv>

#include "records/PostgresAddress.h"
#include "records/Sha256.h"
#include "records/SpoolingStore.h"

namespace halyard::factory {

namespace {

bool Number(const std::string& text, long min, long max, long& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= min && value <= max;
}

bool YesNo(const std::string& key, const std::string& text, bool& value, std::string& error) {
  if (text.empty() || text == "no") {
    value = false;
  } else if (text == "yes") {
    value = true;
  } else {
    error = "[Factory] " + key + "=" + text + ": yes or no";
    return false;
  }
  return true;
}

// The host of amqp[s]://[user@]HOST[:PORT][/...]; empty when the URL is not one.
std::string BrokerHost(const std::string& url) {
  const size_t scheme = url.find("://");
  if (scheme == std::string::npos) return "";
  std::string rest = url.substr(scheme + 3);
  rest = rest.substr(0, rest.find('/'));
  if (const size_t at = rest.rfind('@'); at != std::string::npos) rest = rest.substr(at + 1);
  if (!rest.empty() && rest.front() == '[') return rest.substr(1, rest.find(']') - 1);
  return rest.substr(0, rest.find(':'));
}

// The password in the first line of the file; its mode is not checked here.
bool ReadPassword(const std::string& path, std::string& password, std::string& error) {
  unsigned mode = 0;
  if (!records::ReadPasswordLine(path, password, mode, error)) {
    error = "[Factory] PasswordFile=" + path + ": cannot be read";
    return false;
  }
  return true;
}

bool ReadBroker(const FactoryKey& key, FactorySettings& s, std::string& error) {
  const std::string host = BrokerHost(s.broker);
  if ((!s.broker.starts_with("amqp://") && !s.broker.starts_with("amqps://")) || host.empty()) {
    error = "[Factory] Broker=" + s.broker + ": amqp://HOST:PORT or amqps://HOST:PORT";
    return false;
  }
  if (s.broker.find('@') != std::string::npos) {
    error = "[Factory] Broker=: give the user as User= and the password in PasswordFile=";
    return false;
  }
  s.user = key("User");
  s.caFile = key("CaFile");
  const std::string passwordFile = key("PasswordFile");
  if (!passwordFile.empty() && !ReadPassword(passwordFile, s.password, error)) return false;
  // A password over amqp:// travels in clear: only to this machine.
  const bool loopback = host == "localhost" || host.starts_with("127.") || host == "::1";
  if (!s.password.empty() && s.broker.starts_with("amqp://") && !loopback) {
    error = "[Factory] a password to " + host + " over amqp:// would travel in clear: use amqps://";
    return false;
  }
  return true;
}

bool ReadValidation(const FactoryKey& key, FactorySettings& s, std::string& error) {
  if (!YesNo("ValidateUnits", key("ValidateUnits"), s.validateUnits, error)) return false;
  if (!s.validateUnits) return true;
  s.mesHandle = key("MesHandle");
  s.validationAddress = key("ValidationAddress");
  if (s.mesHandle.empty() || s.validationAddress.empty()) {
    error = "[Factory] ValidateUnits=yes needs MesHandle= and ValidationAddress=";
    return false;
  }
  s.replyAddress = key("ReplyAddress");
  if (s.replyAddress.empty()) s.replyAddress = "/queue/" + s.handle + ".replies";
  long ms = 0;
  if (const std::string t = key("ValidationTimeoutMs"); !t.empty()) {
    if (!Number(t, 100, 60000, ms)) {
      error = "[Factory] ValidationTimeoutMs=" + t + ": 100 to 60000";
      return false;
    }
    s.validationTimeout = std::chrono::milliseconds(ms);
  }
  const std::string answer = key("WhenNoAnswer");
  if (!answer.empty() && answer != "admit" && answer != "refuse") {
    error = "[Factory] WhenNoAnswer=" + answer + ": admit or refuse";
    return false;
  }
  s.admitWithoutAnswer = answer == "admit";
  return true;
}

}  // namespace

bool ReadFactorySettings(const FactoryKey& key, FactorySettings& settings, std::string& error) {
  FactorySettings s;
  s.broker = key("Broker");
  if (s.broker.empty()) {
    settings = s;
    return true;
  }
  if (!ReadBroker(key, s, error)) return false;
  s.address = key("Address");
  s.handle = key("Handle");
  if (s.address.empty() || s.handle.empty()) {
    error = "[Factory] Broker= needs Address= and Handle=";
    return false;
  }
  long seconds = 0;
  if (const std::string t = key("HeartbeatSeconds"); !t.empty()) {
    // CFX asks for a heartbeat at least every five minutes.
    if (!Number(t, 1, 300, seconds)) {
      error = "[Factory] HeartbeatSeconds=" + t + ": 1 to 300";
      return false;
    }
    s.heartbeat = std::chrono::seconds(seconds);
  }
  const std::string sync = key("OutboxSync");
  if (!sync.empty() && sync != "always" && sync != "background") {
    error = "[Factory] OutboxSync=" + sync + ": always or background";
    return false;
  }
  s.syncEachMessage = sync != "background";
  s.outbox = key("Outbox");
  if (s.outbox.empty()) s.outbox = DefaultOutboxPath(s.handle);
  if (!ReadValidation(key, s, error)) return false;
  settings = std::move(s);
  return true;
}

std::filesystem::path DefaultOutboxPath(const std::string& handle) {
  return records::StateFolder() / ("cfx-" + records::Sha256Hex(handle).substr(0, 16) + ".outbox");
}

void ForSocket(FactorySettings& settings, const std::string& socket) {
  const std::filesystem::path outbox = settings.outbox;
  settings.outbox.replace_filename(outbox.stem().string() + "-" + socket +
                                   outbox.extension().string());
  settings.replyAddress += "." + socket;
}

}  // namespace halyard::factory
