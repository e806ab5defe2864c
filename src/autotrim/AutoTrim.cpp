// The search: halving the bracket on the sign of the error (the frequency rises with the
// register), then the codes around the bracket, because the ripple over the codes can put the
// least error up to a few codes away from where the sign changes.
#include "autotrim/AutoTrim.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "adapter/Protocol.h"

namespace halyard {

namespace {

constexpr int kLowestCode = 0;
constexpr double kPpm = 1e6;
// How far beyond the bracket the neighbours go: with a ripple under the step per code, the
// least error lies within two codes below and three above the sign change; one more each way
// leaves room for the counter's noise.
constexpr int kNeighbourReach = 3;
// A reading this far from the target (a share of it) is no reading of the oscillator: the
// counter's input is elsewhere, or its answers belong to other queries. The trim reaches about
// 1 %.
constexpr double kPlausibleShare = 0.2;

std::string Ppm(double ppm) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", ppm);
  return text;
}

std::string Hz(double hz) {
  char text[48];
  std::snprintf(text, sizeof text, "%.3f Hz", hz);
  return text;
}

}  // namespace

bool AutoTrim::Start(bool store) {
  report_ = AutoTrimReport{};
  report_.targetHz = settings_.targetHz;
  report_.tolerancePpm = settings_.tolerancePpm;
  report_.storeAsked = store;
  verdict_.Begin();
  cancelRequested_ = false;
  running_ = false;
  low_ = kLowestCode;
  high_ = kHighestTrimCode;
  neighbours_.clear();
  if (counter_ == nullptr) {
    verdict_.Fail("no frequency counter (choose one with --counter or [Trim] Counter=)");
    return false;
  }
  report_.counter = counter_->Description();
  std::string error;
  // A counter the line's sockets share is this search's until it ends; another socket's search
  // may hold it, and then this one waits here.
  if (!counter_->Reserve(error)) {
    verdict_.Fail("counter " + report_.counter + ": " + error);
    return false;
  }
  const CounterStatus status = counter_->Identify(report_.counterIdentity, error);
  if (status != CounterStatus::kOk) {
    counter_->Release();
    verdict_.Fail("counter " + report_.counter + ": " + CounterStatusText(status) + ": " + error);
    return false;
  }
  running_ = true;
  return true;
}

bool AutoTrim::Step() {
  if (!running_) return false;
  if (cancelRequested_) {
    report_.cancelled = true;
    verdict_.Fail("cancelled; the bars stay on the last code written");
    End();
    return false;
  }
  const std::optional<int> code = NextCode();
  if (!code) {
    Finish();
    return false;
  }
  if (!MeasureAt(*code)) End();
  return running_;
}

void AutoTrim::Run(bool store) {
  if (!Start(store)) return;
  while (Step()) {
  }
}

bool AutoTrim::Measured(int code) const {
  return std::any_of(report_.iterations.begin(), report_.iterations.end(),
                     [code](const TrimIteration& it) { return it.code == code; });
}

std::optional<int> AutoTrim::NextCode() {
  if (static_cast<int>(report_.iterations.size()) >= kMaxTrimMeasurements) return std::nullopt;
  if (high_ - low_ > 1) return (low_ + high_) / 2;
  if (neighbours_.empty()) {
    // The bracket's own ends first (an end of the range was never measured), then outwards.
    neighbours_ = {low_, high_};
    for (int k = 1; k <= kNeighbourReach; ++k) {
      neighbours_.push_back(low_ - k);
      neighbours_.push_back(high_ + k);
    }
  }
  while (!neighbours_.empty()) {
    const int code = neighbours_.front();
    neighbours_.erase(neighbours_.begin());
    if (code >= kLowestCode && code <= kHighestTrimCode && !Measured(code)) return code;
  }
  return std::nullopt;
}

