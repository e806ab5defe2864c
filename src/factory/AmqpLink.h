// The station's link to the factory's AMQP 1.0 broker (Qpid Proton), on a thread of its own: it
// sends what waits in the outbox, in order, as durable application/json messages, removes each
// once the broker has accepted it, and reconnects after an outage; it sends the heartbeat, and
// carries the unit check's request and answer. Nothing of it runs in the operator's path but a
// wake-up; no exception leaves it.
#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "factory/Outbox.h"

namespace halyard::factory {

struct LinkSettings {
  std::string url;  // amqp://HOST:PORT or amqps://HOST:PORT
  std::string user;
  std::string password;
  std::string caFile;
  std::string address;       // where the outbox's messages go
  std::string requestTo;     // where unit checks go; empty: no unit checks
  std::string replyAddress;  // where their answers come
  std::chrono::seconds heartbeat{60};
  // The heartbeat's envelope, made when it is due (on the link's thread).
  std::function<std::string()> heartbeatMessage;
};

// What the link last knew of the broker, for the operator.
struct LinkState {
  bool connected = false;
  std::string error;  // why it is not connected; never holds the password
};

class AmqpLink {
 public:
  AmqpLink(LinkSettings settings, Outbox& outbox);
  ~AmqpLink();  // stops at once: what waits stays in the outbox
  AmqpLink(const AmqpLink&) = delete;
  AmqpLink& operator=(const AmqpLink&) = delete;

  // New messages wait in the outbox.
  void Wake();
  // Sends a request (an envelope whose RequestID is `requestId`) as soon as the link is up; the
  // future holds the envelope that answers it. A request is never kept in the outbox: one whose
  // asker stopped waiting (Forget) is not sent later.
  std::future<std::string> Ask(const std::string& envelope, const std::string& requestId);
  void Forget(const std::string& requestId);
  // Waits up to `grace` for the outbox to empty, then stops.
  void Stop(std::chrono::milliseconds grace);
  LinkState State() const;

  class Handler;

 private:
  Outbox& outbox_;
  std::unique_ptr<Handler> handler_;
};

}  // namespace halyard::factory
