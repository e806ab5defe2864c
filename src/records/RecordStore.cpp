// The store factory and the yield arithmetic that every store shares.
#include "records/RecordStore.h"

#include <map>
#include <set>
#include <utility>

#include "records/PostgresStore.h"
#include "records/SqliteStore.h"

namespace halyard::records {

namespace {

// Keeps nothing and finds nothing: a station that records nowhere.
class NoStore final : public RecordStore {
 public:
  bool Write(const Record&, std::string&) override { return true; }
  bool List(const RecordFilter&, std::vector<Record>& records, std::string&) override {
    records.clear();
    return true;
  }
};

std::string GroupKey(const Record& record, YieldBy by) {
  switch (by) {
    case YieldBy::kDay:
      return record.started.substr(0, 10);
    case YieldBy::kUnit:
      return record.unit;
    case YieldBy::kAction:
      return record.action;
    case YieldBy::kSocket:
      return record.socket;
  }
  return {};
}

struct GroupTally {
  YieldGroup counts;
  // Per unit: whether every action's first record so far passed; per (unit, action): seen.
  std::map<std::string, bool> unitFirstPassed;
  std::set<std::pair<std::string, std::string>> seen;
};

}  // namespace

bool RecordStore::Yield(const RecordFilter& filter, YieldBy by, std::vector<YieldGroup>& groups,
                        std::string& error) {
  std::vector<Record> records;
  if (!List(filter, records, error)) return false;
  groups = ComputeYield(records, by);
  return true;
}

std::vector<YieldGroup> ComputeYield(const std::vector<Record>& records, YieldBy by) {
  std::vector<std::string> order;
  std::map<std::string, GroupTally> tallies;
  for (const Record& record : records) {
    const std::string key = GroupKey(record, by);
    auto [it, added] = tallies.try_emplace(key);
    if (added) order.push_back(key);
    GroupTally& tally = it->second;
    const bool passed = record.verdict == kVerdictPassed;
    ++tally.counts.tested;
    ++(passed ? tally.counts.passed : tally.counts.failed);
    // A record without a unit stands for a unit nobody scanned: one of its own.
    const std::string unit = record.unit.empty() ? "\n" + record.id : record.unit;
    auto [unitIt, newUnit] = tally.unitFirstPassed.try_emplace(unit, true);
    if (tally.seen.insert({unit, record.action}).second && !passed) unitIt->second = false;
  }
  std::vector<YieldGroup> groups;
  for (const std::string& key : order) {
    GroupTally& tally = tallies[key];
    YieldGroup group = tally.counts;
    group.key = key;
    group.units = static_cast<int>(tally.unitFirstPassed.size());
    int firstPass = 0;
    for (const auto& [unit, firstPassed] : tally.unitFirstPassed)
      firstPass += firstPassed ? 1 : 0;
    group.firstPassYield = group.units > 0 ? static_cast<double>(firstPass) / group.units : 0.0;
    groups.push_back(std::move(group));
  }
  return groups;
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
