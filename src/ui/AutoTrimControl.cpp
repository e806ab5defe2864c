// The "Auto Trim" button and the search it runs.
#include "ui/AutoTrimControl.h"

#include <QPushButton>
#include <QTimer>
#include <string>
#include <utility>

#include "ui/Actions.h"

namespace halyard::ui {

namespace {
const QString kStartCaption = QStringLiteral("Auto Trim");
const QString kCancelCaption = QStringLiteral("Cancel Auto Trim");
}  // namespace

AutoTrimControl::AutoTrimControl(AutoTrim& trimmer, bool store, QPushButton& button, Hooks hooks,
                                 QObject* parent)
    : QObject(parent), trimmer_(trimmer), store_(store), button_(button), hooks_(std::move(hooks)) {
  button_.setText(kStartCaption);
  connect(&button_, &QPushButton::clicked, this, [this] { Press(); });
  trimmer_.SetProgress([this](const TrimIteration& iteration) {
    if (hooks_.progress)
      hooks_.progress(ProgressText(trimmer_.Report().iterations.size(), iteration));
  });
}

std::string AutoTrimControl::ProgressText(size_t number, const TrimIteration& iteration) {
  return "Auto Trim: measurement " + std::to_string(number) + ", " + TrimPointText(iteration);
}

void AutoTrimControl::Press() {
  // A press while the search runs (also from inside its settling wait) cancels it; the search
  // stops before its next reading and the bars stay on the last code written.
  if (running_) {
    trimmer_.Cancel();
    return;
  }
  if (hooks_.mayStart && !hooks_.mayStart()) return;
  running_ = true;
  button_.setText(kCancelCaption);
  if (hooks_.began) hooks_.began();
  if (!trimmer_.Start(store_)) {
    Finish();
    return;
  }
  QTimer::singleShot(0, this, [this] { Next(); });
}

void AutoTrimControl::Next() {
  // One measurement, then back to the event loop: the window repaints and takes a cancel.
  if (trimmer_.Step()) {
    QTimer::singleShot(0, this, [this] { Next(); });
    return;
  }
  Finish();
}

void AutoTrimControl::Finish() {
  running_ = false;
  button_.setText(kStartCaption);
  if (hooks_.ended) hooks_.ended(trimmer_);
}

}  // namespace halyard::ui
