// Inside the factory layer: a CFX envelope as the AMQP message CFX's binding sends, and back, and
// the durable terminus every link of the station asks for.
#pragma once

#include <proton/message.hpp>
#include <proton/source_options.hpp>
#include <proton/target_options.hpp>

#include <string>

namespace halyard::factory {

// A durable message: the envelope as a data section, `application/json`, its id and names
// repeated in the properties as the CFX SDK's AMQP binding sets them.
proton::message MessageOf(const std::string& envelope);
// The envelope a message carries, as a data section or a string; empty otherwise.
std::string EnvelopeOf(const proton::message& message);

// Queues the station sends to or reads from survive a broker's restart: the link asks for them
// durable, and RabbitMQ declares them so.
proton::target_options DurableTarget(const std::string& address);
proton::source_options DurableSource(const std::string& address);

}  // namespace halyard::factory
