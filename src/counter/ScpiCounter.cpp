// The SCPI counter's queries and the reading of its answers.
#include "counter/ScpiCounter.h"

#include <charconv>
#include <cmath>

namespace halyard {

namespace {
// SCPI answers 9.91E37 for a measurement it could not make; anything that large is no reading.
constexpr double kScpiNotANumber = 9.9e37;
constexpr size_t kEchoedAnswer = 120;
}  // namespace

std::string PrintableAnswer(std::string_view text) {
  std::string shown;
  for (const char c : text.substr(0, kEchoedAnswer)) {
    const auto byte = static_cast<unsigned char>(c);
    shown += byte >= 0x20 && byte < 0x7F ? c : '?';
  }
  return shown;
}

ScpiAnswerReader::State ScpiAnswerReader::Take(std::string_view bytes) {
  const size_t end = bytes.find('\n');
  answer_.append(bytes.substr(0, end));
  if (end == std::string_view::npos)
    return answer_.size() > kMaxScpiAnswer ? State::kTooLong : State::kMore;
  extra_ = bytes.substr(end + 1);
  // A stray line shows without its line end.
  while (!extra_.empty() && (extra_.back() == '\n' || extra_.back() == '\r'))
    extra_.pop_back();
  if (extra_.empty() && end + 1 < bytes.size()) extra_ = "\n";
  if (answer_.size() > kMaxScpiAnswer) return State::kTooLong;
  return extra_.empty() ? State::kAnswer : State::kOutOfTurn;
}

ScpiAnswerReader::State ScpiAnswerReader::End() {
  return answer_.size() > kMaxScpiAnswer ? State::kTooLong : State::kAnswer;
}

const char* CounterStatusText(CounterStatus status) {
  switch (status) {
    case CounterStatus::kOk:
      return "ok";
    case CounterStatus::kNoSignal:
      return "no signal";
    case CounterStatus::kTimeout:
      return "timeout";
    case CounterStatus::kClosed:
      return "connection closed";
    case CounterStatus::kBadAnswer:
      return "bad answer";
    case CounterStatus::kUnreachable:
      return "unreachable";
    case CounterStatus::kOutOfTurn:
      return "line out of turn";
  }
  return "unknown";
}

CounterStatus ParseFrequency(const std::string& answer, double& hz, std::string& error) {
  const size_t first = answer.find_first_not_of(" \t\r\n");
  const size_t last = answer.find_last_not_of(" \t\r\n");
  const std::string text = first == std::string::npos ? "" : answer.substr(first, last - first + 1);
  // from_chars takes no leading '+', which SCPI instruments write.
  const size_t skip = !text.empty() && text[0] == '+' ? 1 : 0;
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto parsed = std::from_chars(text.data() + skip, end, value);
  if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end || !std::isfinite(value)) {
    error = "not a frequency: \"" + PrintableAnswer(answer) + "\"";
    return CounterStatus::kBadAnswer;
  }
  if (value >= kScpiNotANumber) {
    error = "the counter measured nothing";
    return CounterStatus::kNoSignal;
  }
  if (value <= 0.0) {
    error = "not a frequency: \"" + PrintableAnswer(answer) + "\"";
    return CounterStatus::kBadAnswer;
  }
  hz = value;
  return CounterStatus::kOk;
}

CounterStatus ScpiCounter::Identify(std::string& identity, std::string& error) {
  std::string answer;
  const CounterStatus status = transport_->Query(kScpiIdentify, answer, error);
  if (status != CounterStatus::kOk) return status;
  double hz = 0.0;
  std::string ignored;
  if (ParseFrequency(answer, hz, ignored) != CounterStatus::kBadAnswer) {
    // A reading where the identification belongs: the answer of an earlier query, late.
    error =
        std::string(kScpiIdentify) + " was answered \"" + PrintableAnswer(answer) + "\", a reading";
    return CounterStatus::kOutOfTurn;
  }
  identity = PrintableAnswer(answer);
  return status;
}

CounterStatus ScpiCounter::Measure(double& hz, std::string& error) {
  std::string answer;
  const CounterStatus status = transport_->Query(kScpiMeasureFrequency, answer, error);
  if (status != CounterStatus::kOk) return status;
  return ParseFrequency(answer, hz, error);
}

}  // namespace halyard
