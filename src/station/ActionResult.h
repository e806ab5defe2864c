// What one operator action did, as data: the tab panels fill it while they work, the station
// adds the bus calls and message boxes, and everything that reports an action (halyardctl's
// lines, the status line, the record and its outputs) is drawn from it. Nothing reads a caption
// or a trace line back to learn what happened.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "adapter/BusCall.h"
#include "records/Record.h"
#include "station/AutoTrimReport.h"
#include "station/Verdict.h"

namespace halyard {

// The kinds of measurement an action takes; the action table says which each action has, and
// a record lists exactly those.
enum Measured : unsigned {
  kMeasuredTests = 1 << 0,        // each test that ran: verdict and status
  kMeasuredVersion = 1 << 1,      // the adapter version read, and the one expected
  kMeasuredRunCount = 1 << 2,     // Run All's "Succeeded:" counter
  kMeasuredTarget = 1 << 3,       // the target configured, and the identification written
  kMeasuredProgramming = 1 << 4,  // each programming call's status
  kMeasuredTrim = 1 << 5,         // the trim shown and both bars
  kMeasuredRow = 1 << 6,          // the reserved row before and after
  kMeasuredAutoUpdate = 1 << 7,   // the "Auto update controller firmware" box
  kMeasuredPassCount = 1 << 8,    // the programming counter
  kMeasuredAutoTrim = 1 << 9,     // the automatic trim's measurements and choice
};

struct TestMeasurement {
  int index = 0;     // the Command2 index of the test
  std::string test;  // the button's caption: "SMBus Test"
  bool passed = false;
  // The status of its bus transactions: its reads', or the opening's when the I2C test could not
  // open its run. None for the version test, whose label shows no status.
  std::optional<int16_t> status;
  bool operator==(const TestMeasurement&) const = default;
};

struct VersionMeasurement {
  int16_t status = 0;               // of the read
  std::optional<std::string> read;  // the adapter's three characters; none when the read failed
  std::string expected;             // the configuration's EXPECTED_VERSION
  bool operator==(const VersionMeasurement&) const = default;
};

struct TargetMeasurement {
  bool configured = false;  // the target counts as configured after the action
  std::string id;           // the identification text written
  bool operator==(const TargetMeasurement&) const = default;
};

struct TrimMeasurement {
  std::string shown;  // the trim the window shows, in hexadecimal
  int16_t fine = 0;
  int16_t gross = 0;
  bool operator==(const TrimMeasurement&) const = default;
};

struct RowMeasurement {
  std::string before;  // the reserved row as the window showed it when the action began
  std::string after;   // and when it ended
  bool operator==(const RowMeasurement&) const = default;
};

struct Measurements {
  std::vector<TestMeasurement> tests;  // in the order run
  std::optional<VersionMeasurement> version;
  std::optional<long long> runAllPasses;  // the counter as it stands after the run
  std::optional<TargetMeasurement> target;
  std::vector<int16_t> programmingStatuses;  // one per programming call, in order
  std::optional<TrimMeasurement> trim;
  std::optional<RowMeasurement> row;
  std::vector<uint8_t> rowRead;  // the reserved row's bytes as "Read Trim" last read them whole
  std::optional<int16_t> autoUpdate;
  std::optional<int16_t> programPassCount;
  std::optional<AutoTrimReport> autoTrim;
  bool operator==(const Measurements&) const = default;
};

struct ActionResult {
  std::string action;     // the action table's name: "run-all", "trim-update"
  unsigned measured = 0;  // the Measured kinds the action takes
  bool passed = true;
  Reason reason;  // what failed first; empty when passed
  Measurements measurements;
  std::vector<records::FirmwareImage> images;    // one per programming call, with its digest
  std::vector<records::RecordMessage> messages;  // the message boxes, in order
  std::vector<BusCall> calls;                    // every adapter operation, in order
  std::chrono::system_clock::time_point started;
  std::chrono::system_clock::time_point ended;

  // The verdict's outcome taken into the result.
  void Conclude(const ActionVerdict& verdict);
  // An image handed to the adapter for programming, by the path handed; its digest is taken now,
  // so the record says which bytes were programmed.
  void AddImage(const std::string& path);
  // The reserved row as shown before and after a step of the action: the action keeps the first
  // step's "before" and the last step's "after".
  void NoteRow(const std::string& before, const std::string& after);
  // The trace: one line per call, as halyardctl --trace prints them.
  std::vector<std::string> TraceLines() const;
};

}  // namespace halyard
