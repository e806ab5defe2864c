// The spool's files on disk: only ever regular files, opened without following a link and
// without blocking, so a spool path that names a device, a FIFO or a link to one is refused
// instead of read, hung on or removed; and the spool read line by line, each line bounded, so a
// spool of any size (or a device behind it) never has to fit in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace halyard::records {

// The longest spool line read as a record. A record's line is a few kilobytes (a trace of a few
// hundred bus calls); a longer line is no record the station wrote, and is set aside.
inline constexpr size_t kMaxSpoolLine = size_t{4} << 20;

// Whether `path` can be the spool: absent (or its folder not there yet), or a regular file, not a
// link, that the station can read and write. False with one line in `error` otherwise: the
// station says so at start instead of losing or hanging on what is there.
bool CheckSpoolPath(const std::filesystem::path& path, std::string& error);

// Opens `path` with `flags` (O_RDONLY, O_WRONLY | O_APPEND, ... with or without O_CREAT) only if
// it is, or is created as, a regular file; never through a link, never waiting on a FIFO. The
// descriptor, or -1 with one line in `error` (errno kept). A file made has `mode`.
int OpenRegularFile(const std::filesystem::path& path, int flags, std::string& error,
                    unsigned mode = 0644);

// Syncs the folder of `path`: a file just made, renamed or removed survives a power cut only once
// its folder is synced.
void SyncFolder(const std::filesystem::path& path);

// Appends `text` to the regular file `path`, made with `mode` if need be, and syncs it (and its
// folder when the file was made). False with one line in `error` otherwise.
bool AppendSynced(const std::filesystem::path& path, std::string_view text, std::string& error,
                  unsigned mode = 0644);

// Writes all of `text` to `fd`, again after an interruption or a short write; false (errno kept)
// when the file takes no more.
bool WriteAll(int fd, std::string_view text);

// "cannot write \"path\": No space left on device" from errno.
std::string FileError(const std::filesystem::path& path, const char* what);

// Splits what `read` gives into lines without their line ends, holding at most `maxLine` bytes
// and one read's worth: a line longer than `maxLine` comes in parts. Every byte read is in one
// line or part, in order, so nothing is lost however the input is cut.
class SpoolLineReader {
 public:
  // Like read(2): the bytes put into the buffer, 0 at the end, below 0 on an error.
  using Read = std::function<long(char* buffer, size_t size)>;
  enum class Piece {
    kLine,  // a whole line (the last one may lack its line end)
    kPart,  // a part of a line longer than maxLine; `ends` says whether it is the line's last
    kEnd,   // nothing more
    kError  // the read failed
  };

  SpoolLineReader(Read read, size_t maxLine = kMaxSpoolLine, size_t chunk = size_t{64} << 10);
  Piece Next(std::string& text, bool& ends);
  // Where the line of the last piece begins, counted from the first byte read.
  uint64_t LineStart() const { return lineStart_; }

 private:
  Piece Take(size_t length, size_t skip, Piece piece, bool ends, std::string& text, bool& end);
  bool Refill();

  Read read_;
  size_t maxLine_;
  size_t chunk_;
  std::string buffer_;
  size_t position_ = 0;  // in buffer_, of the first byte not handed out
  size_t searched_ = 0;  // in buffer_: no line end before it, from position_ on
  uint64_t base_ = 0;    // where buffer_ begins, counted from the first byte read
  uint64_t lineStart_ = 0;
  bool inLongLine_ = false;
  bool atEnd_ = false;
  bool failed_ = false;
};

}  // namespace halyard::records
