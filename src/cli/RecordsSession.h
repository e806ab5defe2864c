// The records of a halyardctl session: each step that is an operator action with a verdict
// leaves one record in the store named by --records, through the spool when the store cannot
// take it. Without --records nothing is recorded and nothing is read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/ConsoleServices.h"
#include "cli/Steps.h"
#include "records/ActionRecord.h"
#include "records/ActionRecorder.h"

namespace halyard {
class Form1;
class Station;
}  // namespace halyard

namespace halyard::cli {

struct Options;

using records::RecordNotice;

// halyardctl's session on the one recorder both front ends use.
class SessionRecorder {
 public:
  // Opens the store of `options.recordsStore` (nothing to do when it is empty). False, with one
  // line in `error`, for a store name that can never work.
  bool Open(const Options& options, Station& station, std::string& error);
  // The operator scanned a new unit: later records carry its serial.
  void SetUnit(std::string unit) { recorder_.SetUnit(std::move(unit)); }
  // Before a step: the window and the time, when the step is a recorded action.
  void Begin(const Step& step, const Form1& form);
  // After every step, start-up and shutdown included: writes the record of the action begun,
  // if it went through (has a verdict).
  // `autoTrim` is what an automatic trim measured, when the action was one.
  RecordNotice End(const Form1& form, const std::optional<ActionVerdict>& verdict,
                   const std::vector<Message>& messages, const std::vector<std::string>& trace,
                   const std::optional<AutoTrimReport>& autoTrim = std::nullopt);

 private:
  records::ActionRecorder recorder_;
};

// The recorded action of a step, if it is one.
std::optional<records::RecordedAction> RecordedActionOf(const StepSyntax& syntax);

}  // namespace halyard::cli
