// The configuration reader on any text: it never fails, every value it gives is at most 255
// characters within one line, and section and key names are found in any case.
#include <algorithm>
#include <cctype>
#include <string>

#include "FuzzCheck.h"
#include "app/Configuration.h"

namespace {

using halyard::ProfileFile;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// The first "[section]" of the text and the first "key=" after it, roughly as a person would
// read them; exact agreement with the reader is not the point, only some names it has seen.
void NamesIn(std::string_view text, std::string& section, std::string& key) {
  const size_t open = text.find('[');
  const size_t close = open == std::string_view::npos ? open : text.find(']', open);
  if (close == std::string_view::npos) return;
  section = std::string(text.substr(open + 1, close - open - 1));
  const size_t lineStart = text.find('\n', close);
  if (lineStart == std::string_view::npos) return;
  const size_t equals = text.find('=', lineStart);
  if (equals == std::string_view::npos) return;
  key = std::string(text.substr(lineStart + 1, equals - lineStart - 1));
}

void CheckValue(const ProfileFile& profile, const std::string& section, const std::string& key) {
  const std::string value = profile.Get(section, key);
  FUZZ_CHECK(value.size() <= halyard::kProfileValueMax);
  // A lone CR may stand inside a value, as the profile API leaves it; a line feed never can.
  FUZZ_CHECK(value.find('\n') == std::string::npos);
  FUZZ_CHECK(profile.Get(Upper(section), Upper(key)) == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = halyard::fuzz::AsText(data, size);
  const ProfileFile profile = ProfileFile::Parse(text);
  FUZZ_CHECK(profile.Found());
  for (const char* key : {"SREC_FileName", "TRIM_FileName", "EXPECTED_VERSION"})
    CheckValue(profile, "DefaultFiles", key);
  std::string section;
  std::string key;
  NamesIn(text, section, key);
  CheckValue(profile, section, key);
  return 0;
}
