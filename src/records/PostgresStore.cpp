// The libpq connection under the shared SQL store.
#include "records/PostgresStore.h"

#include <libpq-fe.h>

#include <string_view>
#include <utility>
#include <vector>

namespace halyard::records {

namespace {

// Both text columns that hold times compare byte by byte, whatever the database's locale.
constexpr SqlStore::Dialect kPostgres{"BEGIN", "SELECT pg_advisory_xact_lock(7243101)",
                                      "seq BIGSERIAL PRIMARY KEY", "TEXT COLLATE \"C\"",
                                      &kPostgresQueries};

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
                         const RowSink& take, std::string& error) {
  std::vector<const char*> values;
  for (const std::string& param : params)
    values.push_back(param.c_str());
  if (take) {
    if (PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                          values.data(), nullptr, nullptr, 0) == 0) {
      error = OneLine(PQerrorMessage(conn_));
      return false;
    }
    PQsetSingleRowMode(conn_);
    return Stream(take, error);
  }
  PGresult* result = PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                  values.data(), nullptr, nullptr, 0);
  const ExecStatusType status = PQresultStatus(result);
  const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
  if (!ok) error = OneLine(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_));
  PQclear(result);
  return ok;
}

bool PostgresStore::Stream(const RowSink& take, std::string& error) {
  bool ok = true;
  bool stopped = false;
  std::vector<std::string_view> row;
  // Every result is read, up to the null that ends the statement, so the connection is free
  // for the next one.
  while (PGresult* result = PQgetResult(conn_)) {
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_SINGLE_TUPLE && !stopped) {
      row.clear();
      for (int c = 0; c < PQnfields(result); ++c)
        row.emplace_back(PQgetvalue(result, 0, c), static_cast<size_t>(PQgetlength(result, 0, c)));
      if (!take(row)) {
        stopped = true;
        if (PGcancel* cancel = PQgetCancel(conn_)) {
          char ignored[256];
          PQcancel(cancel, ignored, sizeof ignored);
          PQfreeCancel(cancel);
        }
      }
    } else if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK &&
               status != PGRES_COMMAND_OK && !stopped && ok) {
      // After a cancel the statement ends in an error that is none of the caller's.
      error = OneLine(PQresultErrorMessage(result));
      ok = false;
    }
    PQclear(result);
  }
  return ok;
}

}  // namespace halyard::records
