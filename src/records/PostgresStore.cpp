// The libpq connection under the shared SQL store. Statements go out without blocking and the
// station waits for their answers itself, each wait bounded, since a server that stops answering
// on an open connection (stopped, or its machine gone) would otherwise hold the station for good.
#include "records/PostgresStore.h"

#include <libpq-fe.h>
#include <poll.h>

#include <cerrno>
#include <string_view>
#include <utility>
#include <vector>

namespace halyard::records {

namespace {

// Both text columns that hold times compare byte by byte, whatever the database's locale.
constexpr SqlStore::Dialect kPostgres{"BEGIN", "SELECT pg_advisory_xact_lock(7243101)",
                                      "seq BIGSERIAL PRIMARY KEY", "TEXT COLLATE \"C\"",
                                      &kPostgresQueries};

void IgnoreNotice(void*, const char*) {
  // "relation already exists, skipping" and the like would land in halyardctl's output.
}

std::string Seconds(RetryGate::Clock::duration duration) {
  const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(duration).count() / 100;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

// Each row of `result` to `take`, as long as it wants more; false when it had enough.
bool HandRows(PGresult* result, const RowSink& take, std::vector<std::string_view>& row) {
  for (int r = 0; r < PQntuples(result); ++r) {
    row.clear();
    for (int c = 0; c < PQnfields(result); ++c)
      row.emplace_back(PQgetvalue(result, r, c), static_cast<size_t>(PQgetlength(result, r, c)));
    if (!take(row)) return false;
  }
  return true;
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
  return Exec("SET statement_timeout = " + std::to_string(limits.statement.count()), {}, {},
              error) &&
         Exec("SET lock_timeout = " + std::to_string(limits.lockWait.count()), {}, {}, error);
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

bool PostgresStore::Send(const std::string& sql, const std::vector<std::string>& params,
                         bool rowByRow, RetryGate::Clock::time_point deadline,
                         const std::string& late, std::string& error) {
  std::vector<const char*> values;
  for (const std::string& param : params)
    values.push_back(param.c_str());
  if (PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                        nullptr, nullptr, 0) == 0)
    return Fail(PQerrorMessage(conn_), error);
  // Rows one at a time, so a reader's memory does not grow with the store. Should the mode be
  // refused, the rows come in one result and are handed over the same way.
  if (rowByRow) PQsetSingleRowMode(conn_);
  for (int pending; (pending = PQflush(conn_)) != 0;) {
    if (pending < 0) return Fail(PQerrorMessage(conn_), error);
    if (!Await(POLLOUT | POLLIN, deadline)) return Fail(late, error);
    if (PQconsumeInput(conn_) == 0) return Fail(PQerrorMessage(conn_), error);
  }
  return true;
}

void PostgresStore::Cancel() {
  // The statement's remaining rows are not wanted: the server stops its work, and the error
  // the statement then ends in is none of the caller's.
  if (PGcancel* cancel = PQgetCancel(conn_)) {
    char ignored[256];
    PQcancel(cancel, ignored, sizeof ignored);
    PQfreeCancel(cancel);
  }
}

bool PostgresStore::Exec(const std::string& sql, const std::vector<std::string>& params,
                         const RowSink& take, std::string& error) {
  const PostgresLimits& limits = settings_.limits;
  const auto wait = Waiting() == Wait::kRecord ? limits.answer : limits.statement + limits.answer;
  auto deadline = RetryGate::Clock::now() + wait;
  const std::string late = "no answer within " + Seconds(wait) + "; the connection is dropped";
  if (!Send(sql, params, static_cast<bool>(take), deadline, late, error)) return false;
  std::string failure;
  bool stopped = false;
  std::vector<std::string_view> row;
  for (;;) {
    while (PQisBusy(conn_) != 0) {
      if (!Await(POLLIN, deadline)) return Fail(late, error);
      if (PQconsumeInput(conn_) == 0) return Fail(PQerrorMessage(conn_), error);
    }
    PGresult* result = PQgetResult(conn_);
    if (result == nullptr) break;
    const ExecStatusType status = PQresultStatus(result);
    const bool rows = status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK;
    if (!rows && status != PGRES_COMMAND_OK && failure.empty() && !stopped)
      failure = PQresultErrorMessage(result);
    if (rows && take && !stopped) {
      // The wait is the server's: the time the caller takes over the rows does not count.
      const auto handing = RetryGate::Clock::now();
      stopped = !HandRows(result, take, row);
      deadline += RetryGate::Clock::now() - handing;
      if (stopped) Cancel();
    }
    PQclear(result);
  }
  if (failure.empty()) return true;
  error = "record store (PostgreSQL): " + name_.Scrub(failure);
  if (PQstatus(conn_) != CONNECTION_OK) Disconnect();
  return false;
}

bool PostgresStore::Read(const BoundSql& query, const RowSink& take, std::string& error) {
  if (Gated(error)) return false;
  return Passed(SqlStore::Read(query, take, error));
}

}  // namespace halyard::records
