// The window below its tabs: the strip (status line, operator, unit, the records view, the
// session log, "Auto Trim") and the keys beyond Tab and Enter. The tabs are StationWindow.cpp's.
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include "assembly/StationRecords.h"
#include "ui/AutoTrimControl.h"
#include "ui/ElidedLine.h"
#include "ui/RecordsDialog.h"
#include "ui/SessionLog.h"
#include "ui/StationWindow.h"
#include "ui/StoreProbe.h"
#include "ui/WindowKeys.h"

namespace halyard::ui {

void StationWindow::BuildStrip() {
  const int width = TwipsToPixels(kClientWidthTwips, dpi_);
  const int tabsHeight = TwipsToPixels(kClientHeightTwips, dpi_);
  strip_ = new StatusStrip(this);
  const int height = strip_->sizeHint().height();
  strip_->setGeometry(0, tabsHeight, width, height);
  // The window grows below the tabs; the tabs keep their pixels.
  setFixedSize(width, tabsHeight + height);
  QLineEdit* operatorField = strip_->OperatorField();
  QLineEdit* unitField = strip_->UnitField();
  connect(operatorField, &QLineEdit::editingFinished, this, [this, operatorField] {
    session_.SetOperator(operatorField->text().trimmed().toStdString());
    ShowStatus();
  });
  // Typed by hand and Enter; a scanner's burst comes through the Scanner wherever the focus is.
  connect(unitField, &QLineEdit::returnPressed, this,
          [this, unitField] { TakeUnit(unitField->text()); });
  connect(strip_->RecordsButton(), &QPushButton::clicked, this, [this] { ShowRecords(); });
  BuildAutoTrim();
  ShowStatus();
}

void StationWindow::TakeUnit(const QString& unit) {
  QLineEdit* field = strip_->UnitField();
  const QString serial = unit.trimmed();
  field->setText(serial);
  field->selectAll();  // the next scan or typing replaces it whole
  session_.SetUnit(serial.toStdString());
  ShowStatus();
}

bool StationWindow::ProbingStore() const {
  return probe_ != nullptr && probe_->Running();
}

void StationWindow::ShowStatus() {
  strip_->Show(session_.Facts());
  if (log_ && log_->isVisible()) log_->Show(session_.Log());
}

SessionLog* StationWindow::ShowLog() {
  if (!log_) log_ = new SessionLog(this);
  log_->Show(session_.Log());
  return log_;
}

// The automatic trim records and reports as the tabs' actions do; while it runs, the other
// controls are greyed out, as during an operation's wait, and its button cancels it.
void StationWindow::BuildAutoTrim() {
  AutoTrim* trimmer = session_.AutoTrimmer();
  if (trimmer == nullptr) return;
  QPushButton* button = strip_->AutoTrimButton();
  button->show();
  // [Trim] AutoStore=yes: a passing search stores its code, as "trim-auto=store" does.
  const bool store = trimmer->Settings().autoStore;
  const ActionRow& action = *FindAction(store ? "trim-auto=store" : "trim-auto");
  AutoTrimControl::Hooks hooks;
  hooks.mayStart = [this, &action] {
    bool refused = !session_.Refuse(action).empty();
    // One the MES refused fails without touching anything, as the tabs' actions do.
    if (!refused && !AdmitOrRefuse(station_, action, [this](std::string& reason) {
          return session_.Admit(reason);
        })) {
      session_.Ended(action);
      SyncFromForm();
      refused = true;
    }
    if (refused) ShowStatus();
    return !refused;
  };
  hooks.began = [this, &action] {
    station_.BeginAction(action);
    SyncFromForm();
  };
  hooks.progress = [this](const std::string& text) {
    SyncFromForm();
    strip_->ActionLine()->SetText(QString::fromStdString(text), false);
  };
  hooks.ended = [this, button, &action](const AutoTrim&) {
    station_.EndAction();
    session_.Ended(action);
    SyncFromForm();
    ShowStatus();
    button->setFocus();
  };
  autoTrim_ = new AutoTrimControl(*trimmer, store, *button, std::move(hooks), this);
}

void StationWindow::BuildKeys() {
  WindowKeys::Hooks hooks;
  hooks.tab = [this] { return tabBar_->currentIndex(); };
  // As the operator's click on the tab: the tab guard runs.
  hooks.selectTab = [this](int tab) { tabBar_->setCurrentIndex(tab); };
  hooks.testTabClosed = [this] { return form_.State().TargetNotConfigured; };
  hooks.button = [this](const ActionRow& action) { return Pressable(action); };
  hooks.say = [this](const std::string& note) {
    session_.Say(note, false);
    ShowStatus();
  };
  hooks.showLog = [this] { ShowLog(); };
  keys_ = new WindowKeys(*this, std::move(hooks));
}

QPushButton* StationWindow::Pressable(const ActionRow& action) const {
  auto* button = qobject_cast<QPushButton*>(Control(std::string(action.control), action.index));
  if (button == nullptr || !button->isEnabled() || !button->isVisible()) return nullptr;
  return button;
}

RecordsDialog* StationWindow::ShowRecords() {
  if (!records_) {
    records_ = new RecordsDialog(session_.Store(), session_.StationName(), this);
  } else {
    records_->Refresh();
  }
  records_->show();
  records_->raise();
  return records_;
}

}  // namespace halyard::ui
