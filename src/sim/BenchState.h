// The state file: the simulated devices' non-volatile memories (test target memory, flash rows,
// the kind of image programmed last) outliving the process, as they do on real hardware.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "sim/JsonCheck.h"
#include "sim/SimController.h"
#include "sim/SimTarget.h"

namespace halyard {

struct BenchState {
  TargetMemory targetMemory = BlankTarget();
  std::map<uint16_t, FlashRow> rows;
  std::optional<ImageKind> image;  // absent in files written before the bench kept it
};

// A missing file is not an error: `exists` is then false and `state` unchanged. Anything else
// that is not a valid state file (not a regular file, over 16 MiB, bad JSON, bad values) is
// refused with one line naming the file, the place and the reason.
bool LoadBenchState(const std::filesystem::path& path, BenchState& state, bool& exists,
                    std::string& error);
// The same for the file's text: `sourceName` names it in `error`, and `state` is set only when
// the whole text is a valid state file.
bool ParseBenchState(std::string_view text, const std::string& sourceName, BenchState& state,
                     std::string& error);
// The text SaveBenchState writes, which ParseBenchState reads back as the same state.
std::string FormatBenchState(const BenchState& state);
// A map of flash rows by address ("0xB1E0": 64 hexadecimal digits), as the bench file and the
// state file both write it.
bool ReadFlashRows(JsonCheck& check, const JsonValue& node, const std::string& place,
                   std::map<uint16_t, FlashRow>& rows);

// Replaces the file atomically; on failure the old file stays as it was.
bool SaveBenchState(const std::filesystem::path& path, const BenchState& state, std::string& error);

}  // namespace halyard
