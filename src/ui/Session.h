// What the window keeps around the tabs: the adapter start-up attached, the operator and the
// unit, the last action's verdict, the record of each action, written as it ends, and a log of
// every status the line showed. The status line is drawn from it.
#pragma once

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "assembly/Station.h"
#include "assembly/StationRecords.h"
#include "ui/Actions.h"
#include "ui/OperatorSettings.h"
#include "ui/StatusStrip.h"

namespace halyard::ui {

struct SessionSetup {
  StationRecords* records = nullptr;  // null or not open: records off
  bool autoTrim = true;               // false: no "Auto Trim" button
  OperatorSettings operatorSettings;  // [Station]'s RequireUnit and the scanner's
};

// One status the line showed, with the time it showed it.
struct LogEntry {
  std::chrono::system_clock::time_point time;
  std::string text;
  bool failed = false;
};

class Session {
 public:
  // `station` has been started: its start-up transcript is taken here.
  Session(Station& station, SessionSetup setup);

  // After an action of the table ended on the station: records it and tells its verdict.
  void Ended(const ActionRow& action);
  // Why `action` may not start now ([Station] RequireUnit=yes), said on the status line; empty
  // when it may.
  std::string Refuse(const ActionRow& action);
  // Puts `text` on the action's line until the next action ends.
  void Say(std::string text, bool failed);
  AutoTrim* AutoTrimmer() const;

  void SetOperator(std::string name);
  // A unit scanned or typed: later records carry it. While an action runs it waits for the
  // action to end, so the running action's record keeps the unit it began with.
  void SetUnit(std::string unit);
  // What start-up's try of the record store found.
  void StoreProbed(bool answered, std::string reason);
  // Before an action of the table: false, with the reason, when the unit may not be tested here.
  bool Admit(std::string& reason);
  // The window closes: the unit in work ends, and the records' outputs pass on what they can.
  void Close();

  StatusFacts Facts() const;
  const std::vector<LogEntry>& Log() const { return log_; }
  const OperatorSettings& Settings() const { return setup_.operatorSettings; }
  // The records of this station, null when records are off.
  records::RecordStore* Store();
  const std::string& StoreName() const { return records_->StoreName(); }
  const records::StoreAccess& StoreAccess() const { return records_->Access(); }
  const std::string& StationName() const;

 private:
  enum class Probe { kNone, kTrying, kAnswered, kFailed };

  std::string RecordsState(bool& failing) const;
  void TakeUnit(std::string unit);
  // Whether `unit` passed "Run All" before: in this session, or in the store.
  bool PassedBefore(const std::string& unit);
  void LogRecordsState();

  Station& station_;
  SessionSetup setup_;
  StationRecords offRecords_;  // stands in when none are given
  StationRecords* records_;
  std::string adapter_;
  std::string configNote_;
  std::string lastAction_;
  bool lastFailed_ = false;
  Probe probe_ = Probe::kNone;
  std::string probeReason_;
  bool written_ = false;  // a record went to the store or the spool
  std::string recordsLogged_;
  int actionsOfUnit_ = 0;  // actions since the unit was scanned
  std::optional<std::string> pendingUnit_;
  std::set<std::string> passed_;  // units whose "Run All" passed in this session
  std::vector<LogEntry> log_;
  // Records kept nowhere since one was last kept, and the outages of that kind so far, each told
  // in one message box.
  int lost_ = 0;
  int lostOutages_ = 0;
  std::string lostLine_;
};

}  // namespace halyard::ui
