// Where records go: one interface over the embedded SQLite file, a PostgreSQL server shared by
// a line of stations, and no store at all. A store is reached lazily, so a station starts
// while its server is down; each call says whether it worked and, if not, why, in one line.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "records/Record.h"

namespace halyard::records {

// The reading side of a store. The database filters, groups and counts; rows reach the caller
// one at a time, so a caller's memory does not grow with the store.
class RecordReader {
 public:
  // Return false to stop the query early (that is no error).
  using RecordSink = std::function<bool(const Record&)>;
  using GroupSink = std::function<bool(const YieldGroup&)>;

  virtual ~RecordReader() = default;
  // The records that pass `filter`, in `order`.
  virtual bool Each(const RecordFilter& filter, RecordOrder order, const RecordSink& take,
                    std::string& error) = 0;
  // The yield of the records that pass `filter`, one group per day, unit, action..., in the
  // order of the groups' first records (docs/records.md, "Yield").
  virtual bool Yield(const RecordFilter& filter, YieldBy by, const GroupSink& take,
                     std::string& error) = 0;
  // The failed records counted by reason, the most frequent first.
  virtual bool Failures(const RecordFilter& filter, std::vector<FailureCount>& failures,
                        std::string& error) = 0;
  // The automatic trim's final errors, one spread per tolerance, the most records first.
  virtual bool Trims(const RecordFilter& filter, std::vector<TrimSpread>& spreads,
                     std::string& error) = 0;

  // Each, oldest first, into a vector: for the few records a view shows.
  bool List(const RecordFilter& filter, std::vector<Record>& records, std::string& error);
  // Yield into a vector.
  bool Groups(const RecordFilter& filter, YieldBy by, std::vector<YieldGroup>& groups,
              std::string& error);
};

class RecordStore {
 public:
  virtual ~RecordStore() = default;

  // Writes one record in a transaction of its own. A record whose id is already stored is
  // left as it is, and that counts as written: a spooled record may be offered twice.
  virtual bool Write(const Record& record, std::string& error) = 0;
  // What the store holds, read back.
  virtual RecordReader& Reader() = 0;
  // Whether the store would take a record now, without writing one: false with the reason.
  virtual bool Probe(std::string& error);

  // Reader().List: the records that pass `filter`, oldest first.
  bool List(const RecordFilter& filter, std::vector<Record>& records, std::string& error) {
    return Reader().List(filter, records, error);
  }
};

// What reaching a store takes besides its name.
struct StoreAccess {
  // A PostgreSQL server's password, read from the station's password file ([Records]
  // PasswordFile=); empty: libpq's own ways (PGPASSWORD, ~/.pgpass), or the address's.
  std::string password;
};

// "none", "postgresql://..." (or "postgres://..."), or the path of a SQLite file. False, with
// one line in `error` (the name shown without its password), only for a name that can never
// work; a store that cannot be reached yet is returned and fails its calls until it can.
bool OpenStore(const std::string& name, std::unique_ptr<RecordStore>& store, std::string& error,
               const StoreAccess& access = {});

// Tries the store named `name` on a connection of its own (so it may run on another thread than
// the store the station writes to): true when it would take a record now, else false with one
// line of reason.
bool ProbeStore(const std::string& name, std::string& error, const StoreAccess& access = {});

inline constexpr const char* kNoStore = "none";

}  // namespace halyard::records
