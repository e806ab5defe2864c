// Filling an action's result.
#include "station/ActionResult.h"

#include <algorithm>

#include "records/Sha256.h"

namespace halyard {

void ActionResult::Conclude(const ActionVerdict& verdict) {
  passed = verdict.Passed();
  reason = verdict.Failure();
}

void ActionResult::AddImage(const std::string& path) {
  records::FirmwareImage image{path, ""};
  // The adapter takes either separator, relative to the working directory.
  std::string file = path;
  std::replace(file.begin(), file.end(), '\\', '/');
  if (!records::Sha256OfFile(file, image.sha256)) image.sha256.clear();
  images.push_back(std::move(image));
}

void ActionResult::NoteRow(const std::string& before, const std::string& after) {
  if (!measurements.row) measurements.row = RowMeasurement{before, after};
  measurements.row->after = after;
}

std::vector<std::string> ActionResult::TraceLines() const {
  return halyard::TraceLines(calls);
}

}  // namespace halyard
