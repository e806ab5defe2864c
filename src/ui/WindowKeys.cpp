// The window's shortcuts.
#include "ui/WindowKeys.h"

#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <utility>

#include "station/Controls.h"
#include "ui/Layout.h"

namespace halyard::ui {

namespace {
QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

WindowKeys::WindowKeys(QWidget& window, Hooks hooks)
    : QObject(&window), window_(window), hooks_(std::move(hooks)) {
  for (const ActionRow& action : ActionTable()) {
    if (action.shortcut.empty()) continue;
    const QKeySequence key(FromView(action.shortcut));
    const ActionRow* a = &action;  // the table lives as long as the program
    Add(key, [this, a, key] { Press(*a, key); });
  }
  // Shift+Tab reaches Qt as Backtab; both spellings are bound.
  for (const QKeyCombination next : {Qt::CTRL | Qt::Key_Tab, Qt::CTRL | Qt::Key_PageDown})
    Add(QKeySequence(next), [this] { Step(+1); });
  for (const QKeyCombination back :
       {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab,
        Qt::CTRL | Qt::Key_PageUp})
    Add(QKeySequence(back), [this] { Step(-1); });
  Add(QKeySequence(Qt::CTRL | Qt::Key_L), [this] { hooks_.showLog(); });
}

void WindowKeys::Add(const QKeySequence& key, std::function<void()> run) {
  auto* shortcut = new QShortcut(key, &window_);
  connect(shortcut, &QShortcut::activated, this, std::move(run));
}

void WindowKeys::Press(const ActionRow& action, const QKeySequence& key) {
  if (hooks_.tab() == action.tab) {
    // Only when its button could be clicked: while an operation waits nothing else starts.
    if (QPushButton* button = hooks_.button(action)) {
      button->setFocus(Qt::ShortcutFocusReason);
      button->click();
    }
    return;
  }
  const std::string keyText = key.toString(QKeySequence::NativeText).toStdString();
  const std::string tab = kTabCaptions[action.tab];
  std::string note = keyText + " is " + std::string(action.title) + " on the " + tab + " tab";
  hooks_.selectTab(action.tab);
  if (hooks_.tab() == action.tab) {
    note += ": now on it — press " + keyText + " again to run it";
  } else if (action.tab == halyard::kTabTest && hooks_.testTabClosed()) {
    note += ", which needs SetUp first: the target is not configured";
  } else {
    note += ", which the window cannot show now";
  }
  hooks_.say(note);
}

void WindowKeys::Step(int direction) {
  const int from = hooks_.tab();
  for (int i = 1; i < kTabCount; ++i) {
    const int want = ((from + direction * i) % kTabCount + kTabCount) % kTabCount;
    hooks_.selectTab(want);
    if (hooks_.tab() == want) return;
  }
}

}  // namespace halyard::ui
