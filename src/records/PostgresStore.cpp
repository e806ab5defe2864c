// The libpq connection under the shared SQL store. Statements go out without blocking and the
// station waits for their answers itself, each wait bounded, since a server that stops answering
// on an open connection (stopped, or its machine gone) would otherwise hold the station for good.
#include "records/PostgresStore.h"

#include <libpq-fe.h>
#include <poll.h>

#include <cerrno>
#include <utility>

namespace halyard::records {

namespace {

// Both text columns that hold times compare byte by byte, whatever the database's locale.
constexpr SqlStore::Dialect kPostgres{"BEGIN", "SELECT pg_advisory_xact_lock(7243101)",
                                      "seq BIGSERIAL PRIMARY KEY", "TEXT COLLATE \"C\""};

void IgnoreNotice(void*, const char*) {
  // "relation already exists, skipping" and the like would land in halyardctl's output.
}

std::string Seconds(RetryGate::Clock::duration duration) {
  const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(duration).count() / 100;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

}  // namespace

PostgresStore::PostgresStore(std::string address, PostgresSettings settings)
    : SqlStore(kPostgres),
      name_(std::move(address)),
      settings_(std::move(settings)),
      gate_(settings_.retry) {
  name_.AddSecret(settings_.password);
}

PostgresStore::~PostgresStore() {
  Disconnect();
}

bool PostgresStore::Make(const std::string& address, std::unique_ptr<RecordStore>& store,
                         std::string& error, PostgresSettings settings) {
  if (!CheckPostgresAddress(StoreName(address), error)) return false;
  store.reset(new PostgresStore(address, std::move(settings)));
  return true;
}

RetryGate::Clock::time_point PostgresStore::Now() const {
  return settings_.now ? settings_.now() : RetryGate::Clock::now();
}

bool PostgresStore::Gated(std::string& error) const {
  if (gate_.Due(Now())) return false;
  error = lastError_ + "; not tried again for " + Seconds(gate_.Left(Now()));
  return true;
}

bool PostgresStore::Passed(bool ok) {
  if (ok) gate_.Succeeded();
  return ok;
}

bool PostgresStore::Write(const Record& record, std::string& error) {
  if (Gated(error)) return false;
  if (Passed(SqlStore::Write(record, error))) return true;
  lastError_ = error;
  gate_.Failed(Now());
  return false;
}

bool PostgresStore::List(const RecordFilter& filter, std::vector<Record>& records,
                         std::string& error) {
  if (Gated(error)) return false;
  return Passed(SqlStore::List(filter, records, error));
}

bool PostgresStore::Fail(const std::string& what, std::string& error) {
  error = "record store (PostgreSQL): " + name_.Scrub(what);
  Disconnect();
  return false;
}

bool PostgresStore::Connect(bool, std::string& error) {
  if (conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK) return true;
  Disconnect();
  const ConnectionParameters parameters(name_.Raw(), settings_.password, settings_.limits);
  conn_ = PQconnectdbParams(parameters.Keywords(), parameters.Values(), 1);
  if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK)
    return Fail(conn_ ? PQerrorMessage(conn_) : "out of memory", error);
  PQsetNoticeProcessor(conn_, IgnoreNotice, nullptr);
  if (PQsetnonblocking(conn_, 1) != 0) return Fail(PQerrorMessage(conn_), error);
  const PostgresLimits& limits = settings_.limits;
  return Exec("SET statement_timeout = " + std::to_string(limits.statement.count()), {}, nullptr,
              error) &&
         Exec("SET lock_timeout = " + std::to_string(limits.lockWait.count()), {}, nullptr, error);
}

void PostgresStore::Disconnect() {
  if (conn_ == nullptr) return;
  PQfinish(conn_);
  conn_ = nullptr;
}

bool PostgresStore::Await(short events, RetryGate::Clock::time_point deadline) const {
  for (;;) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - RetryGate::Clock::now()).count();
    if (left <= 0) return false;
    pollfd entry{PQsocket(conn_), events, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(std::min<long long>(left, 1000)));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
}

bool PostgresStore::Exec(const std::string& sql, const std::vector<std::string>& params,
                         SqlRows* rows, std::string& error) {
  const PostgresLimits& limits = settings_.limits;
  const auto wait = Waiting() == Wait::kRecord ? limits.answer : limits.statement + limits.answer;
  const auto deadline = RetryGate::Clock::now() + wait;
  const std::string late = "no answer within " + Seconds(wait) + "; the connection is dropped";
  std::vector<const char*> values;
  for (const std::string& param : params)
    values.push_back(param.c_str());
  if (PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                        nullptr, nullptr, 0) == 0)
    return Fail(PQerrorMessage(conn_), error);
  for (int pending; (pending = PQflush(conn_)) != 0;) {
    if (pending < 0) return Fail(PQerrorMessage(conn_), error);
    if (!Await(POLLOUT | POLLIN, deadline)) return Fail(late, error);
    if (PQconsumeInput(conn_) == 0) return Fail(PQerrorMessage(conn_), error);
  }
  std::string failure;
  for (;;) {
    while (PQisBusy(conn_) != 0) {
      if (!Await(POLLIN, deadline)) return Fail(late, error);
      if (PQconsumeInput(conn_) == 0) return Fail(PQerrorMessage(conn_), error);
    }
    PGresult* result = PQgetResult(conn_);
    if (result == nullptr) break;
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && failure.empty())
      failure = PQresultErrorMessage(result);
    for (int r = 0; rows != nullptr && status == PGRES_TUPLES_OK && r < PQntuples(result); ++r) {
      std::vector<std::string>& row = rows->emplace_back();
      for (int c = 0; c < PQnfields(result); ++c)
        row.emplace_back(PQgetvalue(result, r, c), static_cast<size_t>(PQgetlength(result, r, c)));
    }
    PQclear(result);
  }
  if (failure.empty()) return true;
  error = "record store (PostgreSQL): " + name_.Scrub(failure);
  if (PQstatus(conn_) != CONNECTION_OK) Disconnect();
  return false;
}

}  // namespace halyard::records
