// The records of a front end's session: each operator action with a verdict leaves one record,
// handed to every output of the recorder's list (the record store, through its spool; anything
// the station is assembled with). The window and halyardctl both record through this class, so
// a session records the same whichever front end ran it. It also tells the outputs when a unit's
// work begins and ends (records/UnitWork.h), which the window, halyardctl and the line report.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "records/ActionRecord.h"
#include "records/RecordOutput.h"

namespace halyard::records {

class ActionRecorder {
 public:
  void AddOutput(std::unique_ptr<RecordOutput> output) { outputs_.push_back(std::move(output)); }
  // False when the recorder has no output: records are off.
  bool Enabled() const { return !outputs_.empty(); }

  void SetSource(RecordSource source) { source_ = std::move(source); }
  const RecordSource& Source() const { return source_; }
  // The operator signed on, or scanned a new unit: later records carry them.
  void SetOperator(std::string name) { source_.operatorName = std::move(name); }
  void SetUnit(std::string unit) { source_.unit = std::move(unit); }
  // The adapter later records name: the backend and the adapter's listed name.
  void SetAdapter(std::string adapter) { source_.adapter = std::move(adapter); }
  // The id the next record takes instead of a fresh one: whoever hands it out (the line's
  // supervisor) can record the same action again under it, and the store keeps one.
  void SetNextId(std::string id) { nextId_ = std::move(id); }

  // A unit's work begins: the one in work ends first, with the verdict of its records. An empty
  // serial ends the work in hand and begins none. `id` names the work where the caller has an
  // id for it (UnitWork::id).
  void BeginUnit(std::string unit, std::string id = {});
  // The unit in work, if any, ends: with the verdict of its records, or with `verdict` where the
  // caller knows better (the line's sequence).
  void EndUnit();
  void EndUnit(UnitVerdict verdict);
  // A unit's work that an earlier process began and did not end (it died) ends with `verdict`:
  // the outputs hear of it; the unit in work here, if any, is not touched.
  void EndUnitLeft(const UnitWork& work, UnitVerdict verdict);
  // Whether the outputs let the unit in work (or none) be tested; false with their reason. Once
  // admitted, a unit is not asked about again.
  bool Admit(std::string& reason);
  // A fault of the station began or ended; the outputs hear of a change only.
  void SetFault(StationFault fault, bool active, const std::string& text);
  // The session ends: the unit in work ends, and every output passes on what it can.
  void Close();

  // The record of a finished action, to every output; what the operator must hear of it (the
  // first output's notice that has one), else nothing.
  RecordNotice Record(const ActionResult& result);

 private:
  UnitWork Work() const { return {source_.unit, source_.socket, workId_}; }
  UnitVerdict Verdict() const;

  std::vector<std::unique_ptr<RecordOutput>> outputs_;
  RecordSource source_;
  std::string nextId_;
  std::string workId_;  // of the unit in work, when the caller gave one
  bool inWork_ = false;
  bool admitted_ = false;
  std::map<std::string, bool> lastPassed_;  // the unit's actions: did the last record pass
  std::map<StationFault, bool> faults_;
};

}  // namespace halyard::records
