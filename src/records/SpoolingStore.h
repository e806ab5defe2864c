// Keeps records that the store cannot take (server down, disk full, read-only file) in a local
// spool file, one JSON line each, synced to disk, and writes them to the store at the next
// chance. Records carry their id, so one that reaches the store twice is stored once.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "records/RecordStore.h"

namespace halyard::records {

enum class WriteOutcome {
  kStored,   // in the store
  kSpooled,  // in the spool, waiting for the store
  kLost,     // neither would take it
};

class SpoolingStore final : public RecordStore {
 public:
  SpoolingStore(std::unique_ptr<RecordStore> store, std::filesystem::path spool);

  // True when the record is safe, in the store or in the spool. Spooled records go first.
  bool Write(const Record& record, std::string& error) override;
  // The store's records; the spooled ones are not among them until they are written.
  bool List(const RecordFilter& filter, std::vector<Record>& records, std::string& error) override;

  // Writes the spooled records to the store; true when the spool is empty afterwards.
  bool Flush(std::string& error);
  WriteOutcome LastOutcome() const { return last_; }
  // A line for the operator when writing went wrong: once when the store is first found
  // unreachable (until it takes records again), each time a record is lost. Else empty.
  std::string TakeNotice();
  const std::filesystem::path& SpoolPath() const { return spool_; }

 private:
  bool Append(const Record& record, std::string& error);

  std::unique_ptr<RecordStore> store_;
  std::filesystem::path spool_;
  WriteOutcome last_ = WriteOutcome::kStored;
  bool told_ = false;  // of the present outage
  std::string notice_;
};

// The station's state folder: $XDG_STATE_HOME (else ~/.local/state), then halyard-station/.
std::filesystem::path StateFolder();

// Where a station keeps the spool of `storeName` when none is given: in its state folder
// ($XDG_STATE_HOME or ~/.local/state, then halyard-station/), one file per store, named by a
// digest of the store's name so that no password lands in a file name.
std::filesystem::path DefaultSpoolPath(const std::string& storeName);

}  // namespace halyard::records
