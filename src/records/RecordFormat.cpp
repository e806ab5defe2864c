// Record ids, times, the JSON line and the table row. The row is the one mapping of fields to
// texts; the JSON line is the row with the JSON columns embedded instead of quoted.
#include "records/RecordFormat.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>

namespace halyard::records {

namespace {

using Json = nlohmann::ordered_json;

constexpr size_t kSchemaColumn = 1;
// Columns a record of an older schema lacks, which read as empty: its JSON line was spooled
// before the field existed.
constexpr std::array<std::string_view, 1> kLaterColumns = {"socket"};

std::string Dump(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The length of the UTF-8 sequence at `text[at]`, or 0 when it is not a valid one.
size_t Utf8Length(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead >= 0x01 && lead < 0x80) return 1;
  size_t length = 0;
  unsigned min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  unsigned code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(at + i) & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool ParseJsonColumn(size_t column, const std::string& text, Json& value, std::string& error) {
  value = Json::parse(text, nullptr, false);
  const bool object = column == kMeasurementsColumn;
  if (value.is_discarded() || (object ? !value.is_object() : !value.is_array())) {
    error = std::string(kRecordColumns[column]) + " is not a JSON " + (object ? "object" : "array");
    return false;
  }
  return true;
}

template <typename Item>
bool ItemsFromJson(const Json& array, std::vector<Item>& items, const char* first,
                   const char* second, std::string Item::*firstField,
                   std::string Item::*secondField) {
  for (const Json& element : array) {
    if (!element.is_object() || !element.value(first, Json()).is_string() ||
        !element.value(second, Json()).is_string())
      return false;
    Item item;
    item.*firstField = element[first].template get<std::string>();
    item.*secondField = element[second].template get<std::string>();
    items.push_back(std::move(item));
  }
  return true;
}

}  // namespace

std::string NewRecordId() {
  std::array<unsigned char, 16> bytes{};
  std::ifstream random("/dev/urandom", std::ios::binary);
  if (!random.read(reinterpret_cast<char*>(bytes.data()), bytes.size())) {
    std::random_device device;  // only when the kernel's source cannot be read
    for (unsigned char& b : bytes)
      b = static_cast<unsigned char>(device());
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  std::string id;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
    id += buf;
  }
  return id;
}

std::string FormatUtc(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(time.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char buf[80];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>((ms % 1000 + 1000) % 1000));
  return buf;
}

bool NormalizeSince(std::string_view text, std::string& since, std::string& error) {
  // A digit wherever the record format has one, its punctuation elsewhere; cut after the
  // date, the minutes, the seconds or the milliseconds.
  constexpr std::string_view kShape = "0000-00-00T00:00:00.000";
  std::string_view body = text;
  if (body.ends_with('Z')) body.remove_suffix(1);
  const bool lengthOk =
      body.size() == 10 || body.size() == 16 || body.size() == 19 || body.size() == 23;
  bool shapeOk = lengthOk;
  for (size_t i = 0; shapeOk && i < body.size(); ++i) {
    const bool digit = body[i] >= '0' && body[i] <= '9';
    shapeOk = kShape[i] == '0' ? digit : body[i] == kShape[i];
  }
  if (!shapeOk || (body.size() == 10 && text.ends_with('Z'))) {
    error = "'" + std::string(text) + "' is no date (write 2026-12-06 or 2026-12-06T12:34:56Z)";
    return false;
  }
  since = std::string(body);
  return true;
}

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const size_t length = Utf8Length(text, at);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++at;
    } else {
      out.append(text.substr(at, length));
      at += length;
    }
  }
  return out;
}

