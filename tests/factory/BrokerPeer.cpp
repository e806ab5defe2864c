// The test's peers over Proton.
#include "factory/BrokerPeer.h"

#include <proton/connection.hpp>
#include <proton/connection_options.hpp>
#include <proton/container.hpp>
#include <proton/delivery.hpp>
#include <proton/message.hpp>
#include <proton/message_id.hpp>
#include <proton/messaging_handler.hpp>
#include <proton/receiver_options.hpp>
#include <proton/sender.hpp>
#include <proton/sender_options.hpp>
#include <proton/source_options.hpp>
#include <proton/target_options.hpp>
#include <proton/tracker.hpp>
#include <proton/transport.hpp>
#include <proton/work_queue.hpp>

#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include <nlohmann/json.hpp>

namespace halyard::factory::testing {

namespace {

std::string Handle() {
  return HALYARD_AMQP_HANDLE;
}

std::string BodyText(const proton::message& message) {
  const proton::value& body = message.body();
  if (body.type() == proton::BINARY) {
    const proton::binary bytes = proton::get<proton::binary>(body);
    return std::string(bytes.begin(), bytes.end());
  }
  return body.type() == proton::STRING ? proton::get<std::string>(body) : std::string();
}

// A peer: one connection, a receiver on a durable queue, and whatever it does with a message.
class Peer : public proton::messaging_handler {
 public:
  Peer(std::string url, std::string queue) : url_(std::move(url)), queue_(std::move(queue)) {}
  void Start() {
    thread_ = std::thread([this] {
      try {
        container_.run();
      } catch (const std::exception&) {
      }
    });
  }
  void Stop() {
    container_.stop();
    if (thread_.joinable()) thread_.join();
  }
  void on_container_start(proton::container& c) override { Connect(c); }
  void on_connection_open(proton::connection& connection) override {
    proton::source_options source;
    source.address(queue_).durability_mode(proton::terminus::UNSETTLED_STATE);
    connection.open_receiver(queue_, proton::receiver_options().source(source));
  }
  // Through an outage the peer comes back as a real MES would.
  void on_transport_close(proton::transport&) override {
    container_.schedule(proton::duration(200), [this] { Connect(container_); });
  }
  void on_error(const proton::error_condition&) override {}

 protected:
  void Connect(proton::container& c) {
    try {
      c.connect(url_, proton::connection_options().sasl_allowed_mechs("ANONYMOUS"));
    } catch (const std::exception&) {
    }
  }
  std::string url_;
  std::string queue_;
  proton::container container_{*this};
  std::thread thread_;
};

}  // namespace

std::string BrokerUrl() {
  std::ifstream in(Handle() + "/url");
  std::string url;
  std::getline(in, url);
  return url;
}

void PauseBroker() {
  std::system(("bash " HALYARD_AMQP_SCRIPT " pause " + Handle()).c_str());
}

void ResumeBroker() {
  std::system(("bash " HALYARD_AMQP_SCRIPT " resume " + Handle()).c_str());
}

class QueueReader::Impl final : public Peer {
 public:
  using Peer::Peer;
  void on_message(proton::delivery&, proton::message& message) override {
    std::lock_guard lock(mutex_);
    got_.push_back(BodyText(message));
    arrived_.notify_all();
  }
  std::vector<std::string> Wait(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, timeout, [&] { return got_.size() >= count; });
    return got_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<std::string> got_;
};

QueueReader::QueueReader(const std::string& url, const std::string& queue)
    : impl_(std::make_unique<Impl>(url, queue)) {
  impl_->Start();
}
QueueReader::~QueueReader() {
  impl_->Stop();
}
std::vector<std::string> QueueReader::Wait(size_t count, std::chrono::milliseconds timeout) {
  return impl_->Wait(count, timeout);
}

class StandInMes::Impl final : public Peer {
 public:
  Impl(std::string url, std::string queue, Decide decide)
      : Peer(std::move(url), std::move(queue)), decide_(std::move(decide)) {}
  void on_connection_open(proton::connection& connection) override {
    Peer::on_connection_open(connection);
    connection_ = connection;
    replies_.clear();
  }
  void on_message(proton::delivery&, proton::message& message) override {
    const nlohmann::json request = nlohmann::json::parse(BodyText(message), nullptr, false);
    ++asked_;
    if (!request.is_object()) return;
    const std::string unit = request["MessageBody"].value("PrimaryIdentifier", "");
    const auto answer = decide_(unit);
    if (!answer) return;
    nlohmann::json response = {
        {"MessageName", "CFX.InformationSystem.UnitValidation.ValidateUnitsResponse"},
        {"Version", "2.1"},
        {"TimeStamp", "2026-12-06T00:00:00Z"},
        {"UniqueID", "00000000-0000-4000-8000-000000000000"},
        {"Source", request["Target"]},
        {"Target", request["Source"]},
        {"RequestID", request["RequestID"]},
        {"MessageBody",
         {{"Result", {{"Result", "Success"}, {"ResultCode", 0}, {"Message", nullptr}}},
          {"PrimaryResult",
           {{"UniqueIdentifier", unit},
            {"PositionNumber", 0},
            {"Result", answer->first ? "Passed" : "Failed"},
            {"FailureCode", answer->first ? 0 : 42},
            {"Message", answer->second}}},
          {"ValidationResults", nlohmann::json::array()}}}};
    const std::string to = message.reply_to();
    if (!replies_.contains(to)) {
      proton::target_options target;
      target.address(to).durability_mode(proton::terminus::UNSETTLED_STATE);
      replies_[to] = connection_.open_sender(to, proton::sender_options().target(target));
    }
    proton::message reply;
    reply.correlation_id(message.correlation_id());
    reply.body(proton::binary(response.dump()));
    replies_[to].send(reply);
  }
  size_t Asked() const { return asked_; }

 private:
  Decide decide_;
  proton::connection connection_;
  std::map<std::string, proton::sender> replies_;  // by the asker's reply queue
  std::atomic<size_t> asked_{0};
};

StandInMes::StandInMes(const std::string& url, const std::string& queue, Decide decide)
    : impl_(std::make_unique<Impl>(url, queue, std::move(decide))) {
  impl_->Start();
}
StandInMes::~StandInMes() {
  impl_->Stop();
}
size_t StandInMes::Asked() const {
  return impl_->Asked();
}

}  // namespace halyard::factory::testing
