// Records of halyardctl's steps: the session's station, operator, unit and adapter, and one
// record per action written through the spool.
#include "cli/RecordsSession.h"

#include <unistd.h>

#include <chrono>

#include "app/Configuration.h"
#include "assembly/Station.h"
#include "cli/Halyardctl.h"
#include "records/Sha256.h"

namespace halyard::cli {

namespace {

using records::RecordedAction;

// The machine's name: the station's name when its configuration gives none.
std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

records::WindowSnapshot Snapshot(const Form1& form) {
  return {form.Controls(), form.State()};
}

}  // namespace

std::optional<RecordedAction> RecordedActionOf(StepKind kind) {
  for (const StepSyntax& syntax : StepTable()) {
    if (syntax.kind == kind && syntax.hasVerdict) return records::ActionNamed(syntax.name);
  }
  return std::nullopt;
}

bool SessionRecorder::Open(const Options& options, Station& station, std::string& error) {
  if (options.recordsStore.empty()) return true;
  std::unique_ptr<records::RecordStore> store;
  if (!records::OpenStore(options.recordsStore, store, error)) return false;
  const std::filesystem::path spool = options.spoolPath.empty()
                                          ? records::DefaultSpoolPath(options.recordsStore)
                                          : std::filesystem::path(options.spoolPath);
  store_ = std::make_unique<records::SpoolingStore>(std::move(store), spool);

  const Form1& form = station.Form();
  const std::filesystem::path config = form.ConfigurationPath();
  source_.station = ProfileFile::Load(config).Get("Station", "Name");
  if (source_.station.empty()) source_.station = HostName();
  source_.operatorName = options.operatorName;
  const AppInfo& info = form.Info();
  source_.software = std::to_string(info.versionMajor) + "." + std::to_string(info.versionMinor) +
                     "." + std::to_string(info.versionRevision);
  if (!records::Sha256OfFile(config, source_.configSha256)) source_.configSha256.clear();
  backend_ = station.BackendDescription();
  return true;
}

void SessionRecorder::Begin(const Step& step, const Form1& form) {
  pending_.reset();
  const std::optional<RecordedAction> action = RecordedActionOf(step.kind);
  if (!store_ || !action) return;
  pending_.emplace();
  pending_->action = *action;
  pending_->before = Snapshot(form);
  pending_->started = std::chrono::system_clock::now();
}

RecordNotice SessionRecorder::End(const Form1& form, const std::optional<ActionVerdict>& verdict,
                                  const std::vector<Message>& messages,
                                  const std::vector<std::string>& trace,
                                  const std::optional<AutoTrimReport>& autoTrim) {
  if (!store_) return {};
  // The adapter is the one start-up opened, or whichever a later step opened again.
  if (const std::string opened = records::OpenedAdapter(trace); !opened.empty())
    source_.adapter = backend_ + " " + opened;
  std::optional<records::ActionOutcome> outcome = std::exchange(pending_, std::nullopt);
  if (!outcome || !verdict) return {};  // not an action, or ignored while another ran
  outcome->ended = std::chrono::system_clock::now();
  outcome->after = Snapshot(form);
  outcome->verdict = *verdict;
  for (const Message& message : messages)
    outcome->messages.push_back({message.title, message.text});
  outcome->trace = trace;
  outcome->autoTrim = autoTrim;
  std::string error;
  store_->Write(records::BuildRecord(source_, *outcome), error);
  const std::string line = store_->TakeNotice();
  if (line.empty()) return {};
  const bool lost = store_->LastOutcome() == records::WriteOutcome::kLost;
  return {lost ? "lost" : "spooled", line};
}

}  // namespace halyard::cli
