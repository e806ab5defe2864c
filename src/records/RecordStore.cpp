// The store factory, the store that keeps nothing, and the readers' vector forms.
#include "records/RecordStore.h"

#include <utility>

#include "records/PostgresStore.h"
#include "records/SqliteStore.h"

namespace halyard::records {

namespace {

// Keeps nothing and finds nothing: a station that records nowhere.
class NoStore final : public RecordStore, public RecordReader {
 public:
  bool Write(const Record&, std::string&) override { return true; }
  RecordReader& Reader() override { return *this; }
  bool Each(const RecordFilter&, RecordOrder, const RecordSink&, std::string&) override {
    return true;
  }
  bool Yield(const RecordFilter&, YieldBy, const GroupSink&, std::string&) override { return true; }
  bool Failures(const RecordFilter&, std::vector<FailureCount>& failures, std::string&) override {
    failures.clear();
    return true;
  }
  bool Trims(const RecordFilter&, std::vector<TrimSpread>& spreads, std::string&) override {
    spreads.clear();
    return true;
  }
};

}  // namespace

bool RecordReader::List(const RecordFilter& filter, std::vector<Record>& records,
                        std::string& error) {
  std::vector<Record> listed;
  const bool ok = Each(
      filter, RecordOrder::kOldestFirst,
      [&listed](const Record& record) {
        listed.push_back(record);
        return true;
      },
      error);
  if (ok) records = std::move(listed);
  return ok;
}

bool RecordReader::Groups(const RecordFilter& filter, YieldBy by, std::vector<YieldGroup>& groups,
                          std::string& error) {
  std::vector<YieldGroup> found;
  const bool ok = Yield(
      filter, by,
      [&found](const YieldGroup& group) {
        found.push_back(group);
        return true;
      },
      error);
  if (ok) groups = std::move(found);
  return ok;
}

bool RecordStore::Probe(std::string& error) {
  std::vector<Record> newest;
  return List({.newest = 1}, newest, error);
}

bool ProbeStore(const std::string& name, std::string& error, const StoreAccess& access) {
  std::unique_ptr<RecordStore> store;
  return OpenStore(name, store, error, access) && store->Probe(error);
}

bool OpenStore(const std::string& name, std::unique_ptr<RecordStore>& store, std::string& error,
               const StoreAccess& access) {
  if (name == kNoStore) {
    store = std::make_unique<NoStore>();
    return true;
  }
  if (IsPostgresAddress(name)) {
    PostgresSettings settings;
    settings.password = access.password;
    return PostgresStore::Make(name, store, error, std::move(settings));
  }
  if (name.empty()) {
    error = "no record store named (a SQLite file, postgresql://..., or none)";
    return false;
  }
  store = std::make_unique<SqliteStore>(name);
  return true;
}

}  // namespace halyard::records
