// The station's window on Qt Widgets: built, wired and refreshed by walking the registry.
#include "ui/StationWindow.h"
#include "assembly/StationRecords.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <algorithm>
#include <utility>

#include "ui/AutoTrimControl.h"
#include "ui/FocusRing.h"
#include "ui/RecordsDialog.h"
#include "ui/Scanner.h"
#include "ui/SessionLog.h"
#include "ui/StoreProbe.h"
#include "ui/Widgets.h"
#include "ui/WindowKeys.h"

namespace halyard::ui {

namespace {
// The order in which kinds of controls are copied in. Disabling the widget that has the focus
// hands the focus on along the tab order to an enabled one, so the order decides where the
// focus lands during a wait: buttons go before boxes and bars, and the tab switch comes last.
constexpr ControlKind kSyncOrder[] = {ControlKind::kFrame,     ControlKind::kLabel,
                                      ControlKind::kButton,    ControlKind::kTextBox,
                                      ControlKind::kCheckBox,  ControlKind::kVScrollBar,
                                      ControlKind::kTabControl};

size_t RowOf(const ControlEntry& entry) {
  return static_cast<size_t>(&entry - ControlRegistry().data());
}
}  // namespace

StationWindow::StationWindow(Station& station, SessionSetup setup, QWidget* parent)
    : QWidget(parent), station_(station), form_(station.Form()), session_(station, setup) {
  if (const QScreen* s = screen()) dpi_ = s->logicalDotsPerInchY();
  Build();
  BuildStrip();
  SetTabOrder();
  BuildKeys();
  ring_ = new FocusRing(this);
  scanner_ = new Scanner(*this, session_.Settings().scan, [this](const std::string& serial) {
    TakeUnit(QString::fromStdString(serial));
  });
  if (session_.Store() != nullptr) {
    probe_ = new StoreProbe(
        session_.StoreName(), session_.StoreAccess(),
        [this](bool answered, const std::string& reason) {
          session_.StoreProbed(answered, reason);
          ShowStatus();
        },
        this);
  }
  SyncFromForm();
}

StationWindow::~StationWindow() = default;

QRect StationWindow::ToPixels(const ControlLayout& layout) const {
  return QRect(TwipsToPixels(layout.left, dpi_), TwipsToPixels(layout.top, dpi_),
               TwipsToPixels(layout.width, dpi_), TwipsToPixels(layout.height, dpi_));
}

void StationWindow::Build() {
  setWindowTitle(QString::fromUtf8(kWindowCaption));
  setFont(FontFor(FontStyle::kDefault));

  const auto registry = ControlRegistry();
  widgets_.assign(registry.size(), nullptr);
  // Widgets are made in the layout's order: frames before what they hold, and siblings
  // stacked in that order.
  for (const ControlLayout& layout : MainWindowLayout()) {
    const ControlEntry* entry = FindControl(layout.name, layout.index);
    if (entry == nullptr) continue;  // the registry test names any such row
    QWidget* parent = this;
    if (std::string(layout.container) == kTabControlName) {
      parent = pages_.at(static_cast<size_t>(layout.tab));
    } else if (*layout.container != '\0') {
      parent = Control(layout.container);
    }
    const size_t row = RowOf(*entry);
    const std::string caption = DesignCaption(*entry);
    widgets_[row] = entry->kind == ControlKind::kTabControl
                        ? BuildTabControl(ToPixels(layout), parent)
                        : CreateWidget(entry->kind, QString::fromStdString(caption), layout,
                                       ToPixels(layout), parent);
    // Static labels keep the default colours; the others get theirs from Form1 at once.
    if (auto* label = qobject_cast<QLabel*>(widgets_[row])) {
      SyncLabel(*label, LabelState{caption}, palette());
    }
  }
  for (const ControlEntry& entry : registry)
    Connect(entry, widgets_[RowOf(entry)]);
  // CurrentTrim's box starts under the end of Label8's right-aligned "0x"; with Label8 on
  // top both read in full ("...0x" then the digits at the right of CurrentTrim's box).
  Control("Label8")->raise();
}

QWidget* StationWindow::BuildTabControl(const QRect& geometry, QWidget* parent) {
  // A tab bar over four transparent pages that span the whole control, so positions on a tab
  // are relative to the tab control, tab strip included, as the layout gives them.
  tabControl_ = new QWidget(parent);
  tabControl_->setGeometry(geometry);
  tabBar_ = new QTabBar(tabControl_);
  for (const char* tabCaption : kTabCaptions)
    tabBar_->addTab(QString::fromUtf8(tabCaption));
  tabBar_->setExpanding(true);  // four tabs share the row, as on the original control
  tabBar_->setUsesScrollButtons(false);
  tabBar_->setFocusPolicy(Qt::StrongFocus);
  const int width = tabControl_->width();
  const int strip = tabBar_->sizeHint().height();
  auto* pane = new QFrame(tabControl_);
  pane->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  pane->setGeometry(0, strip, width, tabControl_->height() - strip);
  for (QWidget*& page : pages_) {
    page = new QWidget(tabControl_);
    page->setGeometry(0, 0, width, tabControl_->height());
  }
  tabBar_->setGeometry(0, 0, width, strip);
  tabBar_->raise();
  return tabControl_;
}

void StationWindow::Connect(const ControlEntry& entry, QWidget* widget) {
  if (ActionOfControl(entry.name, entry.index) == nullptr || widget == nullptr) return;
  const ControlEntry* e = &entry;  // the registry's rows live as long as the program
  switch (entry.kind) {
    case ControlKind::kButton:
      connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this,
              [this, e] { Handle(*e, {}); });
      break;
    case ControlKind::kTextBox:
      // textEdited comes from the operator only; texts the program sets are not echoed back.
      connect(static_cast<QLineEdit*>(widget), &QLineEdit::textEdited, this,
              [this, e](const QString& text) {
                const std::string utf8 = text.toStdString();
                Handle(*e, {0, utf8});
              });
      break;
    case ControlKind::kCheckBox: {
      auto* check = static_cast<QCheckBox*>(widget);
      connect(check, &QCheckBox::clicked, this, [this, e, check] {
        Handle(*e, {CheckBoxValue(*check), {}});
      });
      break;
    }
    case ControlKind::kVScrollBar:
      connect(static_cast<QScrollBar*>(widget), &QScrollBar::valueChanged, this,
              [this, e](int value) {
                Handle(*e, {static_cast<int16_t>(value), {}});
              });
      break;
    case ControlKind::kTabControl:
      // The operator's change of selection runs the tab guard; the program's selections are
      // copied in with the bar's signals blocked, so they never reach it.
      connect(tabBar_, &QTabBar::currentChanged, this, [this, e](int tab) {
        Handle(*e, {static_cast<int16_t>(tab), {}});
      });
      break;
    case ControlKind::kFrame:
    case ControlKind::kLabel:
      break;
  }
}

