// A session's records: one per action, to every output; a unit's work from its beginning to its
// end.
#include "records/ActionRecorder.h"

#include <utility>

namespace halyard::records {

RecordNotice ActionRecorder::Record(const ActionResult& result) {
  if (inWork_) lastPassed_[result.action] = result.passed;
  if (outputs_.empty()) return {};
  records::Record record = BuildRecord(source_, result);
  if (!nextId_.empty()) record.id = std::exchange(nextId_, {});
  RecordNotice said;
  for (const std::unique_ptr<RecordOutput>& output : outputs_) {
    RecordNotice notice = output->Take(record);
    if (said.key.empty()) said = std::move(notice);
  }
  return said;
}

UnitVerdict ActionRecorder::Verdict() const {
  if (lastPassed_.empty()) return UnitVerdict::kNotTested;
  for (const auto& [action, passed] : lastPassed_) {
    if (!passed) return UnitVerdict::kFailed;
  }
  return UnitVerdict::kPassed;
}

void ActionRecorder::BeginUnit(std::string unit, std::string id) {
  EndUnit();
  SetUnit(std::move(unit));
  workId_ = std::move(id);
  if (source_.unit.empty()) return;
  inWork_ = true;
  for (const std::unique_ptr<RecordOutput>& output : outputs_)
    output->UnitBegan(Work());
}

void ActionRecorder::EndUnit() {
  EndUnit(Verdict());
}

void ActionRecorder::EndUnit(UnitVerdict verdict) {
  if (inWork_) {
    for (const std::unique_ptr<RecordOutput>& output : outputs_)
      output->UnitEnded(Work(), verdict);
  }
  inWork_ = false;
  admitted_ = false;
  lastPassed_.clear();
}

bool ActionRecorder::Admit(std::string& reason) {
  if (admitted_) return true;
  for (const std::unique_ptr<RecordOutput>& output : outputs_) {
    if (!output->Admit(Work(), reason)) return false;
  }
  // Without a unit in work there is nothing to remember: the next action asks again.
  admitted_ = inWork_;
  return true;
}

void ActionRecorder::EndUnitLeft(const UnitWork& work, UnitVerdict verdict) {
  for (const std::unique_ptr<RecordOutput>& output : outputs_)
    output->UnitLeft(work, verdict);
}

void ActionRecorder::SetFault(StationFault fault, bool active, const std::string& text) {
  bool& known = faults_[fault];
  if (known == active) return;
  known = active;
  for (const std::unique_ptr<RecordOutput>& output : outputs_)
    output->FaultChanged(fault, active, text);
}

void ActionRecorder::Close() {
  EndUnit();
  for (const std::unique_ptr<RecordOutput>& output : outputs_)
    output->Close();
}

}  // namespace halyard::records
