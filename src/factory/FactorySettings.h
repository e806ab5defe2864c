// The [Factory] section of the configuration: the broker, the address the station's messages go
// to, its CFX handle, the heartbeat, the outbox, and the optional unit check with the MES. Read
// once at start-up; a section that names a broker but cannot work stops the station there.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace halyard::factory {

struct FactorySettings {
  std::string broker;    // amqp://HOST:PORT or amqps://HOST:PORT; empty: no factory messages
  std::string user;      // empty: anonymous
  std::string password;  // read from PasswordFile=, never from the command line
  std::string caFile;  // amqps: the authority that signed the broker's certificate; empty: system's
  std::string address;  // where the station's messages go, e.g. /queue/cfx
  std::string handle;   // the station's CFX handle, the Source of every message
  std::chrono::seconds heartbeat{60};
  std::filesystem::path outbox;  // empty: in the station's state folder, named by the handle
  bool syncEachMessage = true;   // fdatasync before the action reports (OutboxSync=always)
  // The unit check: a ValidateUnitsRequest to the MES before a unit's first action.
  bool validateUnits = false;
  std::string mesHandle;          // the Target of the request
  std::string validationAddress;  // where requests go, e.g. /queue/mes.requests
  std::string replyAddress;       // where answers come; empty: /queue/<handle>.replies
  std::chrono::milliseconds validationTimeout{3000};
  bool admitWithoutAnswer = false;  // WhenNoAnswer=admit|refuse
  bool Enabled() const { return !broker.empty(); }
};

// Looks a key of [Factory] up: its value, "" when absent.
using FactoryKey = std::function<std::string(const std::string& key)>;

// The settings from the section; false, with one line in `error`, for a section that names a
// broker and cannot work (a key missing or wrong, the password file unreadable). No broker: off.
bool ReadFactorySettings(const FactoryKey& key, FactorySettings& settings, std::string& error);

// The outbox of `handle` when none is given: $XDG_STATE_HOME (else ~/.local/state)
// /halyard-station/cfx-<digest of the handle>.outbox.
std::filesystem::path DefaultOutboxPath(const std::string& handle);
// The settings of one socket of a line, whose sockets share the configuration and so the handle:
// an outbox of its own ("-<socket>" before the file's extension: cfx-1a2b-s1.outbox) and a reply
// queue of its own (".<socket>" after the address), as one process holds an outbox and the MES's
// answer must reach the socket that asked.
void ForSocket(FactorySettings& settings, const std::string& socket);

}  // namespace halyard::factory
