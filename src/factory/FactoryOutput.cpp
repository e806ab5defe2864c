// The station's messages to the factory, in the order they happen: its start-up, each unit's work
// and tests, its faults, its shutdown.
#include "factory/FactoryOutput.h"

#include "records/RecordFormat.h"

namespace halyard::factory {

namespace {

constexpr std::chrono::milliseconds kCloseGrace{1000};

}  // namespace

LinkSettings PublishingLink(const FactorySettings& settings) {
  return {settings.broker,
          settings.user,
          settings.password,
          settings.caFile,
          settings.address,
          "",  // no unit checks
          "",
          settings.heartbeat,
          {}};
}

bool FactoryOutput::Open(const FactorySettings& settings, std::unique_ptr<FactoryOutput>& output,
                         std::string& error) {
  std::unique_ptr<FactoryOutput> made(new FactoryOutput(settings));
  if (!Outbox::Open(settings.outbox, settings.syncEachMessage, made->outbox_, error)) return false;
  LinkSettings link = PublishingLink(settings);
  if (settings.validateUnits) {
    link.requestTo = settings.validationAddress;
    link.replyAddress = settings.replyAddress;
  }
  FactoryOutput* self = made.get();
  link.heartbeatMessage = [self] { return self->HeartbeatNow(); };
  made->link_ = std::make_unique<AmqpLink>(std::move(link), *made->outbox_);
  made->Send({made->StateChange(ResourceState::kNoProduct, nullptr)});
  output = std::move(made);
  return true;
}

FactoryOutput::~FactoryOutput() {
  link_.reset();  // its thread reads the faults through this object
}

bool FactoryOutput::Send(const std::vector<std::string>& messages) {
  std::string error;
  if (!outbox_->Append(messages, error)) {
    lost_ = error;
    return false;
  }
  link_->Wake();
  return true;
}

std::string FactoryOutput::StateChange(ResourceState next, const FaultInfo* fault) {
  const auto now = std::chrono::steady_clock::now();
  // The time before start-up is nobody's: its duration is unknown.
  std::optional<std::chrono::seconds> duration;
  if (state_ != ResourceState::kShutdownAndStartup)
    duration = std::chrono::duration_cast<std::chrono::seconds>(now - stateSince_);
  std::string message =
      StationStateChanged(settings_.handle, state_, duration, next, fault, Stamp::Now());
  state_ = next;
  stateSince_ = now;
  return message;
}

std::string FactoryOutput::HeartbeatNow() {
  std::vector<FaultInfo> active;
  {
    std::lock_guard lock(faultsMutex_);
    for (const auto& [kind, fault] : faults_)
      active.push_back(fault);
  }
  return Heartbeat(settings_.handle, settings_.heartbeat, active, Stamp::Now());
}

records::RecordNotice FactoryOutput::Take(const records::Record& record) {
  // The action the MES refused tested nothing: the MES already knows.
  if (refused_ && record.unit == pending_.unit) return {};
  const std::string transaction = unit_ ? unit_->transactionId : records::NewRecordId();
  if (!Send({UnitsTested(settings_.handle, record, transaction)}))
    return {"lost", "factory message lost: " + lost_};
  const LinkState link = link_->State();
  if (link.connected || link.error.empty()) {
    toldUnreachable_ = false;
    return {};
  }
  if (toldUnreachable_) return {};
  toldUnreachable_ = true;
  return {"factory",
          "factory messages wait in the outbox: broker unreachable (" + link.error + ")"};
}

void FactoryOutput::BeginWork() {
  // The work's id where the front end gave one: another process can then end the same work.
  unit_ = UnitTransaction{pending_, pending_.id.empty() ? records::NewRecordId() : pending_.id};
  std::vector<std::string> messages{WorkStarted(settings_.handle, *unit_, Stamp::Now())};
  if (state_ == ResourceState::kNoProduct)
    messages.push_back(StateChange(ResourceState::kRegularWork, nullptr));
  Send(messages);
}

void FactoryOutput::UnitBegan(const records::UnitWork& work) {
  pending_ = work;
  refused_ = false;
  unit_.reset();
  // With the unit check the work begins when the MES admits the unit.
  if (settings_.validateUnits) {
    AskMes(work);
  } else {
    BeginWork();
  }
}

void FactoryOutput::UnitEnded(const records::UnitWork&, records::UnitVerdict verdict) {
  if (asked_) link_->Forget(asked_->requestId);
  asked_.reset();
  if (!unit_) return;
  std::vector<std::string> messages{WorkCompleted(settings_.handle, *unit_, verdict, Stamp::Now())};
  if (state_ == ResourceState::kRegularWork)
    messages.push_back(StateChange(ResourceState::kNoProduct, nullptr));
  Send(messages);
  unit_.reset();
}

void FactoryOutput::UnitLeft(const records::UnitWork& work, records::UnitVerdict verdict) {
  // Without the id of the work that began, no message could say which work ended.
  if (work.id.empty()) return;
  Send({WorkCompleted(settings_.handle, UnitTransaction{work, work.id}, verdict, Stamp::Now())});
}

bool FactoryOutput::Admit(const records::UnitWork& work, std::string& reason) {
  if (!settings_.validateUnits || unit_) return true;
  if (work.unit.empty()) {
    reason = "the MES checks each unit: scan the unit's serial first";
    return false;
  }
  pending_ = work;
  // Asked again after a refusal: the MES may have changed its mind.
  if (!asked_) AskMes(work);
  refused_ = !HearMes(work, reason);
  if (!refused_) BeginWork();
  return !refused_;
}

void FactoryOutput::AskMes(const records::UnitWork& work) {
  if (asked_) link_->Forget(asked_->requestId);
  const std::string requestId = "REQUEST-" + records::NewRecordId();
  const std::string request =
      ValidateUnitsRequest(settings_.handle, settings_.mesHandle, requestId, work, Stamp::Now());
  asked_ = Question{requestId, link_->Ask(request, requestId),
                    std::chrono::steady_clock::now() + settings_.validationTimeout};
}

bool FactoryOutput::HearMes(const records::UnitWork& work, std::string& reason) {
  Question question = std::move(*asked_);
  asked_.reset();
  std::optional<ValidationAnswer> answer;
  if (question.answer.wait_until(question.deadline) == std::future_status::ready) {
    try {
      answer = ReadValidateUnitsResponse(question.answer.get(), question.requestId);
    } catch (const std::future_error&) {
      // The link stopped before an answer came: as if none came.
    }
  }
  link_->Forget(question.requestId);
  if (!answer) {
    if (settings_.admitWithoutAnswer) return true;
    reason = "the MES did not answer the unit check within " +
             std::to_string(settings_.validationTimeout.count()) + " ms";
    return false;
  }
  if (answer->passed) return true;
  reason = "the MES refused unit " + work.unit + ": " +
           (answer->message.empty() ? std::string("no reason given") : answer->message);
  if (answer->failureCode != 0)
    reason += " (failure code " + std::to_string(answer->failureCode) + ")";
  return false;
}

void FactoryOutput::FaultChanged(records::StationFault fault, bool active,
                                 const std::string& text) {
  std::vector<std::string> messages;
  FaultInfo info;
  {
    std::lock_guard lock(faultsMutex_);
    if (active) {
      info = {fault, records::NewRecordId(), text,
              records::FormatUtc(std::chrono::system_clock::now())};
      faults_[fault] = info;
    } else {
      const auto it = faults_.find(fault);
      if (it == faults_.end()) return;
      info = it->second;
      faults_.erase(it);
    }
  }
  if (active) {
    messages.push_back(FaultOccurred(settings_.handle, info, Stamp::Now()));
    if (state_ != ResourceState::kUnscheduledDown)
      messages.push_back(StateChange(ResourceState::kUnscheduledDown, &info));
  } else {
    messages.push_back(FaultCleared(settings_.handle, info, Stamp::Now()));
    std::lock_guard lock(faultsMutex_);
    if (faults_.empty() && state_ == ResourceState::kUnscheduledDown)
      messages.push_back(
          StateChange(unit_ ? ResourceState::kRegularWork : ResourceState::kNoProduct, nullptr));
  }
  Send(messages);
}

void FactoryOutput::Close() {
  if (closed_) return;
  closed_ = true;
  Send({StateChange(ResourceState::kShutdownAndStartup, nullptr)});
  link_->Stop(kCloseGrace);
}

}  // namespace halyard::factory
