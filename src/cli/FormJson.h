// The window's state as halyardctl prints it: one JSON object whose shape scripts rely on
// (every property present, colours as numbers), and the same state flattened into
// "name = value" lines for people.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "app/Form1.h"

namespace halyard::cli {

using Json = nlohmann::ordered_json;  // keys stay in the order written

// The "form" object: the controls the handlers write, by name, and the window-level state.
Json FormToJson(const Form1& form);

// One line of JSON. Texts read from a bus may hold bytes that are not UTF-8; they come out as
// U+FFFD instead of stopping the program.
std::string DumpJson(const Json& value);

// A text in double quotes with JSON escapes, safe to print whatever bytes it holds.
std::string QuoteText(const std::string& text);

// "Label6(0).Caption" -> "\"Pass\"", colours in hexadecimal, in the order of FormToJson.
std::vector<std::pair<std::string, std::string>> FlattenForm(const Json& form);

}  // namespace halyard::cli
