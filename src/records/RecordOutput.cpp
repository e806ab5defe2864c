// The record store as an output of the recorder.
#include "records/RecordOutput.h"

namespace halyard::records {

RecordNotice StoreOutput::Take(const Record& record) {
  std::string error;
  store_->Write(record, error);
  const std::string line = store_->TakeNotice();
  if (line.empty()) return {};
  return {store_->LastOutcome() == WriteOutcome::kLost ? "lost" : "spooled", line};
}

bool OpenStoreOutput(const std::string& storeName, const std::filesystem::path& spool,
                     std::unique_ptr<StoreOutput>& output, std::string& error) {
  output.reset();
  if (storeName.empty() || storeName == kNoStore) return true;
  std::unique_ptr<RecordStore> store;
  if (!OpenStore(storeName, store, error)) return false;
  output = std::make_unique<StoreOutput>(std::make_unique<SpoolingStore>(
      std::move(store), spool.empty() ? DefaultSpoolPath(storeName) : spool));
  return true;
}

}  // namespace halyard::records
