// The promises the fault sweep checks, each decided from the session's own report (its JSON
// lines) and the state file, never from the station's code.
#include "sweep/SessionCheck.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>

#include "adapter/Protocol.h"

namespace halyard::sweep {
namespace {

const std::set<std::string> kTestSteps{"version-test", "smbus-test", "i2c-test", "swb-test",
                                       "run-all"};
constexpr const char* kFlashLeftOpen = "The controller's flash is still write-enabled";

std::optional<long> FieldIn(const std::string& fields, const std::string& name) {
  const std::string key = " " + name + "=";
  const size_t at = fields.find(key);
  if (at == std::string::npos) return std::nullopt;
  const char* first = fields.c_str() + at + key.size();
  char* end = nullptr;
  const long value = std::strtol(first, &end, 0);
  if (end == first) return std::nullopt;
  return value;
}

// One bus trace line, "Op in=.. -> status out=..": the operations that return nothing
// (ListDevices, CloseDevice) have no status.
struct BusLine {
  std::string op;
  std::string inputs;
  std::optional<int> status;
  std::string outputs;

  bool Failed() const { return status.value_or(0) != 0; }
  // The number after " name=" among the inputs or the outputs (hexadecimal with 0x).
  std::optional<long> In(const std::string& name) const { return FieldIn(inputs, name); }
  std::optional<long> Out(const std::string& name) const { return FieldIn(outputs, name); }
};

BusLine ParseBusLine(const std::string& line) {
  BusLine bus;
  const size_t arrow = line.find(" -> ");
  const size_t name = line.find(' ');
  bus.op = line.substr(0, std::min(name, arrow));
  bus.inputs = arrow == std::string::npos || name >= arrow ? "" : line.substr(name, arrow - name);
  if (arrow == std::string::npos) return bus;
  const std::string rest = line.substr(arrow + 4);
  char* end = nullptr;
  const long status = std::strtol(rest.c_str(), &end, 10);
  if (end != rest.c_str() && (*end == '\0' || *end == ' ')) {
    bus.status = static_cast<int>(status);
    bus.outputs = end;
  } else {
    bus.outputs = " " + rest;
  }
  return bus;
}

bool Is(const BusLine& bus, const char* op, int command, int device) {
  return bus.op == op && bus.In("command") == command && bus.In("device") == device;
}

std::vector<BusLine> BusLines(const Json& line) {
  std::vector<BusLine> lines;
  for (const Json& text : line.at("trace"))
    lines.push_back(ParseBusLine(text.get<std::string>()));
  return lines;
}

bool SaysFlashLeftOpen(const Json& line) {
  for (const Json& message : line.at("messages")) {
    if (message.at("title") == "Error" &&
        message.at("text").get<std::string>().starts_with(kFlashLeftOpen))
      return true;
  }
  return false;
}

// The failed transfers of a passed step that the station ignores by design.
std::vector<bool> ExcusedFailures(const std::string& step, const std::vector<BusLine>& bus,
                                  Tally& tally) {
  std::vector<bool> excused(bus.size(), false);
  for (size_t i = 0; i < bus.size(); ++i) {
    // Each bus test ends the I2C run whatever the close answers: the test's verdict rests on
    // the reads.
    if (kTestSteps.count(step) && bus[i].op == "I2cAccess" && bus[i].In("function") == 0 &&
        bus[i].In("device") == 0)
      excused[i] = true;
    // The trim update's "prepare" word (0x0F00 to command 0x00) and the write status read after
    // it: the row write does not depend on what the controller makes of that word.
    if (step == "trim-update" &&
        Is(bus[i], "WriteSmbusWord", kCmdRowUpdatePrepare, kControllerDevice)) {
      excused[i] = true;
      if (i + 1 < bus.size() && bus[i + 1].op == "GetWriteStatus") excused[i + 1] = true;
    }
  }
  if (step != "trim-update") return excused;
  // Clearing write enable is tried twice; a failed first attempt made good by the second
  // lets the update go on. The attempts lie between the row write and the last clearing write
  // that went through.
  size_t rowWrite = bus.size();
  size_t cleared = 0;
  for (size_t i = 0; i < bus.size(); ++i) {
    if (rowWrite == bus.size() && bus[i].op == "WriteSmbusBlock") rowWrite = i;
    if (i > rowWrite && !bus[i].Failed() &&
        Is(bus[i], "WriteSmbusWord", kCmdMemoryWrite, kControllerDevice))
      cleared = i;
  }
  bool retried = false;
  for (size_t i = rowWrite + 1; i < cleared; ++i) {
    excused[i] = excused[i] || bus[i].Failed();
    retried = retried || bus[i].Failed();
  }
  tally.closingRetries += retried ? 1 : 0;
  return excused;
}

// The byte the update stores: the shown trim, one or two hexadecimal digits.
std::optional<uint8_t> ShownTrim(const Json& line) {
  const std::string caption = line.at("form").at("CurrentTrim").at("Caption");
  if (caption.empty() || caption.size() > 2) return std::nullopt;
  char* end = nullptr;
  const long value = std::strtol(caption.c_str(), &end, 16);
  if (*end != '\0') return std::nullopt;
  return static_cast<uint8_t>(value);
}

void CheckVerdicts(const std::vector<Json>& lines, Tally& tally, Findings& findings) {
  for (const Json& line : lines) {
    const std::string step = line.at("step");
    if (line.at("verdict") == "failed") ++tally.failedSteps;
    if (step == "trim-update")
      ++(line.at("verdict") == "passed" ? tally.passedUpdates : tally.failedUpdates);
    if (line.at("verdict") != "passed") continue;
    const std::vector<BusLine> bus = BusLines(line);
    const std::vector<bool> excused = ExcusedFailures(step, bus, tally);
    for (size_t i = 0; i < bus.size(); ++i) {
      if (bus[i].Failed() && !excused[i]) {
        findings.push_back("\"" + step + "\" passed, yet \"" +
                           line.at("trace")[i].get<std::string>() + "\" failed");
      }
    }
  }
}

void CheckWriteEnable(const std::vector<Json>& lines, Tally& tally, Findings& findings) {
  // Controller location 0x0000 as the transfers that went through leave it: the memory is
  // 0x00 at start, 0x09 sets the address, 0x0A writes the low byte there, 0x0B reads it.
  std::optional<long> address;
  long location = 0;
  for (const Json& line : lines) {
    // Whether this step tried to write bit 3 set, whatever the write answered: it may have
    // gone through in part.
    bool enabling = false;
    std::optional<long> tried;
    for (const BusLine& bus : BusLines(line)) {
      if (Is(bus, "WriteSmbusWord", kCmdMemoryAddress, kControllerDevice))
        tried = bus.In("word").value_or(-1) & 0xFFFF;
      if (Is(bus, "WriteSmbusWord", kCmdMemoryWrite, kControllerDevice) && tried == 0 &&
          (bus.In("word").value_or(0) & kRowWriteEnable) != 0)
        enabling = true;
      if (bus.Failed() || bus.In("device") != kControllerDevice) continue;
      if (Is(bus, "WriteSmbusWord", kCmdMemoryAddress, kControllerDevice)) {
        address = bus.In("word").value_or(-1) & 0xFFFF;
      } else if (Is(bus, "WriteSmbusWord", kCmdMemoryWrite, kControllerDevice) && address == 0) {
        location = bus.In("word").value_or(-1) & 0xFF;
      } else if (Is(bus, "ReadSmbusWord", kCmdMemoryRead, kControllerDevice) && address == 0 &&
                 (bus.Out("word").value_or(-1) & 0xFF) != location) {
        // Not the station's fault but the check's: its picture of the memory went wrong.
        findings.push_back("location 0x0000 reads " + std::to_string(*bus.Out("word")) +
                           ", the transfers say " + std::to_string(location));
      }
    }
    if (line.at("step") != "trim-update") continue;
    if (SaysFlashLeftOpen(line)) {
      ++tally.flashLeftOpen;
      if (!enabling) findings.push_back("an update that never enabled the flash said it is open");
    } else if ((location & kRowWriteEnable) != 0 && enabling) {
      findings.push_back("write enable left set after an update that did not say so");
    } else if (!enabling && line.at("verdict") == "failed") {
      ++tally.neverEnabled;
    }
  }
}

void CheckExitStatus(int code, const std::string& err, const std::vector<Json>& lines,
                     Findings& findings) {
  bool failed = !err.empty();
  for (const Json& line : lines)
    failed = failed || line.at("verdict") == "failed" || !line.at("messages").empty();
  const int expected = failed ? 1 : 0;
  if (code != expected) {
    findings.push_back("exit status " + std::to_string(code) + ", expected " +
                       std::to_string(expected));
  }
}

void CheckReservedRow(const std::vector<Json>& lines, const FlashRow& before, const FlashRow& after,
                      Tally& tally, Findings& findings) {
  // The trim may be any value an update of this session tried to store since the last update
  // that passed (which certainly stored its own), or, without one, the trim it started with.
  std::set<uint8_t> allowed{before[kTrimByteIndex]};
  for (const Json& line : lines) {
    if (line.at("step") != "trim-update") continue;
    const std::optional<uint8_t> trim = ShownTrim(line);
    if (line.at("verdict") == "passed") allowed.clear();
    if (trim) allowed.insert(*trim);
  }
  for (size_t k = 0; k < after.size(); ++k) {
    if (k != kTrimByteIndex && after[k] != before[k])
      findings.push_back("reserved row byte " + std::to_string(k) + " changed");
  }
  if (!allowed.count(after[kTrimByteIndex])) {
    findings.push_back("reserved row trim " + std::to_string(after[kTrimByteIndex]) +
                       " is none the session stored");
  }
  if (after[kTrimByteIndex] != before[kTrimByteIndex]) ++tally.rowsStored;
}

}  // namespace

std::string BusOp(const std::string& line) {
  return ParseBusLine(line).op;
}

void CheckSession(const SessionFacts& session, Tally& tally, Findings& findings) {
  CheckExitStatus(session.code, session.err, session.lines, findings);
  CheckVerdicts(session.lines, tally, findings);
  CheckWriteEnable(session.lines, tally, findings);
  // Unsaved (the adapter never opened, or its close was answered by a rule), the file is as it
  // was and the row with it.
  if (session.saved)
    CheckReservedRow(session.lines, session.rowBefore, session.rowAfter, tally, findings);
}

}  // namespace halyard::sweep
