// The window's session: status facts, the unit, the records and the log.
#include "ui/Session.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace halyard::ui {

namespace {

// The store as the status line names it: a SQLite file by its name, a server by its kind, so
// that no password shows.
std::string StoreLabel(const std::string& name) {
  if (name.starts_with("postgres")) return "PostgreSQL";
  return std::filesystem::path(name).filename().string();
}

constexpr std::string_view kRunAll = "run-all";

}  // namespace

Session::Session(Station& station, SessionSetup setup)
    : station_(station), setup_(setup), records_(setup_.records ? setup_.records : &offRecords_) {
  station_.TakeTranscript();  // start-up's: it shows the adapter opened
  if (!station_.OpenedAdapter().empty())
    adapter_ = station_.BackendDescription() + ": " + station_.OpenedAdapter();
  if (!station_.Configuration().Found())
    configNote_ =
        "no configuration file (" + station_.ConfigurationPath().string() + "): empty settings";
  // The window tries the store at once; until it has answered, the line says so.
  if (records_->Store() != nullptr) probe_ = Probe::kTrying;
  const auto now = std::chrono::system_clock::now();
  log_.push_back({now, adapter_.empty() ? "No adapter attached" : adapter_, adapter_.empty()});
  if (!configNote_.empty()) log_.push_back({now, configNote_, false});
  LogRecordsState();
}

void Session::Say(std::string text, bool failed) {
  lastAction_ = std::move(text);
  lastFailed_ = failed;
  log_.push_back({std::chrono::system_clock::now(), lastAction_, failed});
}

void Session::Ended(const ActionRow& action) {
  const ActionResult& result = station_.LastResult();
  const records::RecordNotice notice = records_->Record(station_, result);
  written_ = written_ || records_->Store() != nullptr;
  const records::SpoolingStore* store = records_->Store();
  if (store != nullptr && store->LastOutcome() == records::WriteOutcome::kLost) {
    if (lost_++ == 0) {
      ++lostOutages_;
      lostLine_ = notice.line;
    }
  } else {
    lost_ = 0;
  }
  const std::string& unit = records_->Recorder().Source().unit;
  if (result.passed && action.name == kRunAll && !unit.empty()) passed_.insert(unit);
  ++actionsOfUnit_;
  Say(VerdictText(action, result), !result.passed);
  LogRecordsState();
  if (pendingUnit_) TakeUnit(*std::exchange(pendingUnit_, std::nullopt));
}

std::string Session::Refuse(const ActionRow& action) {
  if (!setup_.operatorSettings.requireUnit || !action.recorded) return "";
  const std::string& unit = records_->Recorder().Source().unit;
  std::string why;
  if (unit.empty()) {
    why = std::string(action.title) + " refused: no unit scanned — scan the unit's serial first";
  } else if (action.name == kRunAll && passed_.contains(unit)) {
    why = "Run All refused: unit " + unit + " passed Run All already — scan the next unit";
  }
  if (!why.empty()) Say(why, true);
  return why;
}

AutoTrim* Session::AutoTrimmer() const {
  return setup_.autoTrim ? &station_.AutoTrimmer() : nullptr;
}

void Session::SetOperator(std::string name) {
  records_->Recorder().SetOperator(std::move(name));
}

void Session::SetUnit(std::string unit) {
  if (const ActionRow* running = station_.Running()) {
    Say("unit " + unit + " scanned: it takes over when " + std::string(running->title) + " ends",
        false);
    pendingUnit_ = std::move(unit);
    return;
  }
  TakeUnit(std::move(unit));
}

void Session::TakeUnit(std::string unit) {
  const std::string previous = records_->Recorder().Source().unit;
  // A scan ends the unit in work and begins the next one's.
  records_->BeginUnit(unit);
  const bool actedOnPrevious = actionsOfUnit_ > 0;
  actionsOfUnit_ = 0;
  if (unit.empty()) {
    Say("no unit: the records from now on name none", false);
    return;
  }
  std::string text = unit == previous ? "unit " + unit + " scanned again" : "new unit " + unit;
  if (unit != previous && actedOnPrevious) {
    text += ": the tabs still show " + (previous.empty() ? std::string("the results from before it")
                                                         : previous + "'s results");
  }
  if (setup_.operatorSettings.requireUnit && PassedBefore(unit)) {
    passed_.insert(unit);
    text += " (it passed Run All already)";
  }
  Say(std::move(text), false);
}

bool Session::PassedBefore(const std::string& unit) {
  if (passed_.contains(unit)) return true;
  // A store known to be down is not asked: each try would hold the window up.
  records::SpoolingStore* store = records_->Store();
  const bool down =
      probe_ == Probe::kFailed ||
      (written_ && store != nullptr && store->LastOutcome() != records::WriteOutcome::kStored);
  if (store == nullptr || down) return false;
  // Counted by the store: the records themselves (traces and all) are not needed.
  std::vector<records::YieldGroup> groups;
  std::string error;
  if (!store->Reader().Groups({.unit = unit, .action = std::string(kRunAll)},
                              records::YieldBy::kAll, groups, error))
    return false;
  return std::ranges::any_of(groups,
                             [](const records::YieldGroup& group) { return group.passed > 0; });
}

void Session::StoreProbed(bool answered, std::string reason) {
  probe_ = answered ? Probe::kAnswered : Probe::kFailed;
  probeReason_ = std::move(reason);
  LogRecordsState();
}

void Session::LogRecordsState() {
  bool failing = false;
  std::string state = RecordsState(failing);
  if (state == recordsLogged_) return;
  recordsLogged_ = state;
  log_.push_back({std::chrono::system_clock::now(), std::move(state), failing});
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
  const std::string name = StoreLabel(records_->StoreName());
  if (written_) {
    failing = store->LastOutcome() != records::WriteOutcome::kStored;
    switch (store->LastOutcome()) {
      case records::WriteOutcome::kStored:
        return "records: " + name;
      case records::WriteOutcome::kSpooled:
        return "records spooled: store unreachable (" + store->LastError() +
               "); they wait in the spool";
      case records::WriteOutcome::kLost:
        return "records lost: " + std::to_string(lost_) + " record" + (lost_ == 1 ? "" : "s") +
               " kept nowhere (neither store nor spool took " + (lost_ == 1 ? "it" : "them") +
               ": " + store->LastError() + ")";
    }
  }
  switch (probe_) {
    case Probe::kTrying:
      return "records: " + name + " (trying the store…)";
    case Probe::kAnswered:
      return "records: " + name + " (the store answered)";
    case Probe::kFailed:
      failing = true;
      return "records: " + name + " did not answer (" + probeReason_ +
             "); records wait in the spool";
    case Probe::kNone:
      break;
  }
  return "records: " + name;
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
  facts.recordsLostOutages = lostOutages_;
  facts.recordsLostLine = lostLine_;
  return facts;
}

records::RecordStore* Session::Store() {
  return records_->Store();
}

const std::string& Session::StationName() const {
  return records_->Recorder().Source().station;
}

}  // namespace halyard::ui
