// A session's records: one per action, written through the spool.
#include "records/ActionRecorder.h"

#include <chrono>
#include <utility>

namespace halyard::records {

bool ActionRecorder::Open(const std::string& storeName, const std::filesystem::path& spool,
                          RecordSource source, std::string& error) {
  source_ = std::move(source);
  store_.reset();
  if (storeName.empty() || storeName == kNoStore) return true;
  std::unique_ptr<RecordStore> store;
  if (!OpenStore(storeName, store, error)) return false;
  store_ = std::make_unique<SpoolingStore>(std::move(store),
                                           spool.empty() ? DefaultSpoolPath(storeName) : spool);
  return true;
}

void ActionRecorder::Begin(std::optional<RecordedAction> action, const WindowSnapshot& before) {
  pending_.reset();
  if (!store_ || !action) return;
  pending_.emplace();
  pending_->action = *action;
  pending_->before = before;
  pending_->started = std::chrono::system_clock::now();
}

RecordNotice ActionRecorder::End(const WindowSnapshot& after,
                                 const std::optional<ActionVerdict>& verdict,
                                 std::vector<RecordMessage> messages,
                                 const std::vector<std::string>& trace,
                                 const std::optional<AutoTrimReport>& autoTrim) {
  // The adapter is the one start-up opened, or whichever a later action opened again.
  if (const std::string opened = OpenedAdapter(trace); !opened.empty())
    source_.adapter = backend_ + " " + opened;
  std::optional<ActionOutcome> outcome = std::exchange(pending_, std::nullopt);
  if (!store_ || !outcome || !verdict) return {};  // not an action, or ignored while one ran
  outcome->ended = std::chrono::system_clock::now();
  outcome->after = after;
  outcome->verdict = *verdict;
  outcome->messages = std::move(messages);
  outcome->trace = trace;
  outcome->autoTrim = autoTrim;
  std::string error;
  store_->Write(BuildRecord(source_, *outcome), error);
  const std::string line = store_->TakeNotice();
  if (line.empty()) return {};
  const bool lost = store_->LastOutcome() == WriteOutcome::kLost;
  return {lost ? "lost" : "spooled", line};
}

}  // namespace halyard::records
