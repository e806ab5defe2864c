// The spool's reader on any bytes: SpoolLineReader, cut into reads of any size and lines of any
// bound, hands out every byte once, in order, in lines and parts no longer than the bound; and
// each whole line read as a record (RecordFromJsonLine) is either refused in one line or a record
// that is written (RecordToJsonLine) in one line and read back as the same record, column for
// column (a NUL in a text becomes U+FFFD on the way, as in every store). The first input byte sizes
// the bound (1 to 32) and the reads (1 to 8); the rest is the spool.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "records/RecordFormat.h"
#include "records/SpoolFile.h"

namespace {

using halyard::records::SpoolLineReader;

// Reads `spool` through a reader of `maxLine` and `chunk`, checking what it hands out, and passes
// each whole line to `line`.
template <typename Line>
void ReadSpool(std::string_view spool, size_t maxLine, size_t chunk, Line line) {
  size_t at = 0;
  SpoolLineReader reader(
      [&](char* buffer, size_t size) {
        const size_t n = std::min({size, chunk, spool.size() - at});
        std::copy_n(spool.data() + at, n, buffer);
        at += n;
        return static_cast<long>(n);
      },
      maxLine, chunk);
  std::string rebuilt;
  std::string text;
  bool ends = false;
  uint64_t lastStart = 0;
  for (SpoolLineReader::Piece piece;
       (piece = reader.Next(text, ends)) != SpoolLineReader::Piece::kEnd;) {
    FUZZ_CHECK(piece != SpoolLineReader::Piece::kError);
    FUZZ_CHECK(text.size() <= maxLine && text.find('\n') == std::string::npos);
    FUZZ_CHECK(reader.LineStart() >= lastStart && reader.LineStart() <= rebuilt.size());
    lastStart = reader.LineStart();
    if (piece == SpoolLineReader::Piece::kLine) {
      FUZZ_CHECK(ends && reader.LineStart() == rebuilt.size());
      line(text);
    }
    rebuilt += text;
    if (ends) rebuilt += '\n';
  }
  // Every byte, in order; a last line without its line end gets one.
  std::string expected(spool);
  if (!expected.empty() && expected.back() != '\n') expected += '\n';
  FUZZ_CHECK(rebuilt == expected);
}

void CheckRecordLine(const std::string& line) {
  halyard::records::Record record;
  std::string error;
  if (!halyard::records::RecordFromJsonLine(line, record, error)) {
    FUZZ_CHECK(!error.empty() && halyard::fuzz::OneLine(error));
    return;
  }
  const std::string written = halyard::records::RecordToJsonLine(record);
  FUZZ_CHECK(halyard::fuzz::OneLine(written));
  halyard::records::Record again;
  FUZZ_CHECK(halyard::records::RecordFromJsonLine(written, again, error));
  FUZZ_CHECK(halyard::records::RecordToRow(again) == halyard::records::RecordToRow(record));
  FUZZ_CHECK(halyard::records::RecordToJsonLine(again) == written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view spool = halyard::fuzz::AsText(data + 1, size - 1);
  const size_t maxLine = 1 + (data[0] & 0x1F);
  const size_t chunk = 1 + (data[0] >> 5);
  ReadSpool(spool, maxLine, chunk, [](const std::string&) {});
  // The station's own bound: whole lines are records, or are set aside.
  ReadSpool(spool, halyard::records::kMaxSpoolLine, chunk, CheckRecordLine);
  return 0;
}
