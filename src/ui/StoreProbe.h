// Start-up's try of the record store, off the window's thread: a server that does not answer
// (a connection that waits out its timeout) must not hold the window up. The try runs on a
// connection of its own; its answer comes back on the window's thread.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "records/RecordStore.h"

class QThread;

namespace halyard::ui {

class StoreProbe final : public QObject {
 public:
  using Done = std::function<void(bool answered, const std::string& reason)>;

  // Tries `store` (with `access`, its password) at once; `done` runs on this object's thread
  // when the try ends.
  StoreProbe(std::string store, records::StoreAccess access, Done done, QObject* parent);
  // Waits for a try still running: it holds no more than the store's connection timeout.
  ~StoreProbe() override;
  StoreProbe(const StoreProbe&) = delete;
  StoreProbe& operator=(const StoreProbe&) = delete;

  // True until `done` has run.
  bool Running() const { return !done_; }

 private:
  struct Outcome {
    bool answered = false;
    std::string reason;
  };

  std::shared_ptr<Outcome> outcome_;
  QThread* thread_;
  bool done_ = false;
};

}  // namespace halyard::ui
