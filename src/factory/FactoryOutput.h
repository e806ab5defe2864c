// The record output that tells the factory's MES what the station does, as IPC-CFX messages: each
// record as UnitsTested, a unit's work as WorkStarted and WorkCompleted, the station's state and
// faults, a heartbeat, and (with ValidateUnits=yes) the unit check before a unit's first action.
// Every message goes through the outbox, written before the action reports; the link publishes it
// beside the station. With [Factory] absent the station has no such output.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "factory/AmqpLink.h"
#include "factory/CfxMessages.h"
#include "factory/FactorySettings.h"
#include "factory/Outbox.h"
#include "records/RecordOutput.h"

namespace halyard::factory {

// The link that publishes to the broker of `settings`: its address, credentials and heartbeat;
// no unit checks (FactoryOutput adds them where [Factory] asks for them).
LinkSettings PublishingLink(const FactorySettings& settings);

class FactoryOutput final : public records::RecordOutput {
 public:
  // The outbox opened (what waits in it goes first) and the link started; the station's start-up
  // is the first message. False, with one line in `error`, when the outbox cannot be had.
  static bool Open(const FactorySettings& settings, std::unique_ptr<FactoryOutput>& output,
                   std::string& error);
  ~FactoryOutput() override;

  records::RecordNotice Take(const records::Record& record) override;
  void UnitBegan(const records::UnitWork& work) override;
  void UnitEnded(const records::UnitWork& work, records::UnitVerdict verdict) override;
  void UnitLeft(const records::UnitWork& work, records::UnitVerdict verdict) override;
  bool Admit(const records::UnitWork& work, std::string& reason) override;
  void FaultChanged(records::StationFault fault, bool active, const std::string& text) override;
  // The station's shutdown as the last message; up to a second for the broker to take what waits.
  void Close() override;

  const Outbox& Box() const { return *outbox_; }
  LinkState Link() const { return link_->State(); }

 private:
  explicit FactoryOutput(FactorySettings settings) : settings_(std::move(settings)) {}
  // Into the outbox, then the link is woken; false (and `lost_` says why) when the disk refused.
  bool Send(const std::vector<std::string>& messages);
  std::string StateChange(ResourceState next, const FaultInfo* fault);
  std::string HeartbeatNow();
  void BeginWork();
  // The unit check goes out when the unit is scanned, so the MES answers while the operator
  // gets ready; the first action waits for the rest of the time, if any.
  void AskMes(const records::UnitWork& work);
  bool HearMes(const records::UnitWork& work, std::string& reason);

  FactorySettings settings_;
  std::unique_ptr<Outbox> outbox_;
  std::unique_ptr<AmqpLink> link_;
  ResourceState state_ = ResourceState::kShutdownAndStartup;
  std::chrono::steady_clock::time_point stateSince_ = std::chrono::steady_clock::now();
  std::optional<UnitTransaction> unit_;  // the unit in work, once its work has begun
  records::UnitWork pending_;            // scanned, and not yet admitted by the MES
  bool refused_ = false;                 // the MES refused the unit scanned
  struct Question {
    std::string requestId;
    std::future<std::string> answer;
    std::chrono::steady_clock::time_point deadline;
  };
  std::optional<Question> asked_;  // the unit check in flight
  bool closed_ = false;
  bool toldUnreachable_ = false;
  std::string lost_;
  std::mutex faultsMutex_;  // the heartbeat reads the faults on the link's thread
  std::map<records::StationFault, FaultInfo> faults_;
};

}  // namespace halyard::factory
