// A socket's worker and units: started, fed, watched, restarted.
#include "line/SocketRun.h"

#include <algorithm>
#include <cmath>

#include "records/RecordFormat.h"

namespace halyard::line {

namespace {

constexpr auto kDownRetry = std::chrono::seconds(5);
constexpr auto kFirstRestart = std::chrono::milliseconds(250);
constexpr auto kLongestRestart = std::chrono::seconds(5);

std::string Seconds(double seconds) {
  const double whole = std::round(seconds);
  return std::to_string(static_cast<long long>(whole)) + " s";
}

}  // namespace

Supervisor::SocketRun::SocketRun(SocketConfig config, std::vector<std::string> workerArgs,
                                 const SupervisorSetup& setup, LineRecords& records)
    : config_(std::move(config)),
      workerArgs_(std::move(workerArgs)),
      setup_(setup),
      records_(records) {
  view_.name = config_.name;
}

void Supervisor::SocketRun::Queue(std::string unit) {
  queue_.push_back(std::move(unit));
  view_.queued = queue_.size();
}

void Supervisor::SocketRun::Launch(LineClock::time_point now) {
  std::string error;
  if (worker_.Start(workerArgs_, error)) {
    if (view_.state != SocketState::kRestarting) view_.state = SocketState::kStarting;
    return;
  }
  view_.state = SocketState::kDown;
  view_.reason = "its station could not be started: " + error;
  restartAt_ = now + kDownRetry;
}

LineClock::time_point Supervisor::SocketRun::StepDeadline(LineClock::time_point now) const {
  return now + std::chrono::duration_cast<LineClock::duration>(
                   std::chrono::duration<double>(setup_.line.stepTimeoutSeconds));
}

bool Supervisor::SocketRun::OnTick(LineClock::time_point now) {
  bool changed = false;
  if (!worker_.Running() && !closed_ && now >= restartAt_) {
    Launch(now);
    changed = true;
  }
  if (unit_ && now >= stepDeadline_) {
    const std::string& step =
        unit_->order.steps[std::min(unit_->step, unit_->order.steps.size() - 1)];
    workerFault_ = "the step " + step + " passed its limit of " +
                   Seconds(setup_.line.stepTimeoutSeconds) + "; the socket's station was ended";
    stepDeadline_ = LineClock::time_point::max();
    worker_.Kill();  // its output ends, and OnOutput fails the unit
  }
  // The unit the last worker left unfinished is ended by the next one before it takes another.
  if (view_.state == SocketState::kReady && unfinished_ && worker_.Send(WriteOrder(*unfinished_)))
    unfinished_.reset();
  if (view_.state == SocketState::kReady && !unit_ && !unfinished_ && !queue_.empty()) {
    UnitOrder order{queue_.front(), records::NewRecordId(), {}, {}, false};
    for (const halyard::Step& step : setup_.line.sequence) {
      order.steps.push_back(step.text);
      order.ids.push_back(records::NewRecordId());
    }
    if (worker_.Send(WriteOrder(order))) {
      queue_.pop_front();
      Unit unit;
      unit.report.socket = config_.name;
      unit.report.unit = order.unit;
      unit.order = std::move(order);
      unit.began = now;
      unit.stepBegan = std::chrono::system_clock::now();
      unit_ = std::move(unit);
      view_.state = SocketState::kTesting;
      view_.unit = unit_->report.unit;
      view_.step = unit_->order.steps.empty() ? "" : unit_->order.steps.front();
      view_.since = now;
      view_.queued = queue_.size();
      stepDeadline_ = StepDeadline(now);
      changed = true;
    }
  }
  return changed;
}

bool Supervisor::SocketRun::OnOutput(LineClock::time_point now, std::vector<UnitReport>& ended) {
  std::vector<std::string> lines;
  const bool open = worker_.Read(lines);
  for (const std::string& line : lines) {
    WorkerEvent event;
    std::string error;
    // A line that is no event (a worker's stray output) changes nothing.
    if (ReadEvent(line, event, error)) Handle(event, now, ended);
  }
  if (!open) WorkerEnded(now, ended);
  return !lines.empty() || !open;
}

void Supervisor::SocketRun::Handle(const WorkerEvent& event, LineClock::time_point now,
                                   std::vector<UnitReport>& ended) {
  using EventKind = WorkerEvent::Kind;
  switch (event.kind) {
    case EventKind::kReady:
      view_.state = SocketState::kReady;
      view_.adapter = event.adapter;
      failures_ = 0;
      break;
    case EventKind::kDown:
      downReason_ = event.reason;
      break;
    case EventKind::kStepBegan:
      if (!unit_) break;
      view_.step = event.step;
      unit_->stepBegan = std::chrono::system_clock::now();
      stepDeadline_ = StepDeadline(now);
      break;
    case EventKind::kStepEnded:
      if (!unit_) break;
      unit_->report.actions.push_back({event.step, event.verdict});
      ++unit_->step;
      break;
    case EventKind::kUnitEnded:
      if (!unit_) break;
      unit_->report.verdict = event.verdict;
      unit_->report.reason = event.reason;
      EndUnit(now, ended);
      break;
  }
}

void Supervisor::SocketRun::EndUnit(LineClock::time_point now, std::vector<UnitReport>& ended) {
  unit_->report.seconds = std::chrono::duration<double>(now - unit_->began).count();
  view_.lastVerdict = unit_->report.verdict;
  view_.reason = unit_->report.reason;
  view_.step.clear();
  ended.push_back(std::move(unit_->report));
  unit_.reset();
  stepDeadline_ = LineClock::time_point::max();
  if (view_.state == SocketState::kTesting) view_.state = SocketState::kReady;
}

void Supervisor::SocketRun::WorkerEnded(LineClock::time_point now, std::vector<UnitReport>& ended) {
  const std::string how = worker_.Reap();
  const std::string why = workerFault_.empty() ? "the socket's station " + how : workerFault_;
  if (unit_) {
    // The step running when the worker ended failed; the steps after it never ran.
    const size_t index = std::min(unit_->step, unit_->order.steps.size() - 1);
    const std::string& step = unit_->order.steps[index];
    const ActionRow& action = *setup_.line.sequence[index].syntax->action;
    records_.Record({unit_->order.ids[index], config_.name, unit_->report.unit, view_.adapter,
                     std::string(action.name), why, unit_->stepBegan,
                     std::chrono::system_clock::now()});
    unit_->report.actions.push_back({step, "failed"});
    unit_->report.verdict = "failed";
    unit_->report.reason = step + ": " + why;
    unfinished_ = UnitOrder{unit_->order.unit, unit_->order.work, {}, {}, true};
    EndUnit(now, ended);
  }
  if (closed_) {
    view_.state = SocketState::kDown;
    view_.reason = "closed";
  } else if (!downReason_.empty()) {
    view_.state = SocketState::kDown;
    view_.reason = downReason_;
    restartAt_ = now + kDownRetry;
  } else {
    view_.state = SocketState::kRestarting;
    if (!unit_) view_.reason = why;
    ++failures_;
    const auto pause = kFirstRestart * (1 << std::min(failures_ - 1, 5));
    restartAt_ = now + std::min<LineClock::duration>(pause, kLongestRestart);
  }
  workerFault_.clear();
  downReason_.clear();
}

LineClock::time_point Supervisor::SocketRun::NextDeadline() const {
  LineClock::time_point next = LineClock::time_point::max();
  if (!worker_.Running() && !closed_) next = restartAt_;
  if (unit_) next = std::min(next, stepDeadline_);
  return next;
}

void Supervisor::SocketRun::Reap() {
  worker_.Kill();
  worker_.Reap();
}

}  // namespace halyard::line
