// The link's thread runs Proton's container; the station's thread only schedules work on it
// (container::schedule is thread-safe) and waits for answers. Every Proton call that can throw is
// on the link's thread, inside run(), and a throw there ends the link with its reason kept.
#include "factory/AmqpLink.h"

#include <proton/connection.hpp>
#include <proton/connection_options.hpp>
#include <proton/container.hpp>
#include <proton/delivery.hpp>
#include <proton/error_condition.hpp>
#include <proton/message.hpp>
#include <proton/message_id.hpp>
#include <proton/messaging_handler.hpp>
#include <proton/receiver.hpp>
#include <proton/receiver_options.hpp>
#include <proton/sender.hpp>
#include <proton/sender_options.hpp>
#include <proton/source_options.hpp>
#include <proton/ssl.hpp>
#include <proton/target_options.hpp>
#include <proton/tracker.hpp>
#include <proton/transport.hpp>
#include <proton/work_queue.hpp>

#include <algorithm>
#include <atomic>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "factory/AmqpMessage.h"
#include "factory/CfxMessages.h"

namespace halyard::factory {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kFirstRetry{250};
constexpr std::chrono::milliseconds kLastRetry{5000};
// Proton's run() returns on stop only once every scheduled piece of work has run: the link's
// timers are one short tick, so that stopping takes no longer than it.
const proton::duration kTick{100};

std::string TagOf(const proton::tracker& tracker) {
  const proton::binary tag = tracker.tag();
  return std::string(tag.begin(), tag.end());
}

}  // namespace

class AmqpLink::Handler final : public proton::messaging_handler {
 public:
  Handler(LinkSettings settings, Outbox& outbox)
      : settings_(std::move(settings)), outbox_(outbox), container_(*this) {
    thread_ = std::thread([this] { Run(); });
  }

  ~Handler() override { Stop(); }

  // Without a connection there is nothing to wake: the next one sends what waits when it opens.
  void Wake() {
    OnLinkThread([this] { Pump(); }, false);
  }

  std::future<std::string> Ask(const std::string& envelope, const std::string& requestId) {
    std::future<std::string> answer;
    {
      std::lock_guard lock(mutex_);
      answer = asked_[requestId].get_future();
    }
    OnLinkThread([this, envelope] { SendRequest(envelope); });
    return answer;
  }

