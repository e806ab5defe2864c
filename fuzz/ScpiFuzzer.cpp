// The SCPI counter's reading of answers on any bytes: ScpiAnswerReader, fed in arrivals of any
// size, takes the first line as the answer only when nothing follows it, calls a second line out
// of turn and a line too long for an answer too long; a frequency is read (ParseFrequency) only
// when it is one, finite, above zero and below SCPI's "not a number"; an identification is never
// a reading; and what a message shows of an answer is printable ASCII. The first input byte sizes
// the arrivals (1 to 256); the rest is what the counter sent.
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "counter/ScpiCounter.h"

namespace {

using halyard::CounterStatus;
using halyard::ScpiAnswerReader;

bool Printable(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) return false;
  }
  return true;
}

// Feeds `sent` in arrivals of `arrival` bytes until the reader has an outcome.
void CheckReader(std::string_view sent, size_t arrival) {
  ScpiAnswerReader reader;
  ScpiAnswerReader::State state = ScpiAnswerReader::State::kMore;
  size_t fed = 0;
  while (state == ScpiAnswerReader::State::kMore && fed < sent.size()) {
    const std::string_view bytes = sent.substr(fed, arrival);
    fed += bytes.size();
    state = reader.Take(bytes);
  }
  const size_t end = sent.find('\n');
  switch (state) {
    case ScpiAnswerReader::State::kMore:
      FUZZ_CHECK(end == std::string_view::npos && sent.size() <= halyard::kMaxScpiAnswer);
      FUZZ_CHECK(reader.End() == ScpiAnswerReader::State::kAnswer && reader.Answer() == sent);
      break;
    case ScpiAnswerReader::State::kAnswer:
      FUZZ_CHECK(end != std::string_view::npos && end + 1 == fed);
      FUZZ_CHECK(reader.Answer() == sent.substr(0, end));
      FUZZ_CHECK(reader.Answer().size() <= halyard::kMaxScpiAnswer);
      break;
    case ScpiAnswerReader::State::kOutOfTurn:
      FUZZ_CHECK(end != std::string_view::npos && end + 1 < fed);
      FUZZ_CHECK(reader.Answer() == sent.substr(0, end) && !reader.Extra().empty());
      break;
    case ScpiAnswerReader::State::kTooLong:
      FUZZ_CHECK(std::min(end, fed) > halyard::kMaxScpiAnswer);
      break;
  }
}

// A transport that answers every query with one text.
class Answering final : public halyard::ScpiTransport {
 public:
  explicit Answering(std::string answer) : answer_(std::move(answer)) {}
  CounterStatus Query(const std::string&, std::string& answer, std::string&) override {
    answer = answer_;
    return CounterStatus::kOk;
  }

 private:
  std::string answer_;
};

void CheckAnswer(const std::string& answer) {
  double hz = -1.0;
  std::string error;
  const CounterStatus status = halyard::ParseFrequency(answer, hz, error);
  if (status == CounterStatus::kOk) {
    FUZZ_CHECK(std::isfinite(hz) && hz > 0.0 && hz < 9.9e37);
  } else {
    FUZZ_CHECK(status == CounterStatus::kBadAnswer || status == CounterStatus::kNoSignal);
    FUZZ_CHECK(!error.empty() && Printable(error));
  }
  halyard::ScpiCounter counter("scpi:tcp:fuzz:5025", std::make_unique<Answering>(answer));
  double measured = -1.0;
  FUZZ_CHECK(counter.Measure(measured, error) == status);
  if (status == CounterStatus::kOk) FUZZ_CHECK(measured == hz);
  std::string identity;
  const CounterStatus identified = counter.Identify(identity, error);
  // A reading, or SCPI's "not a number", where the identification belongs is out of turn.
  FUZZ_CHECK((identified == CounterStatus::kOutOfTurn) == (status != CounterStatus::kBadAnswer));
  if (identified == CounterStatus::kOk) FUZZ_CHECK(Printable(identity) && identity.size() <= 120);
  FUZZ_CHECK(Printable(halyard::PrintableAnswer(answer)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view sent = halyard::fuzz::AsText(data + 1, size - 1);
  CheckReader(sent, size_t{1} + data[0]);
  CheckAnswer(std::string(sent.substr(0, sent.find('\n'))));
  return 0;
}
