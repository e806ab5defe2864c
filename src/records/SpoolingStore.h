// Keeps records that the store cannot take (server down, disk full, read-only file) in a local
// spool file, one JSON line each, synced to disk, and writes them to the store at the next
// chance. Records carry their id, so one that reaches the store twice is stored once.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "records/RecordNotice.h"
#include "records/RecordStore.h"

namespace halyard::records {

enum class WriteOutcome {
  kStored,   // in the store
  kSpooled,  // in the spool, waiting for the store
  kLost,     // neither would take it
};

class SpoolingStore final : public RecordStore {
 public:
  // `spool` should have passed CheckSpoolPath (src/records/SpoolFile.h).
  SpoolingStore(std::unique_ptr<RecordStore> store, std::filesystem::path spool);

  // True when the record is safe, in the store or in the spool. Spooled records go first; when
  // the spool cannot be read, the record goes to the store on its own and the spool is left as
  // it is.
  bool Write(const Record& record, std::string& error) override;
  // The store's records; the spooled ones are not among them until they are written.
  RecordReader& Reader() override { return store_->Reader(); }

  // Writes the spooled records to the store, oldest first; true when the spool is empty
  // afterwards. The spool is removed only when every line of it was written (or set aside).
  bool Flush(std::string& error);
  WriteOutcome LastOutcome() const { return last_; }
  // Why the last record was not stored (the store's error, and the spool's when it was lost);
  // empty when it was.
  const std::string& LastError() const { return lastError_; }
  // What the operator must hear of the last write: once when the store is first found
  // unreachable (until it takes records again), each time a record is lost, once when the spool
  // cannot be read. Else empty.
  RecordNotice TakeNotice();
  const std::filesystem::path& SpoolPath() const { return spool_; }

 private:
  enum class Flushed { kAll, kStoreFailed, kSpoolFailed };

  Flushed FlushSpool(std::string& error);
  // Writes the spool's lines from the read end of `fd` to the store; lines that are no record go
  // to `<spool>.rejected`. Where the first line the store did not take begins, in `rest`.
  Flushed WriteLines(int fd, uint64_t& rest, bool& storeFailed, std::string& error);
  bool KeepRest(int fd, uint64_t rest, std::string& error);
  bool Append(const Record& record, std::string& error);

  std::unique_ptr<RecordStore> store_;
  std::filesystem::path spool_;
  WriteOutcome last_ = WriteOutcome::kStored;
  bool told_ = false;            // of the present outage
  bool toldUnreadable_ = false;  // of the present fault of the spool
  RecordNotice notice_;
  std::string lastError_;
};

// The station's state folder: $XDG_STATE_HOME (else ~/.local/state), then halyard-station/.
std::filesystem::path StateFolder();

// Where a station keeps the spool of `storeName` when none is given: in its state folder
// ($XDG_STATE_HOME or ~/.local/state, then halyard-station/), one file per store, named by a
// digest of the store's name so that no password lands in a file name.
std::filesystem::path DefaultSpoolPath(const std::string& storeName);

}  // namespace halyard::records
