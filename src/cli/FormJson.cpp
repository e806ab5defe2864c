// The window's state as JSON and as readable lines.
#include "cli/FormJson.h"

#include <cstdio>

namespace halyard::cli {

namespace {

Json LabelJson(const LabelState& label) {
  return Json{
      {"Caption", label.Caption}, {"ForeColor", label.ForeColor}, {"BackColor", label.BackColor}};
}

Json CaptionJson(const LabelState& label) {
  return Json{{"Caption", label.Caption}};
}
Json TextJson(const TextBoxState& box) {
  return Json{{"Text", box.Text}};
}

bool IsColourKey(const std::string& key) {
  return key.size() >= 5 && key.compare(key.size() - 5, 5, "Color") == 0;
}

std::string ShowValue(const std::string& key, const Json& value) {
  if (value.is_string()) return QuoteText(value.get<std::string>());
  if (IsColourKey(key) && value.is_number_unsigned()) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value.get<uint32_t>());
    return text;
  }
  return DumpJson(value);
}

void Flatten(const std::string& prefix, const std::string& key, const Json& value,
             std::vector<std::pair<std::string, std::string>>& lines) {
  if (value.is_object()) {
    for (auto it = value.begin(); it != value.end(); ++it) {
      Flatten(prefix.empty() ? it.key() : prefix + "." + it.key(), it.key(), it.value(), lines);
    }
  } else if (value.is_array()) {
    // Control arrays are indexed as the window names them: Label6(0).
    for (size_t i = 0; i < value.size(); ++i) {
      Flatten(prefix + "(" + std::to_string(i) + ")", key, value[i], lines);
    }
  } else {
    lines.emplace_back(prefix, ShowValue(key, value));
  }
}

}  // namespace

Json FormToJson(const Form1& form) {
  const FormControls& c = form.Controls();
  const WindowState& s = form.State();
  Json label6 = Json::array();
  for (const LabelState& label : c.Label6)
    label6.push_back(LabelJson(label));
  Json label5 = Json::array();
  for (const LabelState& label : c.Label5)
    label5.push_back(CaptionJson(label));
  Json testPassed = Json::array();
  for (const bool passed : s.TestPassed)
    testPassed.push_back(passed);

  Json json;
  json["SSTab1"] = Json{{"Tab", c.SSTab1.Tab}};
  json["Ver"] = CaptionJson(c.Ver);
  json["Label6"] = std::move(label6);
  json["Label5"] = std::move(label5);
  json["Label3"] = CaptionJson(c.Label3);
  json["Label4"] = CaptionJson(c.Label4);
  json["Label7"] = CaptionJson(c.Label7);
  json["CurrentTrim"] = CaptionJson(c.CurrentTrim);
  json["SREC_Name"] = TextJson(c.SREC_Name);
  json["TrimFilePathAndName"] = TextJson(c.TrimFilePathAndName);
  json["ReservedRow"] = TextJson(c.ReservedRow);
  json["AutoUpdate"] = Json{{"Value", c.AutoUpdate.Value}};
  json["FineAdjust"] = Json{{"Value", c.FineAdjust.Value}};
  json["GrossAdjust"] = Json{{"Value", c.GrossAdjust.Value}};
  json["TargetNotConfigured"] = s.TargetNotConfigured;
  json["ExpectedVersion"] = s.ExpectedVersion;
  json["ProgramPassCount"] = s.ProgramPassCount;
  json["TestPassed"] = std::move(testPassed);
  return json;
}

std::string DumpJson(const Json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string QuoteText(const std::string& text) {
  return DumpJson(Json(text));
}

std::vector<std::pair<std::string, std::string>> FlattenForm(const Json& form) {
  std::vector<std::pair<std::string, std::string>> lines;
  Flatten("", "", form, lines);
  return lines;
}

}  // namespace halyard::cli
