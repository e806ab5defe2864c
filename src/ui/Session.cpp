// The window's session: status facts and records.
#include "ui/Session.h"

#include <filesystem>

namespace halyard::ui {

namespace {

// The store as the status line names it: a SQLite file by its name, a server by its kind, so
// that no password shows.
std::string StoreLabel(const std::string& name) {
  if (name.starts_with("postgres")) return "PostgreSQL";
  return std::filesystem::path(name).filename().string();
}

}  // namespace

Session::Session(Station& station, SessionSetup setup)
    : station_(station), setup_(setup), records_(setup_.records ? setup_.records : &offRecords_) {
  station_.TakeTranscript();  // start-up's: it shows the adapter opened
  if (!station_.OpenedAdapter().empty())
    adapter_ = station_.BackendDescription() + ": " + station_.OpenedAdapter();
  if (!station_.Configuration().Found())
    configNote_ =
        "no configuration file (" + station_.ConfigurationPath().string() + "): empty settings";
}

void Session::Ended(const ActionRow& action) {
  const ActionResult& result = station_.LastResult();
  records_->Record(station_, result);
  lastAction_ = VerdictText(action, result);
  lastFailed_ = !result.passed;
}

AutoTrim* Session::AutoTrimmer() const {
  return setup_.autoTrim ? &station_.AutoTrimmer() : nullptr;
}

void Session::SetOperator(std::string name) {
  records_->Recorder().SetOperator(std::move(name));
}
// A scan ends the unit in work and begins the next one's.
void Session::SetUnit(std::string unit) {
  records_->BeginUnit(std::move(unit));
}

bool Session::Admit(std::string& reason) {
  return records_->Admit(reason);
}

void Session::Close() {
  records_->Close();
}

std::string Session::RecordsState(bool& failing) const {
  failing = false;
  const records::SpoolingStore* store = records_->Store();
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
  return "records: " + StoreLabel(records_->StoreName());
}

StatusFacts Session::Facts() const {
  StatusFacts facts;
  facts.adapter = adapter_;
  facts.records = RecordsState(facts.recordsFailing);
  facts.targetConfigured = !station_.Form().State().TargetNotConfigured;
  facts.configNote = configNote_;
  facts.unit = records_->Recorder().Source().unit;
  facts.operatorName = records_->Recorder().Source().operatorName;
  facts.lastAction = lastAction_;
  facts.lastFailed = lastFailed_;
  return facts;
}

records::RecordStore* Session::Store() {
  return records_->Store();
}

const std::string& Session::StationName() const {
  return records_->Recorder().Source().station;
}

}  // namespace halyard::ui
