// How a record is written down: its id and times, the JSON object that the spool and
// `halyardctl records list` print, and the columns both SQL stores keep. Every store and
// output goes through here, so a field is named and encoded in one place.
#pragma once

#include <array>
#include <chrono>
#include <string>
#include <string_view>

#include "records/Record.h"

namespace halyard::records {

// A random UUID v4 from the kernel's random source.
std::string NewRecordId();

// "2026-12-06T12:34:56.789Z".
std::string FormatUtc(std::chrono::system_clock::time_point time);

// Checks a --since value (a date, or a date and a time of the record format, with or without
// the "Z") and gives the form that compares with record times as text.
bool NormalizeSince(std::string_view text, std::string& since, std::string& error);

// Bytes that are not UTF-8, and NUL, become U+FFFD: PostgreSQL's text and JSON take nothing
// else, and a record must read the same from every store.
std::string ValidUtf8(std::string_view text);

// One line of JSON with every field, in the order of kRecordColumns.
std::string RecordToJsonLine(const Record& record);
bool RecordFromJsonLine(std::string_view line, Record& record, std::string& error);

// The columns of the records table, in the order of the fields.
inline constexpr size_t kRecordColumnCount = 18;
inline constexpr std::array<const char*, kRecordColumnCount> kRecordColumns = {
    "id",      "schema",   "station",       "socket",   "operator", "unit",
    "adapter", "software", "config_sha256", "action",   "verdict",  "reason",
    "started", "ended",    "measurements",  "firmware", "messages", "trace"};
// The first of the columns that hold JSON (measurements, firmware, messages, trace); the ones
// before it hold texts, the schema a number.
inline constexpr size_t kMeasurementsColumn = 14;
using RecordRow = std::array<std::string, kRecordColumnCount>;

// Each field as the text its column holds: the lists as JSON arrays, all valid UTF-8.
RecordRow RecordToRow(const Record& record);
bool RecordFromRow(const RecordRow& row, Record& record, std::string& error);

}  // namespace halyard::records
