// A session's records: one per action, to every output.
#include "records/ActionRecorder.h"

#include <utility>

namespace halyard::records {

RecordNotice ActionRecorder::Record(const ActionResult& result) {
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

}  // namespace halyard::records
