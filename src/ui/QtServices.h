// The window's services on Qt: modal message boxes and the event pump of the timed wait.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "adapter/Dialogs.h"
#include "adapter/EventPump.h"

class QWidget;

namespace halyard::ui {

// A modal QMessageBox with one OK button and no icon (style 0, the only style the station
// uses).
class QtDialogs final : public Dialogs {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  // Runs before each box is shown, so the window behind it shows the state that led to it.
  void SetBeforeShow(std::function<void()> hook) { beforeShow_ = std::move(hook); }
  void MsgBox(const std::string& prompt, int style, const std::string& title) override;

 private:
  QWidget* parent_ = nullptr;
  std::function<void()> beforeShow_;
};

// A start-up problem that keeps the station from starting, in a box above no window: the
// operator must read it before the station exits. Needs a QApplication.
void ShowStartupProblem(const std::string& text);

// Waits by running a nested event loop until a single-shot timer fires: the window keeps
// repainting and taking input, and the wait burns no CPU. Needs a QCoreApplication.
class QtEventPump final : public EventPump {
 public:
  // Runs before every wait: the window copies the state of the running operation into its
  // widgets, so the operator sees the progress.
  void SetBeforeWait(std::function<void()> hook) { beforeWait_ = std::move(hook); }
  Clock::time_point Now() override { return Clock::now(); }
  void WaitUntil(Clock::time_point deadline) override;

 private:
  std::function<void()> beforeWait_;
};

}  // namespace halyard::ui
