// A station's records: the recorder with every output the station records to (the store the
// configuration or the command line names, through its spool; the factory's message broker when
// [Factory] names one), and what every record of this station shares. Both front ends open their
// records here; a new output is one line in Open.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/Configuration.h"
#include "app/Form1.h"
#include "assembly/Actions.h"
#include "records/ActionRecorder.h"
#include "records/RecordOutput.h"

namespace halyard {

namespace factory {
struct FactorySettings;
}

class Station;

// The store of `[Records] Store=` in the configuration; without one, the window's default:
// $XDG_DATA_HOME/halyard-station/records.db (else ~/.local/share/...), its folder made.
// "none" when records are turned off.
std::string ConfiguredRecordsStore(const ProfileFile& configuration);

// The station's name ([Station] Name=, else the machine's), the software's version and the
// configuration's digest, with `operatorName`; the unit and adapter come later.
records::RecordSource StationRecordSource(const Station& station, std::string operatorName);
// The same for a station's configuration and program (the line's supervisor records without a
// station of its own).
records::RecordSource StationRecordSource(const ProfileFile& configuration, const AppInfo& info,
                                          std::string operatorName);

// What reaching `store` takes besides its name: for a PostgreSQL server, the password of
// [Records] PasswordFile= in `configuration` (kept out of the store's name, which a command line
// shows to anyone). False with one line in `error` (never the password) when that file cannot be
// read or others may read it.
bool ConfiguredStoreAccess(const ProfileFile& configuration, const std::string& store,
                           records::StoreAccess& access, std::string& error);
// The output to `store` through `spool` (records/RecordOutput.h), reached with the access of the
// configuration; null for "none". False with one line for a store that can never work.
bool OpenConfiguredStore(const ProfileFile& configuration, const std::string& store,
                         const std::filesystem::path& spool,
                         std::unique_ptr<records::StoreOutput>& output,
                         records::StoreAccess& access, std::string& error);

// [Factory] of `configuration` into `settings` (factory/FactorySettings.h). False with one line
// naming the key for a value that can never work.
bool ConfiguredFactorySettings(const ProfileFile& configuration, factory::FactorySettings& settings,
                               std::string& error);

struct RecordsSetup {
  std::string store;            // a SQLite path, postgresql://..., or none (records off)
  std::filesystem::path spool;  // empty: the store's default spool
  std::string operatorName;
  std::string socket;  // the line's socket the station serves; empty for a station of one
};

class StationRecords {
 public:
  // False, with one line in `error`, for a store name that can never work.
  bool Open(const Station& station, const RecordsSetup& setup, std::string& error);
  bool Enabled() const { return recorder_.Enabled(); }
  records::ActionRecorder& Recorder() { return recorder_; }
  const records::ActionRecorder& Recorder() const { return recorder_; }
  // The store behind the spool, to read records back and tell its state; null when records are
  // off.
  records::SpoolingStore* Store() { return store_; }
  const records::SpoolingStore* Store() const { return store_; }
  const std::string& StoreName() const { return storeName_; }
  // What reaching the store takes besides its name (the password of [Records] PasswordFile=).
  const records::StoreAccess& Access() const { return access_; }
  // The record of an action that ended on `station`, to every output; the faults it shows (the
  // adapter lost, the store unreachable) are told to the outputs as they begin and end.
  records::RecordNotice Record(const Station& station, const ActionResult& result);

  // A unit's work (records/UnitWork.h): the window's scan, halyardctl's serial=, the line's unit.
  // BeginUnit ends the unit in work first; an empty serial begins none.
  void BeginUnit(std::string unit, std::string id = {}) {
    recorder_.BeginUnit(std::move(unit), std::move(id));
  }
  void EndUnit() { recorder_.EndUnit(); }
  // Before a recorded action: false, with the reason, when the unit may not be tested here (the
  // MES refused it); the front end then refuses the action (Station::Refuse).
  bool Admit(std::string& reason) { return recorder_.Admit(reason); }
  // The session ends: the unit in work ends and the outputs pass on what they can.
  void Close() { recorder_.Close(); }

 private:
  records::ActionRecorder recorder_;
  records::SpoolingStore* store_ = nullptr;
  std::string storeName_;
  records::StoreAccess access_;
};

// Whether the unit in work may be tested here, as the MES answers it (StationRecords::Admit):
// false with the reason.
using Admission = std::function<bool(std::string& reason)>;

// Before a recorded action: true when `admit` lets its unit be tested; otherwise the action fails
// with the reason, touching nothing (Station::Refuse), and false. An action that is not recorded
// always goes on.
bool AdmitOrRefuse(Station& station, const ActionRow& row, const Admission& admit);

// Carries out `row` as the operator's hand would (Station::Perform); a recorded action asked for
// while the station is idle is first put to `admit` (AdmitOrRefuse). False when the window
// ignored it (an operation was still running); a recorded action performed or refused leaves its
// result in Station::LastResult().
bool PerformAdmitted(Station& station, const ActionRow& row, const ActionInput& input,
                     const Admission& admit);

}  // namespace halyard