bool AutoTrim::MeasureAt(int code) {
  if (!form_.MoveFineAdjust(static_cast<int16_t>(code))) {
    verdict_.Fail("the window was busy with another operation");
    return false;
  }
  if (!form_.Verdict().Passed()) {
    verdict_.Fail(
        Reason::Within("moving the bars to " + std::to_string(code), form_.Verdict().Failure()));
    return false;
  }
  utils_.WaitSeconds(static_cast<float>(settings_.settleSeconds));
  // A cancel that arrived during the wait stops here: the bars stay on this code.
  if (cancelRequested_) return true;
  TrimIteration iteration{code, 0.0, 0.0};
  std::string error;
  const CounterStatus status = counter_->Measure(iteration.hz, error);
  if (status != CounterStatus::kOk) {
    verdict_.Fail("counter " + report_.counter + " at code " + std::to_string(code) + ": " +
                  CounterStatusText(status) + ": " + error + "; nothing stored");
    return false;
  }
  iteration.errorPpm = (iteration.hz / settings_.targetHz - 1.0) * kPpm;
  report_.iterations.push_back(iteration);
  if (std::fabs(iteration.hz / settings_.targetHz - 1.0) > kPlausibleShare) {
    verdict_.Fail("counter " + report_.counter + " at code " + std::to_string(code) +
                  ": implausible reading " + Hz(iteration.hz) + ", more than " +
                  std::to_string(static_cast<int>(kPlausibleShare * 100)) + " % from the target " +
                  Hz(settings_.targetHz) + " (check the counter's input); nothing stored");
    return false;
  }
  if (high_ - low_ > 1) (iteration.errorPpm < 0.0 ? low_ : high_) = code;
  if (progress_) progress_(iteration);
  return true;
}

void AutoTrim::Finish() {
  // The readings are checked on the counter's own connection, before the counter is let go.
  const bool measured = !report_.iterations.empty();
  const bool trusted = measured && AnswersMatched();
  End();
  if (!measured) {
    verdict_.Fail("nothing was measured");
    return;
  }
  if (!trusted) return;
  const TrimIteration best =
      *std::min_element(report_.iterations.begin(), report_.iterations.end(),
                        [](const TrimIteration& a, const TrimIteration& b) {
                          return std::fabs(a.errorPpm) < std::fabs(b.errorPpm);
                        });
  report_.chosen = best;
  if (!form_.MoveFineAdjust(static_cast<int16_t>(best.code)) || !form_.Verdict().Passed()) {
    verdict_.Fail(Reason::Within("moving the bars to the chosen code " + std::to_string(best.code),
                                 form_.Verdict().Failure()));
    return;
  }
  report_.withinTolerance = std::fabs(best.errorPpm) <= settings_.tolerancePpm;
  if (!report_.withinTolerance) {
    verdict_.Fail("cannot be trimmed into tolerance: the best code " + std::to_string(best.code) +
                  " is " + Ppm(best.errorPpm) + " ppm off (tolerance " +
                  Ppm(settings_.tolerancePpm) + " ppm); nothing stored");
    return;
  }
  if (report_.storeAsked) Store(best.code);
}

// The counter is asked who it is once more. A line that came out of turn during the search has
// shifted its answers by one, and shows here: as input waiting before the query, or as a reading
// where the identification belongs. Either way no reading of the search can be trusted.
bool AutoTrim::AnswersMatched() {
  std::string identity;
  std::string error;
  CounterStatus status = counter_->Identify(identity, error);
  if (status == CounterStatus::kOk && identity == report_.counterIdentity) return true;
  if (status == CounterStatus::kOk) {
    status = CounterStatus::kOutOfTurn;
    error = "it now identifies as \"" + identity + "\", at the start as \"" +
            report_.counterIdentity + "\"";
  }
  verdict_.Fail("counter " + report_.counter + " after the search: " + CounterStatusText(status) +
                ": " + error + "; its readings cannot be trusted, nothing stored");
  return false;
}

void AutoTrim::Store(int code) {
  if (!form_.Update_Click() || !form_.Verdict().Passed()) {
    verdict_.Fail(Reason::Within("Update Trim", form_.Verdict().Failure()));
    return;
  }
  if (!form_.RsvFlashRd_Click() || !form_.Verdict().Passed()) {
    verdict_.Fail(Reason::Within("reading the stored trim back", form_.Verdict().Failure()));
    return;
  }
  const int expected = kHighestTrimCode - code;
  const std::vector<uint8_t>& row = form_.Result().measurements.rowRead;
  if (row.size() == kRowBytes) report_.storedTrimByte = row[kTrimByteIndex];
  if (report_.storedTrimByte != expected) {
    const std::string read =
        report_.storedTrimByte ? Utils::HexDigits(static_cast<unsigned>(*report_.storedTrimByte), 2)
                               : "nothing";
    verdict_.Fail("byte 30 of the reserved row reads \"" + read + "\", not " +
                  Utils::HexDigits(static_cast<unsigned>(expected), 2));
  }
}

}  // namespace halyard
