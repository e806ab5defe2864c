// The "Test" tab: test runner, result display and the four bus tests.
#include "bustest/TestPanel.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

namespace halyard {

namespace {
constexpr float kRunAllPause = 0.2f;  // seconds before each test of "Run All"

void Paint(LabelState& label, uint32_t fore, uint32_t back, const char* caption) {
  label.ForeColor = fore;
  label.BackColor = back;
  label.Caption = caption;
}

const char* VerdictText(bool verdict) {
  return verdict ? "True" : "False";
}

// The counter's caption is the only store of the count. A caption that does not read as a
// number counts as 0, so the counter can never stop the run from finishing.
double CountShown(const std::string& caption) {
  double count = 0.0;
  const char* first = caption.data();
  const char* last = first + caption.size();
  if (std::from_chars(first, last, count).ec != std::errc{}) count = 0.0;
  return count;
}

std::string CountText(double count) {
  char buf[32];
  const auto result = std::to_chars(buf, buf + sizeof buf, count);
  return std::string(buf, result.ptr);
}

// A version as the adapter or the configuration gave it: quoted, so that blanks and an empty
// text show; bytes outside printable ASCII as \xHH.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      quoted += c;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      quoted += hex;
    }
  }
  return quoted + "\"";
}

// The count as a record keeps it: a whole number, or nothing when the caption held none.
std::optional<long long> WholeCount(double count) {
  if (!(count >= 0.0 && count < 9.0e15) || count != std::floor(count)) return std::nullopt;
  return static_cast<long long>(count);
}
}  // namespace

void TestPanel::PaintNeutral(int index) {
  Paint(ctx_.controls.Label6[static_cast<size_t>(index)], kColorNeutral, kColorNeutral, "");
}

void TestPanel::PaintPass(int index) {
  Paint(ctx_.controls.Label6[static_cast<size_t>(index)], kColorPassFore, kColorPassBack, "Pass");
}

void TestPanel::PaintFail(int index) {
  Paint(ctx_.controls.Label6[static_cast<size_t>(index)], kColorFailFore, kColorFailBack, "Fail");
}

void TestPanel::PaintVerdict(int index, bool verdict) {
  if (verdict) {
    PaintPass(index);
  } else {
    PaintFail(index);
  }
}

void TestPanel::ResetTestStatus() {
  ctx_.state.TestPassed.fill(false);
  for (int i = 0; i <= kRunAllIndex; ++i)
    PaintNeutral(i);
}

bool TestPanel::RunTest(int index) {
  switch (index) {
    case 0:
      return TestVersion();
    case 1:
      return TestSmbus();
    case 2:
      return TestI2c();
    case 3:
      return TestSwb();
    default:
      return false;
  }
}

void TestPanel::Command2_Click(int16_t Index) {
  if (Index >= 0 && Index < kTestCount) {
    const bool verdict = RunTest(Index);
    ctx_.controls.Label6[static_cast<size_t>(Index)].Caption = VerdictText(verdict);
    if (!verdict) FailTest(Index, false);
  } else if (Index == kRunAllIndex) {
    RunAll();
  }
}

void TestPanel::RunAll() {
  auto& passed = ctx_.state.TestPassed;
  ResetTestStatus();
  passed[kRunAllIndex] = false;
  for (int i = 0; i < kTestCount; ++i) {
    // Every test runs only when all before it passed; the rest stay neutral and False.
    if (i > 0 && !passed[static_cast<size_t>(i - 1)]) break;
    ctx_.utils.WaitSeconds(kRunAllPause);
    passed[static_cast<size_t>(i)] = RunTest(i);
    // The last test keeps its "Pass"/"Fail": the overall label below reads the same.
    if (i < kTestCount - 1) {
      ctx_.controls.Label6[static_cast<size_t>(i)].Caption =
          VerdictText(passed[static_cast<size_t>(i)]);
    }
  }
  if (passed[kTestCount - 1]) passed[kRunAllIndex] = true;
  for (int i = 0; i < kTestCount; ++i) {
    if (!passed[static_cast<size_t>(i)]) {
      FailTest(i, true);
      break;
    }
  }
  double count = CountShown(ctx_.controls.Label3.Caption);
  if (passed[kRunAllIndex]) {
    PaintPass(kRunAllIndex);
    count += 1.0;
    ctx_.controls.Label3.Caption = CountText(count);
  } else {
    PaintFail(kRunAllIndex);
  }
  ctx_.result.measurements.runAllPasses = WholeCount(count);
}

void TestPanel::Measure(int index, bool passed, std::optional<int16_t> status) {
  ctx_.result.measurements.tests.push_back(
      {index, ctx_.controls.Command2[static_cast<size_t>(index)].Caption, passed, status});
}

