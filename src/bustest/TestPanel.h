// The "Test" tab: the five test buttons, "Run All", the four bus tests and their labels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "station/FormContext.h"

namespace halyard {

class TestPanel {
 public:
  explicit TestPanel(FormContext& ctx) : ctx_(ctx) {}

  void Command2_Click(int16_t Index);
  void ResetTestStatus();

  bool TestVersion();
  bool TestSmbus();
  bool TestI2c();
  bool TestSwb();

  // A state is painted fore colour, back colour, caption, in that order. The neutral state
  // keeps the system colour 0x8000000A as its value; the window draws it.
  void PaintNeutral(int index);
  void PaintPass(int index);
  void PaintFail(int index);

 private:
  // Runs the four tests in order after a 0.2-second pause each, stops at the first failure,
  // and counts the run in Label3 when all four passed.
  void RunAll();
  // The test of button `index` (0 to 3); it paints its own labels.
  bool RunTest(int index);
  void PaintVerdict(int index, bool verdict);
  // Keeps test `index`'s outcome in the action's result.
  void Measure(int index, bool passed, std::optional<int16_t> status);
  // Fails the action's verdict, naming test `index` and the status of its failed run.
  void FailTest(int index, bool inRunAll);
  Reason TestReason(int index, const std::string& test) const;
  static Reason VersionReason(const std::string& test, const VersionMeasurement& version);

  FormContext& ctx_;
};

}  // namespace halyard
