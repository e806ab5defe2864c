// The window's session: status facts and records.
#include "ui/Session.h"

#include <filesystem>

#include "app/Configuration.h"

namespace halyard::ui {

namespace {

records::WindowSnapshot SnapshotOf(const Form1& form) {
  return {form.Controls(), form.State()};
}

// The store as the status line names it: a SQLite file by its name, a server by its kind, so
// that no password shows.
std::string StoreLabel(const std::string& name) {
  if (name.starts_with("postgres")) return "PostgreSQL";
  return std::filesystem::path(name).filename().string();
}

}  // namespace

Session::Session(const Form1& form, SessionSetup setup)
    : form_(form),
      setup_(std::move(setup)),
      recorder_(setup_.recorder ? setup_.recorder : &offRecorder_) {
  recorder_->SetBackend(setup_.backend);
  const std::string opened = records::OpenedAdapter(setup_.startupTrace);
  if (!opened.empty()) adapter_ = setup_.backend + ": " + opened;
  recorder_->End(SnapshotOf(form_), std::nullopt, {}, setup_.startupTrace);
  const std::filesystem::path config = form_.ConfigurationPath();
  if (!ProfileFile::Load(config).Found())
    configNote_ = "no configuration file (" + config.string() + "): empty settings";
}

void Session::Begin(const WindowAction* action) {
  std::optional<records::RecordedAction> recorded;
  if (action != nullptr) recorded = action->action;
  recorder_->Begin(recorded, SnapshotOf(form_));
}

void Session::End(const WindowAction* action, bool ran, const ActionVerdict* actionVerdict,
                  const std::optional<AutoTrimReport>& autoTrim) {
  std::vector<std::string> trace =
      setup_.takeTrace ? setup_.takeTrace() : std::vector<std::string>{};
  std::vector<records::RecordMessage> messages =
      setup_.takeMessages ? setup_.takeMessages() : std::vector<records::RecordMessage>{};
  const bool done = action != nullptr && ran;
  std::optional<ActionVerdict> verdict;
  if (done) verdict = actionVerdict ? *actionVerdict : form_.Verdict();
  recorder_->End(SnapshotOf(form_), verdict, std::move(messages), trace, autoTrim);
  if (!done) return;
  lastAction_ = VerdictText(*action, *verdict, trace);
  lastFailed_ = !verdict->Passed();
}

void Session::SetOperator(std::string name) {
  recorder_->SetOperator(std::move(name));
}
void Session::SetUnit(std::string unit) {
  recorder_->SetUnit(std::move(unit));
}

std::string Session::RecordsState(bool& failing) const {
  failing = false;
  records::SpoolingStore* store = recorder_->Enabled() ? recorder_->Store() : nullptr;
  if (store == nullptr) return "records off";
  switch (store->LastOutcome()) {
    case records::WriteOutcome::kStored:
      break;
    case records::WriteOutcome::kSpooled:
      failing = true;
      return "records spooled: store unreachable";
    case records::WriteOutcome::kLost:
      failing = true;
      return "records lost: neither store nor spool took the last";
  }
  return "records: " + StoreLabel(setup_.storeName);
}

StatusFacts Session::Facts() const {
  StatusFacts facts;
  facts.adapter = adapter_;
  facts.records = RecordsState(facts.recordsFailing);
  facts.targetConfigured = !form_.State().TargetNotConfigured;
  facts.configNote = configNote_;
  facts.unit = recorder_->Source().unit;
  facts.operatorName = recorder_->Source().operatorName;
  facts.lastAction = lastAction_;
  facts.lastFailed = lastFailed_;
  return facts;
}

records::RecordStore* Session::Store() {
  return recorder_->Enabled() ? recorder_->Store() : nullptr;
}

const std::string& Session::StationName() const {
  return recorder_->Source().station;
}

}  // namespace halyard::ui
