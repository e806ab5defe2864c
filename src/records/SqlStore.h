// What the SQLite and the PostgreSQL store share: the table, its migrations, the statements
// that write and list records. Each store adds only its connection and its dialect.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/RecordQueries.h"
#include "records/RecordStore.h"

namespace halyard::records {

// The version of the tables this station creates; the schema_version table holds the store's.
inline constexpr int kStoreSchemaVersion = 3;

// One row of a result, each column as text (NULL as ""), valid while the sink runs; false
// stops the statement.
using SqlRow = std::span<const std::string_view>;
using RowSink = std::function<bool(SqlRow)>;

class SqlStore : public RecordStore, public RecordReader {
 public:
  struct Dialect {
    const char* beginMigration;  // a transaction that holds off every other writer
    const char* lockMigration;   // run first inside it; empty when the transaction suffices
    const char* sequenceColumn;  // the insertion order, which breaks ties of equal times
    const char* timeType;        // a text column that compares byte by byte
    const QueryDialect* queries;
  };

  bool Write(const Record& record, std::string& error) override;
  // Opens the store (made if need be, with its tables) and begins a writing transaction, which
  // it rolls back: a read-only file or a user without rights fails here, not at the first record.
  bool Probe(std::string& error) override;
  RecordReader& Reader() override { return *this; }
  // The filter's texts are taken as the stores keep texts (ValidUtf8, in RecordQueries), so
  // bytes that are not UTF-8 find what they were stored as, in every store.
  bool Each(const RecordFilter& filter, RecordOrder order, const RecordSink& take,
            std::string& error) override;
  bool Yield(const RecordFilter& filter, YieldBy by, const GroupSink& take,
             std::string& error) override;
  bool Failures(const RecordFilter& filter, std::vector<FailureCount>& failures,
                std::string& error) override;
  bool Trims(const RecordFilter& filter, std::vector<TrimSpread>& spreads,
             std::string& error) override;
  using RecordStore::List;

 protected:
  // How long a statement may take: a record's write holds up the operator's action and is kept
  // short; migrating the tables and listing records may take long on a large store.
  enum class Wait { kRecord, kLong };

  explicit SqlStore(Dialect dialect) : dialect_(dialect) {}
  Wait Waiting() const { return wait_; }

  // Opens the connection unless it is open. `create`: a store that does not exist yet may be
  // made (writing); listing never makes one.
  virtual bool Connect(bool create, std::string& error) = 0;
  virtual void Disconnect() = 0;
  // Runs one statement with text parameters $1, $2...; its rows go to `take` one at a time,
  // when it is set.
  virtual bool Exec(const std::string& sql, const std::vector<std::string>& params,
                    const RowSink& take, std::string& error) = 0;
  // A reading statement on a ready store; a failed one drops the connection. Every reading
  // call comes through here, so a store that must hold off its server during an outage does it
  // here once.
  virtual bool Read(const BoundSql& query, const RowSink& take, std::string& error);

 private:
  // Connected, with the tables at this station's version.
  bool Ready(bool create, std::string& error);
  bool StoredVersion(int& version, std::string& error);
  bool Migrate(std::string& error);
  bool Drop();  // always false

  Dialect dialect_;
  bool ready_ = false;
  Wait wait_ = Wait::kLong;
};

}  // namespace halyard::records
