// Where a finished record goes: the recorder hands each record to every output of its list (the
// record store today; the factory's message broker, or whatever comes next), so an output is one
// class and one line where the station is assembled.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "records/Record.h"
#include "records/RecordNotice.h"
#include "records/RecordStore.h"
#include "records/SpoolingStore.h"
#include "records/UnitWork.h"

namespace halyard::records {

class RecordOutput {
 public:
  virtual ~RecordOutput() = default;
  // Takes one finished record; it must not be lost, so an output that cannot pass it on keeps it
  // until it can.
  virtual RecordNotice Take(const Record& record) = 0;

  // A unit's work began or ended (records/UnitWork.h); an output that has no use for it keeps
  // the defaults.
  virtual void UnitBegan(const UnitWork& /*work*/) {}
  virtual void UnitEnded(const UnitWork& /*work*/, UnitVerdict /*verdict*/) {}
  // A unit's work that an earlier process began and could not end (the line's worker died in
  // the middle of it) ended with `verdict`.
  virtual void UnitLeft(const UnitWork& /*work*/, UnitVerdict /*verdict*/) {}
  // Whether the unit may be tested here, asked before each of its actions until one is
  // admitted; false with the reason the operator hears. Answers at once unless the output
  // checks units.
  virtual bool Admit(const UnitWork& /*work*/, std::string& /*reason*/) { return true; }
  // A fault of the station began (`active`) or ended; `text` says what happened.
  virtual void FaultChanged(StationFault /*fault*/, bool /*active*/, const std::string& /*text*/) {}
  // The session ends: pass on what can still be passed on in a moment, keep the rest.
  virtual void Close() {}
};

// The record store, through its spool.
class StoreOutput final : public RecordOutput {
 public:
  explicit StoreOutput(std::unique_ptr<SpoolingStore> store) : store_(std::move(store)) {}
  RecordNotice Take(const Record& record) override;
  SpoolingStore& Store() { return *store_; }

 private:
  std::unique_ptr<SpoolingStore> store_;
};

// The store named `storeName` ("none": none at all, `output` left null), spooling to `spool`
// (empty: the store's default spool). False, with one line in `error`, for a store name that can
// never work or a spool that is not a regular file the station can read and write
// (CheckSpoolPath).
bool OpenStoreOutput(const std::string& storeName, const std::filesystem::path& spool,
                     std::unique_ptr<StoreOutput>& output, std::string& error,
                     const StoreAccess& access = {});

}  // namespace halyard::records
