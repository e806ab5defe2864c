// The state file on any text: it is refused with one line naming the file, or read into a state
// that the bench writes back as text reading in again as the very same state.
#include <string>

#include "FuzzCheck.h"
#include "sim/BenchState.h"

namespace {

bool SameState(const halyard::BenchState& a, const halyard::BenchState& b) {
  return a.targetMemory == b.targetMemory && a.rows == b.rows && a.image == b.image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = halyard::fuzz::AsText(data, size);
  halyard::BenchState state;
  std::string error;
  if (!halyard::ParseBenchState(text, "state.json", state, error)) {
    FUZZ_CHECK(error.starts_with("state.json: ") && halyard::fuzz::OneLine(error));
    return 0;
  }
  for (const auto& [address, row] : state.rows)
    FUZZ_CHECK(address % halyard::kRowBytes == 0);
  const std::string written = halyard::FormatBenchState(state);
  halyard::BenchState again;
  FUZZ_CHECK(halyard::ParseBenchState(written, "written", again, error));
  FUZZ_CHECK(SameState(state, again));
  FUZZ_CHECK(halyard::FormatBenchState(again) == written);
  return 0;
}
