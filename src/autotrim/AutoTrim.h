// The automatic trim: finds the trim register value whose oscillator frequency is nearest the
// target, moving the Trim tab's bars through Form1's own entry points, so the bus sees exactly
// what an operator's hand on the bars would make. A window drives it a measurement at a time:
//
//   trimmer.Start(store);            // false: it could not begin (see Verdict())
//   while (trimmer.Step()) { ... }   // one measurement each; Report().iterations grows
//   trimmer.Cancel();                // any time, also from inside the settling wait
//
// halyardctl calls Run(), which does the same to the end.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "adapter/EventPump.h"
#include "adapter/Utils.h"
#include "app/Form1.h"
#include "autotrim/TrimSettings.h"
#include "counter/FrequencyCounter.h"
#include "station/AutoTrimReport.h"
#include "station/Verdict.h"

namespace halyard {

// The most measurements one search makes: eight halvings of 0..255, then the neighbours.
inline constexpr int kMaxTrimMeasurements = 14;

class AutoTrim {
 public:
  // Called after each measurement, e.g. for a progress line or a window's progress bar.
  using Progress = std::function<void(const TrimIteration&)>;

  // `counter` may be null: the station has none, and Start says so.
  AutoTrim(Form1& form, FrequencyCounter* counter, EventPump& pump, TrimSettings settings)
      : form_(form), counter_(counter), utils_(pump), settings_(std::move(settings)) {}

  void SetProgress(Progress progress) { progress_ = std::move(progress); }
  // Begins a search; with `store`, a passing search ends with "Update Trim" and a read-back of
  // byte 30. False when it cannot begin: no counter, or the counter does not answer. A counter
  // fault, a reading far from the target, or answers that no longer match their queries (the
  // counter is asked for its identification again before the choice) end the search failed,
  // with nothing stored.
  bool Start(bool store);
  // Makes the next measurement, or ends the search. True while there is more to do.
  bool Step();
  // Stops before the next measurement; the bars stay on the last code written.
  void Cancel() { cancelRequested_ = true; }
  // Start and every Step.
  void Run(bool store);

  bool Running() const { return running_; }
  const AutoTrimReport& Report() const { return report_; }
  const ActionVerdict& Verdict() const { return verdict_; }
  const TrimSettings& Settings() const { return settings_; }

 private:
  std::optional<int> NextCode();
  bool MeasureAt(int code);
  void Finish();
  bool AnswersMatched();
  void Store(int code);
  void End() {
    running_ = false;
    counter_->Release();
  }
  bool Measured(int code) const;

  Form1& form_;
  FrequencyCounter* counter_;
  Utils utils_;
  TrimSettings settings_;
  Progress progress_;
  AutoTrimReport report_;
  ActionVerdict verdict_;
  bool running_ = false;
  bool cancelRequested_ = false;
  // The bracket: the error is taken as below the target at low_ and not below it at high_.
  int low_ = 0;
  int high_ = 0;
  std::vector<int> neighbours_;  // after the bracket closed, nearest first
};

}  // namespace halyard
