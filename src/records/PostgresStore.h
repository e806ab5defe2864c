// The store of a line of stations: one PostgreSQL database, reached with libpq from a
// postgresql:// address. Connects on first use and again after a failure, so a server that
// restarts is found again.
#pragma once

#include <memory>
#include <string>

#include "records/SqlStore.h"

struct pg_conn;

namespace halyard::records {

class PostgresStore final : public SqlStore {
 public:
  // False with one line in `error` when `address` is no libpq connection address.
  static bool Make(const std::string& address, std::unique_ptr<RecordStore>& store,
                   std::string& error);
  ~PostgresStore() override;
  PostgresStore(const PostgresStore&) = delete;
  PostgresStore& operator=(const PostgresStore&) = delete;

 protected:
  bool Connect(bool create, std::string& error) override;
  void Disconnect() override;
  bool Exec(const std::string& sql, const std::vector<std::string>& params, const RowSink& take,
            std::string& error) override;

 private:
  explicit PostgresStore(std::string address);
  // Hands the rows of a statement sent in single-row mode to `take`, one at a time; stops the
  // server's work when `take` has had enough.
  bool Stream(const RowSink& take, std::string& error);

  std::string address_;  // may hold a password: never printed
  pg_conn* conn_ = nullptr;
};

}  // namespace halyard::records
