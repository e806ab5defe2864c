// Records of halyardctl's steps: which steps are recorded actions, on the recorder both front
// ends share.
#include "cli/RecordsSession.h"

#include "assembly/Station.h"
#include "assembly/StationRecords.h"
#include "cli/Halyardctl.h"

namespace halyard::cli {

using records::RecordedAction;

std::optional<RecordedAction> RecordedActionOf(const StepSyntax& syntax) {
  if (!syntax.hasVerdict) return std::nullopt;
  return records::ActionNamed(syntax.name);
}

bool SessionRecorder::Open(const Options& options, Station& station, std::string& error) {
  if (options.recordsStore.empty()) return true;
  recorder_.SetBackend(station.BackendDescription());
  return recorder_.Open(options.recordsStore, options.spoolPath,
                        StationRecordSource(station.Form(), options.operatorName), error);
}

void SessionRecorder::Begin(const Step& step, const Form1& form) {
  recorder_.Begin(RecordedActionOf(*step.syntax), Snapshot(form));
}

RecordNotice SessionRecorder::End(const Form1& form, const std::optional<ActionVerdict>& verdict,
                                  const std::vector<Message>& messages,
                                  const std::vector<std::string>& trace,
                                  const std::optional<AutoTrimReport>& autoTrim) {
  std::vector<records::RecordMessage> shown;
  for (const Message& message : messages)
    shown.push_back({message.title, message.text});
  return recorder_.End(Snapshot(form), verdict, std::move(shown), trace, autoTrim);
}

}  // namespace halyard::cli
