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
  // Records kept nowhere since one was last kept, and the outages of that kind so far, each told
  // in one message box.
  int lost_ = 0;
  int lostOutages_ = 0;
  std::string lostLine_;
};

}  // namespace halyard::ui
