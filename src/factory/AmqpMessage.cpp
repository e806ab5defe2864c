// The AMQP side of a CFX envelope.
#include "factory/AmqpMessage.h"

#include <proton/message_id.hpp>

#include "factory/CfxMessages.h"

namespace halyard::factory {

proton::message MessageOf(const std::string& envelope) {
  EnvelopeHeader header;
  ReadEnvelopeHeader(envelope, header);
  proton::message message;
  message.id(proton::message_id(header.uniqueId));
  message.subject(header.source + "." + header.messageName);
  message.content_type("application/json");
  message.durable(true);
  message.body(proton::binary(envelope));
  const std::string topic = header.messageName.substr(0, header.messageName.rfind('.'));
  message.properties().put("cfx-topic", topic);
  message.properties().put("cfx-message", header.messageName);
  message.properties().put("cfx-handle", header.source);
  message.properties().put("cfx-target", header.target);
  return message;
}

proton::target_options DurableTarget(const std::string& address) {
  proton::target_options target;
  target.address(address).durability_mode(proton::terminus::UNSETTLED_STATE);
  return target;
}

std::string EnvelopeOf(const proton::message& message) {
  const proton::value& body = message.body();
  if (body.type() == proton::BINARY) {
    const proton::binary bytes = proton::get<proton::binary>(body);
    return std::string(bytes.begin(), bytes.end());
  }
  return body.type() == proton::STRING ? proton::get<std::string>(body) : std::string();
}

proton::source_options DurableSource(const std::string& address) {
  proton::source_options source;
  source.address(address).durability_mode(proton::terminus::UNSETTLED_STATE);
  return source;
}

}  // namespace halyard::factory