RecordRow RecordToRow(const Record& record) {
  Json firmware = Json::array();
  for (const FirmwareImage& image : record.firmware)
    firmware.push_back({{"path", image.path}, {"sha256", image.sha256}});
  Json messages = Json::array();
  for (const RecordMessage& message : record.messages)
    messages.push_back({{"title", message.title}, {"text", message.text}});
  Json measurements = Json::parse(record.measurements, nullptr, false);
  if (!measurements.is_object()) measurements = Json::object();
  const Record& r = record;
  RecordRow row = {r.id,
                   std::to_string(r.schema),
                   r.station,
                   r.socket,
                   r.operatorName,
                   r.unit,
                   r.adapter,
                   r.software,
                   r.configSha256,
                   r.action,
                   r.verdict,
                   r.reason,
                   r.started,
                   r.ended,
                   Dump(measurements),
                   Dump(firmware),
                   Dump(messages),
                   Dump(Json(r.trace))};
  for (size_t i = 0; i < kMeasurementsColumn; ++i)
    row[i] = ValidUtf8(row[i]);
  return row;
}

bool RecordFromRow(const RecordRow& row, Record& record, std::string& error) {
  Record r;
  const auto schemaEnd = row[kSchemaColumn].data() + row[kSchemaColumn].size();
  if (std::from_chars(row[kSchemaColumn].data(), schemaEnd, r.schema).ptr != schemaEnd) {
    error = "schema is not a number";
    return false;
  }
  std::string* texts[] = {&r.id,      nullptr,    &r.station,  &r.socket,       &r.operatorName,
                          &r.unit,    &r.adapter, &r.software, &r.configSha256, &r.action,
                          &r.verdict, &r.reason,  &r.started,  &r.ended};
  static_assert(std::size(texts) == kMeasurementsColumn);
  for (size_t i = 0; i < kMeasurementsColumn; ++i) {
    if (texts[i] != nullptr) *texts[i] = row[i];
  }
  Json lists[4];
  for (size_t i = 0; i < 4; ++i) {
    if (!ParseJsonColumn(kMeasurementsColumn + i, row[kMeasurementsColumn + i], lists[i], error))
      return false;
  }
  r.measurements = Dump(lists[0]);
  const bool traceOk = std::all_of(lists[3].begin(), lists[3].end(),
                                   [](const Json& line) { return line.is_string(); });
  if (!ItemsFromJson(lists[1], r.firmware, "path", "sha256", &FirmwareImage::path,
                     &FirmwareImage::sha256) ||
      !ItemsFromJson(lists[2], r.messages, "title", "text", &RecordMessage::title,
                     &RecordMessage::text) ||
      !traceOk) {
    error = "firmware, messages or trace hold an item of the wrong shape";
    return false;
  }
  r.trace = lists[3].get<std::vector<std::string>>();
  record = std::move(r);
  return true;
}

std::string RecordToJsonLine(const Record& record) {
  const RecordRow row = RecordToRow(record);
  Json line = Json::object();
  for (size_t i = 0; i < kRecordColumnCount; ++i) {
    if (i == kSchemaColumn) {
      line[kRecordColumns[i]] = record.schema;
    } else if (i >= kMeasurementsColumn) {
      line[kRecordColumns[i]] = Json::parse(row[i]);
    } else {
      line[kRecordColumns[i]] = row[i];
    }
  }
  return Dump(line);
}

bool RecordFromJsonLine(std::string_view line, Record& record, std::string& error) {
  const Json object = Json::parse(line, nullptr, false);
  if (!object.is_object()) {
    error = "not a JSON object";
    return false;
  }
  RecordRow row;
  for (size_t i = 0; i < kRecordColumnCount; ++i) {
    Json value = object.value(kRecordColumns[i], Json());
    if (value.is_null() && std::find(kLaterColumns.begin(), kLaterColumns.end(),
                                     kRecordColumns[i]) != kLaterColumns.end())
      value = "";
    const bool shapeOk = i == kSchemaColumn         ? value.is_number_integer()
                         : i >= kMeasurementsColumn ? value.is_structured()
                                                    : value.is_string();
    if (!shapeOk) {
      error = std::string("field \"") + kRecordColumns[i] + "\" is missing or of the wrong type";
      return false;
    }
    row[i] = value.is_string() ? value.get<std::string>() : Dump(value);
  }
  return RecordFromRow(row, record, error);
}

}  // namespace halyard::records
