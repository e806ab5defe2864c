// The S-record reader on any text: an image it accepts fits the controller's memory and has
// data and a start address; a refusal says where in one line; and CR LF line ends read exactly
// as LF line ends do.
#include <string>

#include "FuzzCheck.h"
#include "sim/Srec.h"

namespace {

using halyard::SrecError;
using halyard::SrecResult;

void CheckResult(const SrecResult& result) {
  if (!result.Ok()) {
    FUZZ_CHECK(!result.message.empty() && halyard::fuzz::OneLine(result.message));
    FUZZ_CHECK(result.line >= 0);
    return;
  }
  const halyard::SrecImage& image = result.image;
  FUZZ_CHECK(image.DataBytes() > 0 && image.dataRecords > 0);
  FUZZ_CHECK(image.startAddress && *image.startAddress < halyard::kControllerMemoryBytes);
  uint32_t lowest = 0;
  const std::vector<uint8_t> flat = image.Flatten(lowest);
  FUZZ_CHECK(!flat.empty() && lowest + flat.size() <= halyard::kControllerMemoryBytes);
}

bool SameResult(const SrecResult& a, const SrecResult& b) {
  uint32_t lowA = 0;
  uint32_t lowB = 0;
  return a.error == b.error && a.line == b.line && a.message == b.message &&
         a.image.header == b.image.header && a.image.startAddress == b.image.startAddress &&
         a.image.Flatten(lowA) == b.image.Flatten(lowB) && lowA == lowB;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = halyard::fuzz::AsText(data, size);
  const SrecResult result = halyard::ParseSrec(text);
  CheckResult(result);
  // Only a text without CR has one clear CR LF twin; with a CR in it, "\r" + "\r\n" would read
  // as one more blank line.
  if (text.find('\r') != std::string_view::npos) return 0;
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  FUZZ_CHECK(SameResult(result, halyard::ParseSrec(crlf)));
  return 0;
}
