// The record store as an output of the recorder.
#include "records/RecordOutput.h"

#include "records/SpoolFile.h"

namespace halyard::records {

RecordNotice StoreOutput::Take(const Record& record) {
  std::string error;
  store_->Write(record, error);
  return store_->TakeNotice();
}

bool OpenStoreOutput(const std::string& storeName, const std::filesystem::path& spool,
                     std::unique_ptr<StoreOutput>& output, std::string& error,
                     const StoreAccess& access) {
  output.reset();
  if (storeName.empty() || storeName == kNoStore) return true;
  std::unique_ptr<RecordStore> store;
  if (!OpenStore(storeName, store, error, access)) return false;
  const std::filesystem::path path = spool.empty() ? DefaultSpoolPath(storeName) : spool;
  if (!CheckSpoolPath(path, error)) return false;
  output = std::make_unique<StoreOutput>(std::make_unique<SpoolingStore>(std::move(store), path));
  return true;
}

}  // namespace halyard::records
