// The records of a front end's session: each operator action with a verdict leaves one record
// in the store, through the spool when the store cannot take it. The window and halyardctl
// both record through this class, so a session records the same whichever front end ran it.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/ActionRecord.h"
#include "records/SpoolingStore.h"

namespace halyard::records {

// What the operator hears when a record did not reach the store; empty when all went well or
// this was already said.
struct RecordNotice {
  std::string key;   // "spooled" or "lost"
  std::string line;  // the readable line
};

class ActionRecorder {
 public:
  // Opens `storeName` ("none" records nothing), spooling to `spool` (empty: the store's default
  // spool). False, with one line in `error`, for a store name that can never work.
  bool Open(const std::string& storeName, const std::filesystem::path& spool, RecordSource source,
            std::string& error);
  bool Enabled() const { return store_ != nullptr; }
  // The store behind the spool, to read records back; null when records are off.
  SpoolingStore* Store() { return store_.get(); }
  const RecordSource& Source() const { return source_; }
  // The operator signed on, or scanned a new unit: later records carry them.
  void SetOperator(std::string name) { source_.operatorName = std::move(name); }
  void SetUnit(std::string unit) { source_.unit = std::move(unit); }
  // The backend the adapter names of later traces are prefixed with ("sim", "i2c:/dev/i2c-1").
  void SetBackend(std::string backend) { backend_ = std::move(backend); }

  // Before an action (none: what follows is no recorded action): the window as it was, the time.
  void Begin(std::optional<RecordedAction> action, const WindowSnapshot& before);
  // After every action, start-up included: takes the adapter a trace shows opened, and writes
  // the record of the action begun if it ran (has a verdict).
  // `autoTrim` is what an automatic trim measured, when the action was one.
  RecordNotice End(const WindowSnapshot& after, const std::optional<ActionVerdict>& verdict,
                   std::vector<RecordMessage> messages, const std::vector<std::string>& trace,
                   const std::optional<AutoTrimReport>& autoTrim = std::nullopt);

 private:
  std::unique_ptr<SpoolingStore> store_;
  RecordSource source_;
  std::string backend_;
  std::optional<ActionOutcome> pending_;
};

}  // namespace halyard::records
