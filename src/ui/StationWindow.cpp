// The station's window on Qt Widgets.
#include "ui/StationWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "ui/Colors.h"

namespace halyard::ui {

namespace {
// The window's font was MS Sans Serif, which Linux lacks; DejaVu Sans (fonts-dejavu-core) is
// the sans font every Debian desktop has, and the style hint picks another sans without it.
constexpr const char* kFontFamily = "DejaVu Sans";
constexpr double kDefaultPointSize = 8.25;
constexpr double kTitlePointSize = 12.0;
constexpr int kButtonPadding = 8;  // pixels a button's frame and margins take from its text

QFont FontFor(FontStyle style) {
  QFont font(kFontFamily);
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(style == FontStyle::kTitle ? kTitlePointSize : kDefaultPointSize);
  font.setBold(style != FontStyle::kDefault);
  return font;
}

Qt::Alignment AlignmentFor(Alignment alignment) {
  switch (alignment) {
    case Alignment::kCentre:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case Alignment::kRight:
      return Qt::AlignRight | Qt::AlignVCenter;
    case Alignment::kLeft:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

// The sizes were laid out for MS Sans Serif, which runs narrower than DejaVu Sans: a design
// caption that would be clipped is condensed (or, where the font cannot be stretched, made
// smaller) until it fits its control.
void FitCaption(QWidget* widget, const QString& caption, int available) {
  QFont font = widget->font();
  const double needed = QFontMetricsF(font).horizontalAdvance(caption);
  if (caption.isEmpty() || needed <= available) return;
  font.setStretch(std::max(75, static_cast<int>(100.0 * available / needed)));
  double width = QFontMetricsF(font).horizontalAdvance(caption);
  while (width > available && font.pointSizeF() > 6.0) {
    font.setPointSizeF(font.pointSizeF() - 0.25);
    width = QFontMetricsF(font).horizontalAdvance(caption);
  }
  widget->setFont(font);
}

// A check box's value is 0 unchecked, 1 checked, 2 grey; Qt numbers the last two the other
// way round.
int16_t CheckBoxValue(Qt::CheckState state) {
  switch (state) {
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      return 2;
    case Qt::Unchecked:
      break;
  }
  return 0;
}

Qt::CheckState CheckStateOf(int16_t value) {
  if (value == 1) return Qt::Checked;
  if (value == 2) return Qt::PartiallyChecked;
  return Qt::Unchecked;
}

// A frame as the station draws it: an etched rectangle whose top edge runs through the middle
// of the caption, children placed from the frame's own corner. (QGroupBox in most styles puts
// the caption above the frame and shades its inside, which the layout does not allow for.)
class CaptionFrame final : public QWidget {
 public:
  CaptionFrame(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int top = caption_.isEmpty() ? 0 : metrics.height() / 2;
    const QRect box = rect().adjusted(0, top, -2, -2);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(box);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(box.translated(1, 1));
    if (caption_.isEmpty()) return;
    const QRect text(kCaptionIndent, 0, metrics.horizontalAdvance(caption_) + 4, metrics.height());
    painter.fillRect(text, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(text, Qt::AlignCenter, caption_);
  }

 private:
  static constexpr int kCaptionIndent = 6;
  QString caption_;
};

void SetEnabled(QWidget* widget, bool enabled) {
  if (widget->isEnabled() != enabled) widget->setEnabled(enabled);
}
}  // namespace

StationWindow::StationWindow(Form1& form, QWidget* parent) : QWidget(parent), form_(form) {
  if (const QScreen* s = screen()) dpi_ = s->logicalDotsPerInchY();
  Build();
  SyncFromForm();
}

QRect StationWindow::ToPixels(const ControlLayout& layout) const {
  return QRect(TwipsToPixels(layout.left, dpi_), TwipsToPixels(layout.top, dpi_),
               TwipsToPixels(layout.width, dpi_), TwipsToPixels(layout.height, dpi_));
}

void StationWindow::Build() {
  setWindowTitle(QString::fromUtf8(kWindowCaption));
  setFont(FontFor(FontStyle::kDefault));
  setFixedSize(TwipsToPixels(kClientWidthTwips, dpi_), TwipsToPixels(kClientHeightTwips, dpi_));

  for (const ControlLayout& layout : MainWindowLayout()) {
    QWidget* parent = this;
    if (std::string(layout.container) == kTabControlName) {
      parent = pages_.at(static_cast<size_t>(layout.tab));
    } else if (*layout.container != '\0') {
      parent = widgets_.at(layout.container);
    }
    QWidget* widget = Create(layout, parent);
    const std::string key = ControlKey(layout.name, layout.index);
    widgets_[key] = widget;
    // Static labels keep the default colours; the others get theirs from Form1 below.
    if (layout.kind == ControlKind::kLabel) SyncLabel(key, LabelState{layout.caption});
    Connect(layout, widget);
  }
  SetTabOrder();
  // CurrentTrim's box starts under the end of Label8's right-aligned "0x"; with Label8 on
  // top both read in full ("...0x" then the digits at the right of CurrentTrim's box).
  widgets_.at("Label8")->raise();
}

QWidget* StationWindow::Create(const ControlLayout& layout, QWidget* parent) {
  const QString caption = QString::fromUtf8(layout.caption);
  QWidget* widget = nullptr;
  switch (layout.kind) {
    case ControlKind::kTabControl: {
      // A tab bar over four transparent pages that span the whole control, so positions on a
      // tab are relative to the tab control, tab strip included, as the layout gives them.
      tabControl_ = new QWidget(parent);
      tabControl_->setGeometry(ToPixels(layout));
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
      for (int i = 0; i < kTabCount; ++i) {
        pages_[static_cast<size_t>(i)] = new QWidget(tabControl_);
        pages_[static_cast<size_t>(i)]->setGeometry(0, 0, width, tabControl_->height());
      }
      tabBar_->setGeometry(0, 0, width, strip);
      tabBar_->raise();
      return tabControl_;
    }
    case ControlKind::kFrame:
      widget = new CaptionFrame(caption, parent);
      break;
    case ControlKind::kLabel: {
      auto* label = new QLabel(caption, parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(AlignmentFor(layout.alignment));
      // Every label has a back colour, and a QLabel draws none unless told to.
      label->setAutoFillBackground(true);
      widget = label;
      break;
    }
    case ControlKind::kButton: {
      auto* button = new QPushButton(caption, parent);
      button->setAutoDefault(false);
      widget = button;
      break;
    }
    case ControlKind::kTextBox: {
      auto* edit = new QLineEdit(caption, parent);
      edit->setMaxLength(std::numeric_limits<int>::max());  // no text box limits its length
      lastText_[ControlKey(layout.name, layout.index)] = layout.caption;
      widget = edit;
      break;
    }
    case ControlKind::kCheckBox:
      widget = new QCheckBox(parent);
      break;
    case ControlKind::kVScrollBar: {
      auto* bar = new QScrollBar(Qt::Vertical, parent);
      // The change is taken when a dragged thumb is released, never while it moves.
      bar->setTracking(false);
      bar->setFocusPolicy(Qt::StrongFocus);
      widget = bar;
      break;
    }
  }
  if (layout.font != FontStyle::kDefault) widget->setFont(FontFor(layout.font));
  widget->setGeometry(ToPixels(layout));
  if (layout.kind == ControlKind::kLabel) {
    FitCaption(widget, caption, widget->width());
  } else if (layout.kind == ControlKind::kButton) {
    FitCaption(widget, caption, widget->width() - kButtonPadding);
  }
  return widget;
}

void StationWindow::Connect(const ControlLayout& layout, QWidget* widget) {
  const std::string name = layout.name;
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    std::function<bool()> handler;
    if (name == "Program") {
      handler = [this] { return form_.Program_Click(); };
    } else if (name == "Command1") {
      handler = [this] { return form_.Command1_Click(); };
    } else if (name == "Command2") {
      const auto index = static_cast<int16_t>(layout.index);
      handler = [this, index] { return form_.Command2_Click(index); };
    } else if (name == "StartTrim") {
      handler = [this] { return form_.StartTrim_Click(); };
    } else if (name == "RsvFlashRd") {
      handler = [this] { return form_.RsvFlashRd_Click(); };
    } else if (name == "Update") {
      handler = [this] { return form_.Update_Click(); };
    }
    connect(button, &QPushButton::clicked, this, [this, handler] { Forward(handler); });
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    // textEdited comes from the operator only; texts the program sets are not echoed back.
    if (name == "SREC_Name") {
      connect(edit, &QLineEdit::textEdited, this, [this](const QString& text) {
        Forward([&] { form_.SetSrecName(text.toStdString()); });
      });
    } else if (name == "TrimFilePathAndName") {
      connect(edit, &QLineEdit::textEdited, this, [this](const QString& text) {
        Forward([&] { form_.SetTrimFilePathAndName(text.toStdString()); });
      });
    }
  } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
    connect(check, &QCheckBox::clicked, this, [this, check] {
      Forward([&] { form_.SetAutoUpdate(CheckBoxValue(check->checkState())); });
    });
  } else if (auto* bar = qobject_cast<QScrollBar*>(widget)) {
    if (name == "FineAdjust") {
      connect(bar, &QScrollBar::valueChanged, this, [this](int value) {
        Forward([&] { form_.MoveFineAdjust(static_cast<int16_t>(value)); });
      });
    } else if (name == "GrossAdjust") {
      connect(bar, &QScrollBar::valueChanged, this, [this](int value) {
        Forward([&] { form_.MoveGrossAdjust(static_cast<int16_t>(value)); });
      });
    }
  } else if (widget == tabControl_) {
    // The operator's change of selection runs the tab guard; the program's selections are
    // copied in with the bar's signals blocked, so they never reach it.
    connect(tabBar_, &QTabBar::currentChanged, this,
            [this](int tab) { Forward([&] { form_.SelectTab(static_cast<int16_t>(tab)); }); });
  }
}

void StationWindow::SetTabOrder() {
  std::vector<std::pair<int, QWidget*>> order;
  for (const ControlLayout& layout : MainWindowLayout()) {
    QWidget* widget = widgets_.at(ControlKey(layout.name, layout.index));
    if (layout.kind == ControlKind::kTabControl) widget = tabBar_;
    // Labels and frames hold places in the order but never take the focus.
    if (widget->focusPolicy() == Qt::NoFocus) continue;
    order.emplace_back(layout.tabOrder, widget);
  }
  std::sort(order.begin(), order.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 1; i < order.size(); ++i) {
    setTabOrder(order[i - 1].second, order[i].second);
  }
}

QWidget* StationWindow::Control(const std::string& name, int index) const {
  const auto it = widgets_.find(ControlKey(name, index));
  return it == widgets_.end() ? nullptr : it->second;
}

QWidget* StationWindow::TabPage(int tab) const {
  if (tab < 0 || tab >= kTabCount) return nullptr;
  return pages_[static_cast<size_t>(tab)];
}

template <typename Handler>
void StationWindow::Forward(Handler&& handler) {
  handler();
  SyncFromForm();
  if (afterEvent_) afterEvent_();
  if (closePending_ && !form_.Busy()) {
    closePending_ = false;
    close();
  }
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
  event->accept();
}

void StationWindow::SyncLabel(const std::string& key, const LabelState& state) {
  auto* label = static_cast<QLabel*>(widgets_.at(key));
  const QString caption = QString::fromStdString(state.Caption);
  if (label->text() != caption) label->setText(caption);
  // Colours resolve against the window's palette: the label's own one carries our changes.
  const QColor fore = ToQColor(state.ForeColor, palette());
  const QColor back = ToQColor(state.BackColor, palette());
  QPalette labelPalette = label->palette();
  if (labelPalette.color(QPalette::WindowText) != fore ||
      labelPalette.color(QPalette::Window) != back) {
    labelPalette.setColor(QPalette::WindowText, fore);
    labelPalette.setColor(QPalette::Window, back);
    label->setPalette(labelPalette);
  }
}

void StationWindow::SyncFromForm() {
  const FormControls& c = form_.Controls();
  // While an operation waits, only looking around stays possible: the tab bar stays enabled
  // (selecting a tab makes no bus transaction); buttons, bars and entries are disabled.
  const bool idle = !form_.Busy();

  QWidget* titleFrame = widgets_.at("TitleFrame");
  if (titleFrame->isVisibleTo(this) != c.TitleFrame.Visible) {
    titleFrame->setVisible(c.TitleFrame.Visible);
  }
  SyncLabel("Ver", c.Ver);
  SyncLabel("Label7", c.Label7);
  SyncLabel("Label4", c.Label4);
  SyncLabel("Label3", c.Label3);
  SyncLabel("CurrentTrim", c.CurrentTrim);
  for (int i = 0; i < 5; ++i) {
    SyncLabel(ControlKey("Label6", i), c.Label6[static_cast<size_t>(i)]);
    SyncLabel(ControlKey("Label5", i), c.Label5[static_cast<size_t>(i)]);
  }

  const auto syncButton = [&](const std::string& key, const ButtonState& state) {
    auto* button = static_cast<QPushButton*>(widgets_.at(key));
    const QString caption = QString::fromStdString(state.Caption);
    if (button->text() != caption) button->setText(caption);
    SetEnabled(button, state.Enabled && idle);
  };
  syncButton("Program", c.Program);
  for (int i = 0; i < 5; ++i)
    syncButton(ControlKey("Command2", i), c.Command2[static_cast<size_t>(i)]);
  syncButton("Command1", c.Command1);
  syncButton("StartTrim", c.StartTrim);
  syncButton("Update", c.Update);
  syncButton("RsvFlashRd", c.RsvFlashRd);

  // A text the program has not changed since the last copy is left alone, so what the
  // operator typed into a box the station only writes (ReservedRow) stays until it writes.
  const auto syncText = [&](const std::string& key, const TextBoxState& state) {
    auto* edit = static_cast<QLineEdit*>(widgets_.at(key));
    std::string& last = lastText_[key];
    if (last != state.Text) {
      last = state.Text;
      edit->setText(QString::fromStdString(state.Text));
    }
    SetEnabled(edit, idle);
  };
  syncText("SREC_Name", c.SREC_Name);
  syncText("TrimFilePathAndName", c.TrimFilePathAndName);
  syncText("ReservedRow", c.ReservedRow);

  auto* check = static_cast<QCheckBox*>(widgets_.at("AutoUpdate"));
  const Qt::CheckState checkState = CheckStateOf(c.AutoUpdate.Value);
  if (check->checkState() != checkState) {
    const QSignalBlocker blocker(check);
    check->setCheckState(checkState);
  }
  SetEnabled(check, idle);

  const auto syncBar = [&](const std::string& key, const ScrollBarState& state) {
    auto* bar = static_cast<QScrollBar*>(widgets_.at(key));
    const QSignalBlocker blocker(bar);
    if (bar->minimum() != state.Min || bar->maximum() != state.Max) {
      bar->setRange(state.Min, state.Max);
    }
    bar->setSingleStep(state.SmallChange);
    bar->setPageStep(state.LargeChange);
    // Only a change is copied: a thumb the operator is dragging keeps its place.
    if (bar->value() != state.Value) bar->setValue(state.Value);
    SetEnabled(bar, idle);
  };
  syncBar("FineAdjust", c.FineAdjust);
  syncBar("GrossAdjust", c.GrossAdjust);

  const int tab = c.SSTab1.Tab;
  if (tab >= 0 && tab < kTabCount) {
    if (tabBar_->currentIndex() != tab) {
      const QSignalBlocker blocker(tabBar_);
      tabBar_->setCurrentIndex(tab);
    }
    for (int i = 0; i < kTabCount; ++i) {
      QWidget* page = pages_[static_cast<size_t>(i)];
      if (page->isVisibleTo(this) != (i == tab)) page->setVisible(i == tab);
    }
  }
}

}  // namespace halyard::ui