void StationWindow::SetTabOrder() {
  std::vector<std::pair<int, QWidget*>> order;
  for (const ControlLayout& layout : MainWindowLayout()) {
    QWidget* widget = Control(layout.name, layout.index);
    if (widget == tabControl_) widget = tabBar_;
    // Labels and frames hold places in the order but never take the focus.
    if (widget == nullptr || widget->focusPolicy() == Qt::NoFocus) continue;
    order.emplace_back(layout.tabOrder, widget);
  }
  std::sort(order.begin(), order.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 1; i < order.size(); ++i) {
    setTabOrder(order[i - 1].second, order[i].second);
  }
  if (order.empty() || strip_ == nullptr) return;
  setTabOrder(order.back().second, strip_->OperatorField());
  setTabOrder(strip_->OperatorField(), strip_->UnitField());
  setTabOrder(strip_->UnitField(), strip_->RecordsButton());
  setTabOrder(strip_->RecordsButton(), strip_->AutoTrimButton());
}

bool StationWindow::AutoTrimRunning() const {
  return autoTrim_ != nullptr && autoTrim_->Running();
}

QWidget* StationWindow::Control(const std::string& name, int index) const {
  const ControlEntry* entry = FindControl(name, index);
  return entry == nullptr ? nullptr : widgets_[RowOf(*entry)];
}

QWidget* StationWindow::TabPage(int tab) const {
  if (tab < 0 || tab >= kTabCount) return nullptr;
  return pages_[static_cast<size_t>(tab)];
}

