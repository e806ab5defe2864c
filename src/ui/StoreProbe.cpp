// The store's try on a thread of its own.
#include "ui/StoreProbe.h"

#include <QThread>
#include <utility>

#include "records/RecordStore.h"

namespace halyard::ui {

StoreProbe::StoreProbe(std::string store, records::StoreAccess access, Done done, QObject* parent)
    : QObject(parent), outcome_(std::make_shared<Outcome>()) {
  // The thread writes the outcome and ends; the window reads it only after `finished`.
  thread_ =
      QThread::create([outcome = outcome_, store = std::move(store), access = std::move(access)] {
        outcome->answered = records::ProbeStore(store, outcome->reason, access);
      });
  connect(thread_, &QThread::finished, this, [this, done = std::move(done)] {
    done_ = true;
    done(outcome_->answered, outcome_->reason);
  });
  thread_->start();
}

StoreProbe::~StoreProbe() {
  thread_->wait();
  delete thread_;
}

}  // namespace halyard::ui
