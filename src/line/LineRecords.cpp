// The supervisor's own records.
#include "line/LineRecords.h"

#include "assembly/StationRecords.h"

namespace halyard::line {

bool LineRecords::Open(const ProfileFile& configuration, const std::string& store,
                       const std::filesystem::path& spool, const std::string& operatorName,
                       std::string& error) {
  std::unique_ptr<records::StoreOutput> output;
  records::StoreAccess access;
  if (!OpenConfiguredStore(configuration, store, spool, output, access, error)) return false;
  if (output) recorder_.AddOutput(std::move(output));
  source_ = StationRecordSource(configuration, AppInfo{}, operatorName);
  return true;
}

void LineRecords::Record(const FailedStep& step) {
  records::RecordSource source = source_;
  source.socket = step.socket;
  source.unit = step.unit;
  source.adapter = step.adapter;
  recorder_.SetSource(std::move(source));
  ActionResult result;
  result.action = step.action;
  result.passed = false;
  result.reason = Reason::Own(step.reason);
  result.started = step.started;
  result.ended = step.ended;
  recorder_.SetNextId(step.id);
  recorder_.Record(result);
}

}  // namespace halyard::line
