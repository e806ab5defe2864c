// Reading and writing the bench's own files defensively: only regular files are read, up to a
// bound, so a FIFO cannot block the station and /dev/zero cannot exhaust its memory; a file is
// replaced atomically, so a failed write never loses what was saved before.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace halyard {

// No bench or state file comes near this; a larger file is a mistake.
inline constexpr size_t kMaxBenchFileBytes = size_t{16} * 1024 * 1024;

enum class FileRead { kOk, kMissing, kRefused };

// Reads a whole regular file of at most `maxBytes`. kMissing: no such file. kRefused: empty
// path, a folder, a device or FIFO, too large, or unreadable; `reason` says which.
FileRead ReadTextFile(const std::filesystem::path& path, size_t maxBytes, std::string& text,
                      std::string& reason);

// Writes `text` to "<path>.tmp" beside `path`, flushes it to disk and renames it over `path`.
// On failure `path` is as it was, the temporary file is gone and `error` names the file.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view text,
                         std::string& error);

}  // namespace halyard
