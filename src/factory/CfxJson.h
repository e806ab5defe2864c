// Inside the factory layer: the JSON of the CFX structures that several messages share.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "factory/CfxMessages.h"

namespace halyard::factory {

using Json = nlohmann::ordered_json;  // fields in the order the definitions give them

// The envelope around `body`, as one line.
std::string EnvelopeLine(const std::string& messageName, const std::string& handle,
                         const Stamp& stamp, Json body, const std::string& target = "",
                         const std::string& requestId = "");
// CFX.Structures.TestedUnit of one record: one Test with its measurements.
Json TestedUnitJson(const records::Record& record);
// A text field that may be absent: null when empty.
Json TextOrNull(const std::string& text);

}  // namespace halyard::factory
