// What the SQLite and the PostgreSQL store share: the table, its migrations, the statements
// that write and list records. Each store adds only its connection and its dialect.
#pragma once

#include <string>
#include <vector>

#include "records/RecordStore.h"

namespace halyard::records {

// The version of the tables this station creates; the schema_version table holds the store's.
inline constexpr int kStoreSchemaVersion = 2;

using SqlRows = std::vector<std::vector<std::string>>;

class SqlStore : public RecordStore {
 public:
  struct Dialect {
    const char* beginMigration;  // a transaction that holds off every other writer
    const char* lockMigration;   // run first inside it; empty when the transaction suffices
    const char* sequenceColumn;  // the insertion order, which breaks ties of equal times
    const char* timeType;        // a text column that compares byte by byte
  };

  bool Write(const Record& record, std::string& error) override;
  // The filter's texts are taken as the stores keep texts (ValidUtf8), so bytes that are not
  // UTF-8 find what they were stored as, in every store.
  bool List(const RecordFilter& filter, std::vector<Record>& records, std::string& error) override;
  // Opens the store (made if need be, with its tables) and begins a writing transaction, which
  // it rolls back: a read-only file or a user without rights fails here, not at the first record.
  bool Probe(std::string& error) override;

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
  // Runs one statement with text parameters $1, $2...; rows (each column as text, NULL as
  // "") go to `rows` when it is not null.
  virtual bool Exec(const std::string& sql, const std::vector<std::string>& params, SqlRows* rows,
                    std::string& error) = 0;

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
