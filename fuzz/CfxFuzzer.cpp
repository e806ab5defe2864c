// What the factory messages read from outside: the MES's answer to a unit check and any envelope
// (ReadValidateUnitsResponse, ReadEnvelopeHeader), and a record read back from a shared store for
// a backfill, whose every field may hold anything (UnitsTested). Each is checked against what it
// promises: an answer only for a JSON object carrying the request's id; a message that is always
// one line of JSON, with the record's id and a test of the record's action.
#include <string>

#include <nlohmann/json.hpp>

#include "FuzzCheck.h"
#include "factory/CfxMessages.h"
#include "records/Record.h"

namespace {

using Json = nlohmann::json;

void CheckReaders(const std::string& text) {
  const Json json = Json::parse(text, nullptr, false);
  if (halyard::factory::ReadValidateUnitsResponse(text, "REQUEST-1")) {
    FUZZ_CHECK(json.is_object() && json["RequestID"] == "REQUEST-1");
  }
  halyard::factory::EnvelopeHeader header;
  if (halyard::factory::ReadEnvelopeHeader(text, header)) {
    FUZZ_CHECK(json.is_object() && json["MessageName"] == header.messageName);
  }
}

void CheckUnitsTested(const std::string& text) {
  halyard::records::Record record;
  record.id = "0f8fad5b-d9cb-469f-a165-70867728950e";
  record.unit = record.action = record.reason = record.operatorName = record.socket = text;
  record.started = record.ended = text;
  record.measurements = text;
  record.messages = {{text, text}};
  record.verdict = text.size() % 2 ? halyard::records::kVerdictPassed : "";
  const std::string line = halyard::factory::UnitsTested("h", record, "t");
  FUZZ_CHECK(halyard::fuzz::OneLine(line));
  const Json message = Json::parse(line, nullptr, false);
  FUZZ_CHECK(message.is_object() && message["UniqueID"] == record.id);
  const Json& test = message["MessageBody"]["TestedUnits"][0]["Tests"][0];
  FUZZ_CHECK(test["UniqueIdentifier"] == record.id && test["Measurements"].is_array());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(halyard::fuzz::AsText(data, size));
  CheckReaders(text);
  CheckUnitsTested(text);
  return 0;
}
