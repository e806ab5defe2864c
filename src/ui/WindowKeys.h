// The window's keys beyond Tab and Enter: each action's shortcut, the keys that switch tabs
// (Ctrl+Tab and Ctrl+Page Down to the next, Ctrl+Shift+Tab and Ctrl+Page Up to the one before,
// round the four), and Ctrl+L for the session log. A tab change by key is the operator's click
// on the tab: the tab guard runs, and a tab it keeps closed is passed over.
#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "assembly/Actions.h"

class QKeySequence;
class QPushButton;
class QWidget;

namespace halyard::ui {

class WindowKeys final : public QObject {
 public:
  struct Hooks {
    std::function<int()> tab;             // the tab the window shows
    std::function<void(int)> selectTab;   // as the operator's click on tab N
    std::function<bool()> testTabClosed;  // the guard keeps "Test" closed (no target yet)
    // The action's button when it could be clicked now; null while an operation waits.
    std::function<QPushButton*(const ActionRow&)> button;
    std::function<void(const std::string&)> say;  // a note on the status line
    std::function<void()> showLog;
  };

  WindowKeys(QWidget& window, Hooks hooks);

  // A shortcut pressed: on its own tab it presses its button; on another it goes to that tab
  // and says so, pressing nothing.
  void Press(const ActionRow& action, const QKeySequence& key);
  // To the next tab the guard lets the operator see, `direction` +1 or -1.
  void Step(int direction);

 private:
  void Add(const QKeySequence& key, std::function<void()> run);

  QWidget& window_;
  Hooks hooks_;
};

}  // namespace halyard::ui
