// What the window keeps around the tabs: the adapter start-up attached, the operator and the
// unit, the last action's verdict, and the record of each action, written as it ends. The
// status line is drawn from it.
#pragma once

#include <string>

#include "assembly/Station.h"
#include "assembly/StationRecords.h"
#include "ui/Actions.h"
#include "ui/StatusStrip.h"

namespace halyard::ui {

struct SessionSetup {
  StationRecords* records = nullptr;  // null or not open: records off
  bool autoTrim = true;               // false: no "Auto Trim" button
};

class Session {
 public:
  // `station` has been started: its start-up transcript is taken here.
  Session(Station& station, SessionSetup setup);

  // After an action of the table ended on the station: records it and tells its verdict.
  void Ended(const ActionRow& action);
  AutoTrim* AutoTrimmer() const;

  void SetOperator(std::string name);
  void SetUnit(std::string unit);
  // Before an action of the table: false, with the reason, when the unit may not be tested here.
  bool Admit(std::string& reason);
  // The window closes: the unit in work ends, and the records' outputs pass on what they can.
  void Close();
  StatusFacts Facts() const;
  // The records of this station, null when records are off.
  records::RecordStore* Store();
  const std::string& StationName() const;

 private:
  std::string RecordsState(bool& failing) const;

  Station& station_;
  SessionSetup setup_;
  StationRecords offRecords_;  // stands in when none are given
  StationRecords* records_;
  std::string adapter_;
  std::string configNote_;
  std::string lastAction_;
  bool lastFailed_ = false;
};

}  // namespace halyard::ui