  void Forget(const std::string& requestId) {
    std::lock_guard lock(mutex_);
    asked_.erase(requestId);
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      if (stopping_.exchange(true)) return;
    }
    container_.stop();
    if (thread_.joinable()) thread_.join();
  }

  LinkState State() const {
    std::lock_guard lock(mutex_);
    return state_;
  }

  void on_container_start(proton::container&) override {
    Connect();
    Tick();
  }

  void on_connection_open(proton::connection& connection) override {
    {
      std::lock_guard lock(mutex_);
      work_ = &connection.work_queue();
    }
    proton::sender_options options;
    options.target(DurableTarget(settings_.address));
    sender_ = connection.open_sender(settings_.address, options);
    if (!settings_.requestTo.empty()) {
      requestsOpen_ = true;
      requests_ = connection.open_sender(
          settings_.requestTo, proton::sender_options().target(DurableTarget(settings_.requestTo)));
      proton::source_options source = DurableSource(settings_.replyAddress);
      connection.open_receiver(settings_.replyAddress, proton::receiver_options().source(source));
    }
  }

  void on_sender_open(proton::sender& sender) override {
    if (sender != sender_) return;
    ready_ = true;
    retry_ = kFirstRetry;
    nextHeartbeat_ = Clock::now() + settings_.heartbeat;
    SetState(true, "");
    RunLater();
    Pump();
  }

  void on_sendable(proton::sender& sender) override {
    if (sender == sender_) Pump();
  }

  void on_tracker_accept(proton::tracker& tracker) override { Settled(tracker, ""); }
  void on_tracker_reject(proton::tracker& tracker) override {
    Settled(tracker, "refused by the broker");
  }
  // Not taken, for now: sent again after what is in flight.
  void on_tracker_release(proton::tracker& tracker) override { Resend(tracker); }

  void on_message(proton::delivery&, proton::message& message) override {
    const std::string text = EnvelopeOf(message);
    EnvelopeHeader header;
    if (!ReadEnvelopeHeader(text, header)) return;
    std::lock_guard lock(mutex_);
    const auto it = asked_.find(header.requestId);
    if (it != asked_.end()) {
      it->second.set_value(text);
      asked_.erase(it);
    }
  }

  void on_transport_error(proton::transport& transport) override {
    Failed(transport.error().what());
  }
  void on_connection_error(proton::connection& connection) override {
    Failed(connection.error().what());
  }
  void on_sender_error(proton::sender& sender) override {
    Failed(sender.error().what());
    sender.connection().close();
  }
  void on_receiver_error(proton::receiver& receiver) override {
    Failed(receiver.error().what());
    receiver.connection().close();
  }
  void on_error(const proton::error_condition& error) override { Failed(error.what()); }

  // However the connection ended, the next one starts after a pause and sends again what was not
  // accepted.
  void on_transport_close(proton::transport&) override {
    {
      std::lock_guard lock(mutex_);
      work_ = nullptr;
    }
    ready_ = false;
    requestsOpen_ = false;
    inFlight_.clear();
    sentUpTo_ = 0;
    if (State().connected) SetState(false, "the broker closed the connection");
    connectAt_ = Clock::now() + retry_;
    retry_ = std::min(retry_ * 2, kLastRetry);
  }

 private:
  // Work from the station's thread: through the connection's work queue, which wakes the link's
  // thread. Without a connection, work to `keep` waits for the next one's opening.
  void OnLinkThread(std::function<void()> work, bool keep = true) {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    if (work_ != nullptr) {
      work_->add(std::move(work));
    } else if (keep) {
      later_.push_back(std::move(work));
    }
  }

  void RunLater() {
    std::vector<std::function<void()>> later;
    {
      std::lock_guard lock(mutex_);
      later.swap(later_);
    }
    for (const auto& work : later)
      work();
  }

  void Run() {
    try {
      container_.run();
    } catch (const std::exception& e) {
      SetState(false, std::string("the link stopped: ") + e.what());
    }
  }

  void Connect() {
    if (stopping_) return;
    proton::connection_options options;
    if (settings_.user.empty()) {
      options.sasl_allowed_mechs("ANONYMOUS");
    } else {
      // Over amqp:// only to this machine: the settings refuse a password to another.
      options.user(settings_.user).password(settings_.password);
      options.sasl_allowed_mechs("PLAIN").sasl_allow_insecure_mechs(true);
    }
    if (settings_.url.starts_with("amqps://")) {
      options.ssl_client_options(settings_.caFile.empty()
                                     ? proton::ssl_client_options()
                                     : proton::ssl_client_options(settings_.caFile));
    }
    options.idle_timeout(proton::duration(10000));
    try {
      container_.connect(settings_.url, options);
    } catch (const std::exception& e) {
      Failed(e.what());
      connectAt_ = Clock::now() + kLastRetry;
    }
  }

  // A heartbeat is due only while the link is up: one missed while the broker was away is owed to
  // no one, so it never waits in the outbox.
  void Tick() {
    if (stopping_) return;
    const Clock::time_point now = Clock::now();
    if (connectAt_ && now >= *connectAt_) {
      connectAt_.reset();
      Connect();
    }
    // OutboxSync=background: what was appended since the last tick goes to the disk now, never in
    // the path of a message to the broker.
    outbox_.Sync();
    Pump();  // whatever a lost wake-up left waiting
    if (ready_ && settings_.heartbeatMessage && now >= nextHeartbeat_) {
      if (sender_.credit() > 0) sender_.send(MessageOf(settings_.heartbeatMessage()));
      nextHeartbeat_ = now + settings_.heartbeat;
    }
    container_.schedule(kTick, [this] { Tick(); });
  }

  void Pump() {
    if (!ready_) return;
    OutboxEntry entry;
    while (sender_.credit() > 0 && outbox_.Next(sentUpTo_, entry)) {
      const proton::tracker tracker = sender_.send(MessageOf(entry.text));
      inFlight_[TagOf(tracker)] = entry.sequence;
      sentUpTo_ = entry.sequence;
    }
  }

  void Settled(proton::tracker& tracker, const std::string& refusal) {
    const auto it = inFlight_.find(TagOf(tracker));
    if (it == inFlight_.end()) return;  // a heartbeat, or sent before a reconnect
    if (refusal.empty()) {
      outbox_.Done(it->second);
    } else {
      outbox_.Rejected(it->second, refusal);
    }
    inFlight_.erase(it);
  }

  void Resend(proton::tracker& tracker) {
    const auto it = inFlight_.find(TagOf(tracker));
    if (it == inFlight_.end()) return;
    sentUpTo_ = std::min(sentUpTo_, it->second - 1);
    inFlight_.erase(it);
    Pump();
  }

  // A request asked before the link was up went with the next connection's opening (RunLater), as
  // long as its asker still waits.
  void SendRequest(const std::string& envelope) {
    if (!requestsOpen_) return;
    EnvelopeHeader header;
    ReadEnvelopeHeader(envelope, header);
    {
      std::lock_guard lock(mutex_);
      if (!asked_.contains(header.requestId)) return;
    }
    proton::message message = MessageOf(envelope);
    message.reply_to(settings_.replyAddress);
    message.correlation_id(proton::message_id(header.requestId));
    requests_.send(message);
  }

  void Failed(const std::string& why) { SetState(false, why); }

  void SetState(bool connected, const std::string& error) {
    std::lock_guard lock(mutex_);
    state_.connected = connected;
    if (!connected && !error.empty()) state_.error = error;
    if (connected) state_.error.clear();
  }

  LinkSettings settings_;
  Outbox& outbox_;
  proton::container container_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  // Only the link's thread touches these.
  proton::sender sender_;
  proton::sender requests_;
  bool ready_ = false;
  bool requestsOpen_ = false;
  Clock::time_point nextHeartbeat_;
  std::optional<Clock::time_point> connectAt_;  // when the next connection is tried, if one is due
  uint64_t sentUpTo_ = 0;
  std::map<std::string, uint64_t> inFlight_;  // by delivery tag: the outbox sequence
  std::chrono::milliseconds retry_ = kFirstRetry;
  // Shared with the station's thread.
  mutable std::mutex mutex_;
  LinkState state_;
  std::map<std::string, std::promise<std::string>> asked_;
  proton::work_queue* work_ = nullptr;  // the open connection's
  std::vector<std::function<void()>> later_;
};

AmqpLink::AmqpLink(LinkSettings settings, Outbox& outbox)
    : outbox_(outbox), handler_(std::make_unique<Handler>(std::move(settings), outbox)) {}

AmqpLink::~AmqpLink() = default;

void AmqpLink::Wake() {
  handler_->Wake();
}

std::future<std::string> AmqpLink::Ask(const std::string& envelope, const std::string& requestId) {
  return handler_->Ask(envelope, requestId);
}

void AmqpLink::Forget(const std::string& requestId) {
  handler_->Forget(requestId);
}

void AmqpLink::Stop(std::chrono::milliseconds grace) {
  // A link that is up, or still connecting, may yet empty the outbox; one that failed will not.
  const LinkState state = handler_->State();
  if (state.connected || state.error.empty())
    outbox_.WaitEmpty(std::chrono::steady_clock::now() + grace);
  handler_->Stop();
}

LinkState AmqpLink::State() const {
  return handler_->State();
}

}  // namespace halyard::factory