void TestPanel::FailTest(int index, bool inRunAll) {
  const std::string test = ctx_.controls.Command2[static_cast<size_t>(index)].Caption;
  Reason reason = TestReason(index, test);
  // Under "Run All" the status line names the test that stopped the run.
  if (inRunAll) reason.detail = reason.detail.empty() ? test : test + ": " + reason.detail;
  ctx_.verdict.Fail(std::move(reason));
}

Reason TestPanel::TestReason(int index, const std::string& test) const {
  const auto& version = ctx_.result.measurements.version;
  if (index == 0 && version) return VersionReason(test, *version);
  // The last measurement of the test is the run that failed.
  const auto& tests = ctx_.result.measurements.tests;
  const auto failed = std::find_if(tests.rbegin(), tests.rend(),
                                   [index](const TestMeasurement& t) { return t.index == index; });
  std::optional<int16_t> status;
  if (failed != tests.rend() && failed->status && *failed->status != 0) status = failed->status;
  std::string text = test + " failed";
  if (status) text += ": status " + std::to_string(*status);
  return Reason::Own(std::move(text), status);
}

// The version test's label shows neither the version nor the status; its reason gives both, so
// the operator tells a wrong adapter version from one that could not be read.
Reason TestPanel::VersionReason(const std::string& test, const VersionMeasurement& version) {
  if (version.status != 0) {
    Reason reason = Reason::Call("reading the adapter version", version.status);
    reason.text = test + " failed: " + reason.text;
    return reason;
  }
  std::string detail = "version " + Quoted(version.read.value_or("")) + " read, " +
                       Quoted(version.expected) + " expected";
  return Reason{test + " failed: " + detail, detail, std::nullopt, ""};
}

bool TestPanel::TestVersion() {
  bool verdict = false;
  int16_t first = 0;
  int16_t second = 0;
  const int16_t status = ctx_.TarnelRW1.GetAdapterVersion(first, second);
  ctx_.controls.Label5[0].Caption = "";
  VersionMeasurement version{status, std::nullopt, ctx_.state.ExpectedVersion};
  // A third value beyond one byte is no character code, so it can match no version.
  if (status == 0) {
    const auto bits = static_cast<uint16_t>(first);
    std::string read{static_cast<char>(bits >> 8), static_cast<char>(bits & 0xFF),
                     static_cast<char>(second & 0xFF)};
    if (second >= 0 && second <= 0xFF && read == ctx_.state.ExpectedVersion) verdict = true;
    version.read = std::move(read);
  }
  ctx_.result.measurements.version = std::move(version);
  Measure(0, verdict, std::nullopt);
  PaintVerdict(0, verdict);
  return verdict;
}

bool TestPanel::TestSmbus() {
  std::string text;
  const int32_t status = ctx_.modUSB.ReadSmbBlockString(kCmdTargetIdBlock, text);
  // Cleared only after the read: the label keeps its old look while the read runs.
  PaintNeutral(1);
  bool verdict = false;
  ctx_.controls.Label5[1].Caption = std::to_string(status);
  if (status == 0 && text == ctx_.state.TargetIdString) verdict = true;
  Measure(1, verdict, static_cast<int16_t>(status));
  PaintVerdict(1, verdict);
  return verdict;
}

bool TestPanel::TestI2c() {
  PaintNeutral(2);
  bool verdict = false;
  // One variable for both bracket calls: the control may change it on the opening call.
  int16_t value = 0;
  // A run that cannot be opened leaves the label as it was; the test's status is the opening's.
  int16_t status = ctx_.TarnelRW1.I2cAccess(kI2cBracket, kBracketOpen, 0, value);
  if (status == 0) {
    const auto count = static_cast<int16_t>(ctx_.state.TargetIdString.size());
    std::string text;
    status = ctx_.modUSB.ReadI2cString(kTargetTextRegister, count, kTargetI2cDevice, text);
    ctx_.controls.Label5[2].Caption = std::to_string(status);
    if (status == 0 && text == ctx_.state.TargetIdString) verdict = true;
  }
  ctx_.TarnelRW1.I2cAccess(kI2cBracket, kBracketClose, 0, value);
  Measure(2, verdict, status);
  PaintVerdict(2, verdict);
  return verdict;
}

bool TestPanel::TestSwb() {
  PaintNeutral(3);
  bool verdict = false;
  std::string text;
  const auto count = static_cast<int16_t>(ctx_.state.TargetIdString.size());
  // The verdict rests on the reads alone: the words hold the length byte ahead of the text,
  // and the I2C and SMBus tests already compare the text itself.
  const int32_t status = ctx_.modUSB.ReadSwbString(kSwbFirstRegister, count, text);
  if (status == 0) verdict = true;
  ctx_.controls.Label5[3].Caption = std::to_string(status);
  Measure(3, verdict, static_cast<int16_t>(status));
  PaintVerdict(3, verdict);
  return verdict;
}

}  // namespace halyard
