// What the window keeps around the tabs: the adapter start-up attached, the operator and the
// unit, the last action's verdict, and the record of each action, written as it ends. The
// status line is drawn from it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "autotrim/AutoTrim.h"
#include "records/ActionRecorder.h"
#include "ui/Actions.h"
#include "ui/StatusStrip.h"

namespace halyard::ui {

struct SessionSetup {
  std::string backend;                    // Station::BackendDescription()
  std::vector<std::string> startupTrace;  // start-up's bus lines: they show the adapter opened
  // The bus lines and the message boxes since the last call; null: none are kept.
  std::function<std::vector<std::string>()> takeTrace;
  std::function<std::vector<records::RecordMessage>()> takeMessages;
  records::ActionRecorder* recorder = nullptr;  // null or not open: records off
  std::string storeName;                        // as the recorder opened it
  AutoTrim* autoTrim = nullptr;                 // null: no "Auto Trim" button
};

class Session {
 public:
  Session(const Form1& form, SessionSetup setup);

  // Around an operator event that the station took (not one ignored during a wait): `action`
  // is what the control starts, null for an edit or a tab.
  void Begin(const WindowAction* action);
  // The action's verdict is the window's unless `verdict` names another (the automatic
  // trim's), and `autoTrim` is what an automatic trim measured.
  void End(const WindowAction* action, bool ran, const ActionVerdict* verdict = nullptr,
           const std::optional<AutoTrimReport>& autoTrim = std::nullopt);
  AutoTrim* AutoTrimmer() const { return setup_.autoTrim; }

  void SetOperator(std::string name);
  void SetUnit(std::string unit);
  StatusFacts Facts() const;
  // The records of this station, null when records are off.
  records::RecordStore* Store();
  const std::string& StationName() const;

 private:
  std::string RecordsState(bool& failing) const;

  const Form1& form_;
  SessionSetup setup_;
  records::ActionRecorder offRecorder_;  // stands in when none is given
  records::ActionRecorder* recorder_;
  std::string adapter_;
  std::string configNote_;
  std::string lastAction_;
  bool lastFailed_ = false;
};

}  // namespace halyard::ui
