// The worker protocol's lines, written and read with nlohmann-json; a line that is not one of
// them is refused with a reason, never half read.
#include "line/Protocol.h"

#include <array>
#include <nlohmann/json.hpp>
#include <utility>

namespace halyard::line {

namespace {

using Json = nlohmann::json;
using Kind = WorkerEvent::Kind;

constexpr std::array<std::pair<Kind, std::string_view>, 5> kKinds{{{Kind::kReady, "ready"},
                                                                   {Kind::kDown, "down"},
                                                                   {Kind::kStepBegan, "step-began"},
                                                                   {Kind::kStepEnded, "step"},
                                                                   {Kind::kUnitEnded, "unit"}}};

std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

bool Texts(const Json& json, const char* key, std::vector<std::string>& texts) {
  const auto it = json.find(key);
  if (it == json.end() || !it->is_array()) return false;
  texts.clear();
  for (const Json& item : *it) {
    if (!item.is_string()) return false;
    texts.push_back(item.get<std::string>());
  }
  return true;
}

std::string Text(const Json& json, const char* key) {
  const auto it = json.find(key);
  return it != json.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

std::string WriteOrder(const UnitOrder& order) {
  Json json{{"unit", order.unit}, {"work", order.work}, {"steps", order.steps}, {"ids", order.ids}};
  if (order.unfinished) json["unfinished"] = true;
  return Dump(json);
}

bool ReadOrder(std::string_view line, UnitOrder& order, std::string& error) {
  const Json json = Json::parse(line, nullptr, false);
  UnitOrder read;
  const auto unfinished = json.is_object() ? json.find("unfinished") : json.end();
  if (!json.is_object() || !json.contains("unit") || !json["unit"].is_string() ||
      !json.contains("work") || !json["work"].is_string() || !Texts(json, "steps", read.steps) ||
      !Texts(json, "ids", read.ids) || read.ids.size() != read.steps.size() ||
      (unfinished != json.end() && !unfinished->is_boolean())) {
    error = "not a unit order: " + std::string(line.substr(0, 120));
    return false;
  }
  read.unit = json["unit"].get<std::string>();
  read.work = json["work"].get<std::string>();
  read.unfinished = unfinished != json.end() && unfinished->get<bool>();
  order = std::move(read);
  return true;
}

std::string WriteEvent(const WorkerEvent& event) {
  Json json;
  for (const auto& [kind, name] : kKinds) {
    if (kind == event.kind) json["event"] = name;
  }
  switch (event.kind) {
    case Kind::kReady:
      json["adapter"] = event.adapter;
      break;
    case Kind::kDown:
      json["reason"] = event.reason;
      break;
    case Kind::kStepBegan:
      json["step"] = event.step;
      break;
    case Kind::kStepEnded:
      json["step"] = event.step;
      json["verdict"] = event.verdict;
      json["reason"] = event.reason;
      json["seconds"] = event.seconds;
      json["records"] = event.records;
      break;
    case Kind::kUnitEnded:
      json["unit"] = event.unit;
      json["verdict"] = event.verdict;
      json["reason"] = event.reason;
      break;
  }
  return Dump(json);
}

bool ReadEvent(std::string_view line, WorkerEvent& event, std::string& error) {
  const Json json = Json::parse(line, nullptr, false);
  const std::string name = json.is_object() ? Text(json, "event") : "";
  for (const auto& [kind, known] : kKinds) {
    if (name != known) continue;
    WorkerEvent read;
    read.kind = kind;
    read.adapter = Text(json, "adapter");
    read.unit = Text(json, "unit");
    read.step = Text(json, "step");
    read.verdict = Text(json, "verdict");
    read.reason = Text(json, "reason");
    read.records = Text(json, "records");
    if (const auto it = json.find("seconds"); it != json.end() && it->is_number())
      read.seconds = it->get<double>();
    event = std::move(read);
    return true;
  }
  error = "not a worker's event: " + std::string(line.substr(0, 120));
  return false;
}

}  // namespace halyard::line
