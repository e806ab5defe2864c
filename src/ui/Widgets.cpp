// The widgets of the station's window, kind by kind: how each is made and how state reaches it.
#include "ui/Widgets.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <limits>

#include "ui/Colors.h"

namespace halyard::ui {

namespace {
// The window's font was MS Sans Serif, which Linux lacks; DejaVu Sans (fonts-dejavu-core) is
// the sans font every Debian desktop has, and the style hint picks another sans without it.
constexpr const char* kFontFamily = "DejaVu Sans";
constexpr double kDefaultPointSize = 8.25;
constexpr double kTitlePointSize = 12.0;
constexpr int kButtonPadding = 8;  // pixels a button's frame and margins take from its text

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

QWidget* NewWidget(ControlKind kind, const QString& caption, const ControlLayout& layout,
                   QWidget* parent) {
  switch (kind) {
    case ControlKind::kFrame:
      return new CaptionFrame(caption, parent);
    case ControlKind::kLabel: {
      auto* label = new QLabel(caption, parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(AlignmentFor(layout.alignment));
      // Every label has a back colour, and a QLabel draws none unless told to.
      label->setAutoFillBackground(true);
      return label;
    }
    case ControlKind::kButton: {
      auto* button = new QPushButton(caption, parent);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::kTextBox: {
      auto* edit = new QLineEdit(caption, parent);
      edit->setMaxLength(std::numeric_limits<int>::max());  // no text box limits its length
      return edit;
    }
    case ControlKind::kCheckBox:
      return new QCheckBox(parent);
    case ControlKind::kVScrollBar: {
      auto* bar = new QScrollBar(Qt::Vertical, parent);
      // The change is taken when a dragged thumb is released, never while it moves.
      bar->setTracking(false);
      bar->setFocusPolicy(Qt::StrongFocus);
      return bar;
    }
    case ControlKind::kTabControl:
      break;
  }
  return nullptr;
}

void SetEnabled(QWidget& widget, bool enabled) {
  if (widget.isEnabled() != enabled) widget.setEnabled(enabled);
}
}  // namespace

QFont FontFor(FontStyle style) {
  QFont font(kFontFamily);
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(style == FontStyle::kTitle ? kTitlePointSize : kDefaultPointSize);
  font.setBold(style != FontStyle::kDefault);
  return font;
}

QWidget* CreateWidget(ControlKind kind, const QString& caption, const ControlLayout& layout,
                      const QRect& geometry, QWidget* parent) {
  QWidget* widget = NewWidget(kind, caption, layout, parent);
  if (widget == nullptr) return nullptr;
  if (layout.font != FontStyle::kDefault) widget->setFont(FontFor(layout.font));
  widget->setGeometry(geometry);
  if (kind == ControlKind::kLabel) {
    FitCaption(widget, caption, widget->width());
  } else if (kind == ControlKind::kButton) {
    FitCaption(widget, caption, widget->width() - kButtonPadding);
  }
  return widget;
}

// Qt numbers grey and checked the other way round.
int16_t CheckBoxValue(const QCheckBox& check) {
  switch (check.checkState()) {
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      return 2;
    case Qt::Unchecked:
      break;
  }
  return 0;
}

void SyncLabel(QLabel& label, const LabelState& state, const QPalette& windowPalette) {
  const QString caption = QString::fromStdString(state.Caption);
  if (label.text() != caption) label.setText(caption);
  // Colours resolve against the window's palette: the label's own one carries our changes.
  const QColor fore = ToQColor(state.ForeColor, windowPalette);
  const QColor back = ToQColor(state.BackColor, windowPalette);
  QPalette labelPalette = label.palette();
  if (labelPalette.color(QPalette::WindowText) != fore ||
      labelPalette.color(QPalette::Window) != back) {
    labelPalette.setColor(QPalette::WindowText, fore);
    labelPalette.setColor(QPalette::Window, back);
    label.setPalette(labelPalette);
  }
}

void SyncButton(QPushButton& button, const ButtonState& state, bool idle) {
  const QString caption = QString::fromStdString(state.Caption);
  if (button.text() != caption) button.setText(caption);
  SetEnabled(button, state.Enabled && idle);
}

void SyncTextBox(QLineEdit& edit, const TextBoxState& state, bool idle) {
  // Boxes the operator edits already hold the station's text, so their cursor stays put.
  const QString text = QString::fromStdString(state.Text);
  if (edit.text() != text) edit.setText(text);
  SetEnabled(edit, idle);
}

void SyncCheckBox(QCheckBox& check, const CheckBoxState& state, bool idle) {
  const Qt::CheckState checkState = state.Value == 1   ? Qt::Checked
                                    : state.Value == 2 ? Qt::PartiallyChecked
                                                       : Qt::Unchecked;
  if (check.checkState() != checkState) {
    const QSignalBlocker blocker(check);
    check.setCheckState(checkState);
  }
  SetEnabled(check, idle);
}

void SyncScrollBar(QScrollBar& bar, const ScrollBarState& state, bool idle) {
  const QSignalBlocker blocker(bar);
  if (bar.minimum() != state.Min || bar.maximum() != state.Max) bar.setRange(state.Min, state.Max);
  bar.setSingleStep(state.SmallChange);
  bar.setPageStep(state.LargeChange);
  // Only a change is copied: a thumb the operator is dragging keeps its place.
  if (bar.value() != state.Value) bar.setValue(state.Value);
  SetEnabled(bar, idle);
}

}  // namespace halyard::ui
