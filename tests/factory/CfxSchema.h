// The CFX definitions the station's messages follow, written out as tables from the public CFX
// SDK's classes (CFX/CFXEnvelope.cs and the message and structure classes docs/factory.md names):
// every field a message must carry, its JSON type, whether it may be null, and an enumeration's
// values. The tests hold each message the station sends against them.
#pragma once

#include <string>
#include <vector>

namespace halyard::factory::testing {

// What is wrong with one envelope (as one line of JSON): empty when it follows the definitions.
std::vector<std::string> CheckEnvelope(const std::string& line);

}  // namespace halyard::factory::testing
