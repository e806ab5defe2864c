// The libpq connection under the shared SQL store.
#include "records/PostgresStore.h"

#include <libpq-fe.h>

#include <utility>

namespace halyard::records {

namespace {

// Both text columns that hold times compare byte by byte, whatever the database's locale.
constexpr SqlStore::Dialect kPostgres{"BEGIN", "SELECT pg_advisory_xact_lock(7243101)",
                                      "seq BIGSERIAL PRIMARY KEY", "TEXT COLLATE \"C\""};

// A station waits this long for a server that does not answer, then spools.
constexpr const char* kConnectTimeoutSeconds = "5";

std::string OneLine(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  for (char& c : text) {
    if (c == '\n') c = ' ';
  }
  return "record store (PostgreSQL): " + text;
}

void IgnoreNotice(void*, const char*) {
  // "relation already exists, skipping" and the like would land in halyardctl's output.
}

}  // namespace

PostgresStore::PostgresStore(std::string address)
    : SqlStore(kPostgres), address_(std::move(address)) {}

PostgresStore::~PostgresStore() {
  Disconnect();
}

bool PostgresStore::Make(const std::string& address, std::unique_ptr<RecordStore>& store,
                         std::string& error) {
  char* message = nullptr;
  PQconninfoOption* options = PQconninfoParse(address.c_str(), &message);
  if (options == nullptr) {
    error = OneLine(message ? message : "out of memory");
    PQfreemem(message);
    return false;
  }
  PQconninfoFree(options);
  store.reset(new PostgresStore(address));
  return true;
}

bool PostgresStore::Connect(bool, std::string& error) {
  if (conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK) return true;
  Disconnect();
  // Earlier entries are defaults that the address may override.
  const char* keywords[] = {"connect_timeout", "client_encoding", "dbname", nullptr};
  const char* values[] = {kConnectTimeoutSeconds, "UTF8", address_.c_str(), nullptr};
  conn_ = PQconnectdbParams(keywords, values, 1);
  if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK) {
    error = OneLine(conn_ ? PQerrorMessage(conn_) : "out of memory");
    Disconnect();
    return false;
  }
  PQsetNoticeProcessor(conn_, IgnoreNotice, nullptr);
  return true;
}

void PostgresStore::Disconnect() {
  if (conn_ == nullptr) return;
  PQfinish(conn_);
  conn_ = nullptr;
}

bool PostgresStore::Exec(const std::string& sql, const std::vector<std::string>& params,
                         SqlRows* rows, std::string& error) {
  std::vector<const char*> values;
  for (const std::string& param : params)
    values.push_back(param.c_str());
  PGresult* result = PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                  values.data(), nullptr, nullptr, 0);
  const ExecStatusType status = PQresultStatus(result);
  const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
  if (!ok) error = OneLine(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_));
  if (ok && rows != nullptr) {
    for (int r = 0; r < PQntuples(result); ++r) {
      std::vector<std::string>& row = rows->emplace_back();
      for (int c = 0; c < PQnfields(result); ++c) {
        row.emplace_back(PQgetvalue(result, r, c), static_cast<size_t>(PQgetlength(result, r, c)));
      }
    }
  }
  PQclear(result);
  return ok;
}

}  // namespace halyard::records
