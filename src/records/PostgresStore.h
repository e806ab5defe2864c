// The store of a line of stations: one PostgreSQL database, reached with libpq from a
// postgresql:// address. Connects on first use and again after a failure, so a server that
// restarts is found again; every call is bounded (PostgresLimits), and after a failure the
// server is left alone for a while (RetryGate), so an outage costs a record no wait at all.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "records/PostgresAddress.h"
#include "records/RetryGate.h"
#include "records/SqlStore.h"
#include "records/StoreName.h"

struct pg_conn;

namespace halyard::records {

struct PostgresSettings {
  PostgresLimits limits;
  RetryGate::Settings retry;
  std::function<RetryGate::Clock::time_point()> now;  // empty: the steady clock
  std::string password;  // from the station's password file; empty: libpq's own ways
};

class PostgresStore final : public SqlStore {
 public:
  // False with one line in `error` when `address` can never work (CheckPostgresAddress).
  static bool Make(const std::string& address, std::unique_ptr<RecordStore>& store,
                   std::string& error, PostgresSettings settings = {});
  ~PostgresStore() override;
  PostgresStore(const PostgresStore&) = delete;
  PostgresStore& operator=(const PostgresStore&) = delete;

  // Both writing and reading wait for the retry gate, and open it again when they worked.
  bool Write(const Record& record, std::string& error) override;

 protected:
  bool Connect(bool create, std::string& error) override;
  void Disconnect() override;
  bool Exec(const std::string& sql, const std::vector<std::string>& params, const RowSink& take,
            std::string& error) override;
  bool Read(const BoundSql& query, const RowSink& take, std::string& error) override;

 private:
  PostgresStore(std::string address, PostgresSettings settings);
  RetryGate::Clock::time_point Now() const;
  bool Gated(std::string& error) const;
  bool Passed(bool ok);
  // Waits for the connection's socket until `deadline`; false when the time ran out.
  bool Await(short events, RetryGate::Clock::time_point deadline) const;
  bool Fail(const std::string& what, std::string& error);
  // Sends a statement, asking for its rows one at a time when `rowByRow`.
  bool Send(const std::string& sql, const std::vector<std::string>& params, bool rowByRow,
            RetryGate::Clock::time_point deadline, const std::string& late, std::string& error);
  void Cancel();

  StoreName name_;  // the address may hold a password: only its Shown() form is printed
  PostgresSettings settings_;
  RetryGate gate_;
  std::string lastError_;  // of the failure that closed the gate
  pg_conn* conn_ = nullptr;
};

}  // namespace halyard::records
