// The "Auto Trim" button and the search it runs.
#include "ui/AutoTrimControl.h"

#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <utility>

namespace halyard::ui {

namespace {
const QString kStartCaption = QStringLiteral("Auto Trim");
const QString kCancelCaption = QStringLiteral("Cancel Auto Trim");
}  // namespace

AutoTrimControl::AutoTrimControl(AutoTrim& trimmer, QPushButton& button, Hooks hooks,
                                 QObject* parent)
    : QObject(parent), trimmer_(trimmer), button_(button), hooks_(std::move(hooks)) {
  button_.setText(kStartCaption);
  connect(&button_, &QPushButton::clicked, this, [this] { Press(); });
  trimmer_.SetProgress([this](const TrimIteration& iteration) {
    if (hooks_.progress)
      hooks_.progress(ProgressText(trimmer_.Report().iterations.size(), iteration));
  });
}

std::string AutoTrimControl::ProgressText(size_t number, const TrimIteration& iteration) {
  char text[160];
  std::snprintf(text, sizeof text,
                "Auto Trim: measurement %zu, code %d (trim %02X), %.1f Hz, %+.0f ppm", number,
                iteration.code, 255 - iteration.code, iteration.hz, iteration.errorPpm);
  return text;
}

void AutoTrimControl::Press() {
  // A press while the search runs (also from inside its settling wait) cancels it; the search
  // stops before its next reading and the bars stay on the last code written.
  if (running_) {
    trimmer_.Cancel();
    return;
  }
  running_ = true;
  button_.setText(kCancelCaption);
  if (hooks_.began) hooks_.began();
  if (!trimmer_.Start(false)) {
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