void StationWindow::Handle(const ControlEntry& entry, const ActionInput& input) {
  const ActionRow* action = ActionOfControl(entry.name, entry.index);
  if (action == nullptr) return;
  // Refused, the control goes back to what Form1 holds (a bar moved by hand moves back).
  if (!form_.Busy() && !session_.Refuse(*action).empty()) {
    SyncFromForm();
    ShowStatus();
    return;
  }
  // An action asked for during another's wait is ignored; it ends nothing and records nothing.
  // One the MES refused fails without touching anything.
  const bool ran = PerformAdmitted(station_, *action, input,
                                   [this](std::string& reason) { return session_.Admit(reason); });
  SyncFromForm();
  if (action->recorded && ran) {
    session_.Ended(*action);
    // Disabling the controls for the run moved the focus on; it goes back to what started it.
    QWidget* origin = widgets_[RowOf(entry)];
    if (origin->isEnabled() && origin->isVisible()) origin->setFocus();
  }
  if (!form_.Busy()) ShowStatus();
  if (closePending_ && !form_.Busy()) {
    closePending_ = false;
    close();
  }
}

void StationWindow::keyPressEvent(QKeyEvent* event) {
  auto* button = qobject_cast<QPushButton*>(focusWidget());
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && button != nullptr && button->isEnabled()) {
    button->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void StationWindow::closeEvent(QCloseEvent* event) {
  // Closing shuts the adapter; in the middle of an operation that would pull the adapter
  // from under it. The window closes as soon as the operation has finished.
  if (form_.Busy()) {
    closePending_ = true;
    event->ignore();
    return;
  }
  form_.Form_Unload();
  session_.Close();
  event->accept();
}

void StationWindow::SyncFromForm() {
  const FormControls& controls = form_.Controls();
  // While an operation waits, only looking around stays possible: the tab bar stays enabled
  // (selecting a tab makes no bus transaction); buttons, bars and entries are disabled.
  const bool idle = !form_.Busy() && !AutoTrimRunning();
  // The automatic trim's button stays pressable while the search runs: it cancels it.
  strip_->AutoTrimButton()->setEnabled(!form_.Busy());
  const auto registry = ControlRegistry();
  for (const ControlKind kind : kSyncOrder) {
    for (size_t row = 0; row < registry.size(); ++row) {
      if (registry[row].kind == kind && widgets_[row] != nullptr) SyncControl(row, controls, idle);
    }
  }
}

void StationWindow::SyncControl(size_t row, const FormControls& controls, bool idle) {
  const ControlEntry& entry = ControlRegistry()[row];
  QWidget* widget = widgets_[row];
  if (const auto* frame = StateOf<FrameState>(entry, controls)) {
    if (widget->isVisibleTo(this) != frame->Visible) widget->setVisible(frame->Visible);
  } else if (const auto* label = StateOf<LabelState>(entry, controls)) {
    SyncLabel(*static_cast<QLabel*>(widget), *label, palette());
  } else if (const auto* button = StateOf<ButtonState>(entry, controls)) {
    SyncButton(*static_cast<QPushButton*>(widget), *button, idle);
  } else if (const auto* box = StateOf<TextBoxState>(entry, controls)) {
    SyncTextBox(*static_cast<QLineEdit*>(widget), *box, idle);
  } else if (const auto* check = StateOf<CheckBoxState>(entry, controls)) {
    SyncCheckBox(*static_cast<QCheckBox*>(widget), *check, idle);
  } else if (const auto* bar = StateOf<ScrollBarState>(entry, controls)) {
    SyncScrollBar(*static_cast<QScrollBar*>(widget), *bar, idle);
  } else if (const auto* tabs = StateOf<TabControlState>(entry, controls)) {
    SyncTabs(tabs->Tab);
  }
}

void StationWindow::SyncTabs(int tab) {
  if (tab < 0 || tab >= kTabCount) return;
  if (tabBar_->currentIndex() != tab) {
    const QSignalBlocker blocker(tabBar_);
    tabBar_->setCurrentIndex(tab);
  }
  for (int i = 0; i < kTabCount; ++i) {
    QWidget* page = pages_[static_cast<size_t>(i)];
    if (page->isVisibleTo(this) != (i == tab)) page->setVisible(i == tab);
  }
}

}  // namespace halyard::ui
