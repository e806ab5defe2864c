// Laying the text out in its rows, the last one elided.
#include "ui/ElidedLine.h"

#include <QPainter>
#include <QTextLayout>

#include "ui/Colors.h"

namespace halyard::ui {

ElidedLine::ElidedLine(int rows, QWidget* parent) : QWidget(parent), rows_(rows) {
  setFocusPolicy(Qt::NoFocus);
  setFixedHeight(fontMetrics().lineSpacing() * rows_ + 2);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void ElidedLine::SetText(const QString& text, bool failing) {
  QPalette colours = parentWidget() ? parentWidget()->palette() : palette();
  if (failing) colours.setColor(QPalette::WindowText, kFailText);
  setPalette(colours);
  text_ = text;
  Update();
}

QStringList ElidedLine::Rows(bool* elided) const {
  QStringList rows;
  if (elided != nullptr) *elided = false;
  const int width = qMax(1, contentsRect().width());
  QTextLayout layout(text_, font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    if (rows.size() + 1 == rows_) {
      // The last row takes the rest of the text, elided to the width.
      const QString rest = text_.mid(line.textStart());
      rows << fontMetrics().elidedText(rest, Qt::ElideRight, width);
      if (elided != nullptr) *elided = rows.back() != rest;
      break;
    }
    rows << text_.mid(line.textStart(), line.textLength()).trimmed();
  }
  layout.endLayout();
  return rows;
}

QString ElidedLine::Shown() const {
  bool elided = false;
  const QStringList rows = Rows(&elided);
  return elided ? rows.join(QLatin1Char(' ')) : text_;
}

bool ElidedLine::Elided() const {
  bool elided = false;
  Rows(&elided);
  return elided;
}

void ElidedLine::Update() {
  setToolTip(Elided() ? text_ : QString());
  update();
}

void ElidedLine::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Update();
}

void ElidedLine::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  const int spacing = fontMetrics().lineSpacing();
  int y = contentsRect().top() + fontMetrics().ascent() + 1;
  for (const QString& row : Rows(nullptr)) {
    painter.drawText(contentsRect().left(), y, row);
    y += spacing;
  }
}

}  // namespace halyard::ui
