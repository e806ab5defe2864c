// A postgresql:// address: checked at start for what can never work (a malformed address, a port
// that is no port, an unknown mode), and turned into libpq's connection parameters with the
// bounds the station keeps on every call (docs/records.md, "PostgreSQL").
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "records/StoreName.h"

namespace halyard::records {

struct PostgresLimits {
  // Connecting, when the address gives no connect_timeout (or 0, which libpq takes for ever).
  std::chrono::seconds connect{5};
  // A record's insert waits this long for a lock another client holds (lock_timeout).
  std::chrono::milliseconds lockWait{3000};
  // The server ends any statement after this (statement_timeout).
  std::chrono::milliseconds statement{120000};
  // The station gives up waiting for a record write's answer after this, and for any other
  // statement's after `statement` and this: a server that stops answering on an open connection
  // never holds the operator's action longer.
  std::chrono::milliseconds answer{10000};
  // TCP: a connection whose peer vanished is found dead within about these.
  int keepaliveIdleSeconds = 10;
  int keepaliveIntervalSeconds = 5;
  int keepaliveCount = 3;
  std::chrono::milliseconds tcpUserTimeout{10000};
};

// "postgresql://..." or "postgres://...": the names of a PostgreSQL store.
bool IsPostgresAddress(const std::string& name);

// False with one line in `error`, naming the store without its password, for an address libpq
// cannot parse or whose options can never work.
bool CheckPostgresAddress(const StoreName& name, std::string& error);

// The password in the first line of `path`: a regular file that others than its owner and group
// cannot read. False with one line in `error` (never the password) otherwise.
bool ReadPasswordFile(const std::filesystem::path& path, std::string& password, std::string& error);
// The reading alone (the factory's password file too): the first line of `path`, a regular file
// read up to 4 KiB, which may be empty, and the file's mode. False with one line in `error`
// (never the password) otherwise.
bool ReadPasswordLine(const std::filesystem::path& path, std::string& password, unsigned& mode,
                      std::string& error);

// libpq's keywords and values for PQconnectdbParams (expand_dbname on): the station's defaults,
// the address, then what the station insists on (UTF-8; a bounded connection wait).
class ConnectionParameters {
 public:
  ConnectionParameters(const std::string& address, const std::string& password,
                       const PostgresLimits& limits);
  const char* const* Keywords() const { return keywords_.data(); }
  const char* const* Values() const { return values_.data(); }

 private:
  void Add(const char* keyword, std::string value);

  std::vector<std::pair<const char*, std::string>> pairs_;
  std::vector<const char*> keywords_;
  std::vector<const char*> values_;
};

}  // namespace halyard::records
