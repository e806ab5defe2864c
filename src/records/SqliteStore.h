// The embedded store: one SQLite file in write-ahead-log mode, so stations and readers on one
// machine share it, with a busy timeout so that writers queue instead of failing.
#pragma once

#include <string>

#include "records/SqlStore.h"

struct sqlite3;

namespace halyard::records {

class SqliteStore final : public SqlStore {
 public:
  explicit SqliteStore(std::string path);
  ~SqliteStore() override;
  SqliteStore(const SqliteStore&) = delete;
  SqliteStore& operator=(const SqliteStore&) = delete;

 protected:
  bool Connect(bool create, std::string& error) override;
  void Disconnect() override;
  bool Exec(const std::string& sql, const std::vector<std::string>& params, const RowSink& take,
            std::string& error) override;

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
};

}  // namespace halyard::records
