// A socket's tile.
#include "ui/LineTile.h"

#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <cstdio>

#include "ui/Colors.h"

namespace halyard::ui {

namespace {

const QColor kPassColor(0x00, 0x80, 0x00);
const QColor kWaitingColor(0x1E, 0x64, 0xC8);

QLabel* NewLabel(QWidget* parent, int pointSize, bool bold) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  QFont font = label->font();
  if (pointSize > 0) font.setPointSize(pointSize);
  font.setBold(bold);
  label->setFont(font);
  return label;
}

std::string Elapsed(line::LineClock::duration time) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", std::chrono::duration<double>(time).count());
  return text;
}

}  // namespace

LineTile::LineTile(QWidget* parent)
    : QFrame(parent),
      name_(NewLabel(this, 14, true)),
      state_(NewLabel(this, 0, false)),
      unit_(NewLabel(this, 12, true)),
      step_(NewLabel(this, 0, false)),
      verdict_(NewLabel(this, 28, true)),
      detail_(NewLabel(this, 0, false)) {
  setObjectName(QStringLiteral("tile"));
  setMinimumSize(220, 190);
  setMaximumHeight(230);
  setCursor(Qt::PointingHandCursor);
  verdict_->setAlignment(Qt::AlignCenter);
  detail_->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  for (QLabel* label : {name_, state_, unit_, step_, verdict_, detail_})
    layout->addWidget(label);
  layout->addStretch();
}

void LineTile::Show(const line::SocketView& view, bool waiting, line::LineClock::time_point now) {
  using line::SocketState;
  lastUnit_ = view.unit;
  name_->setText(QStringLiteral("Socket %1").arg(QString::fromStdString(view.name)));
  std::string state = line::SocketStateName(view.state);
  if (waiting) state = "waiting for a unit";
  if (view.queued > 0) state += ", " + std::to_string(view.queued) + " waiting for it";
  state_->setText(QString::fromStdString(state));
  unit_->setText(QString::fromStdString(view.unit.empty() ? "no unit" : view.unit));
  std::string step;
  if (view.state == SocketState::kTesting) step = view.step + " · " + Elapsed(now - view.since);
  step_->setText(QString::fromStdString(step));
  const bool testing = view.state == SocketState::kTesting;
  verdict_->setText(testing || view.lastVerdict.empty() ? QString()
                    : view.lastVerdict == "passed"      ? QStringLiteral("PASS")
                                                        : QStringLiteral("FAIL"));
  // The tile's border is a style sheet, which decides its labels' colours too.
  verdict_->setStyleSheet(QStringLiteral("color: %1")
                              .arg((view.lastVerdict == "passed" ? kPassColor : kFailText).name()));
  const bool trouble = view.state == SocketState::kDown || view.state == SocketState::kRestarting;
  std::string detail = trouble || view.lastVerdict == "failed" ? view.reason : view.adapter;
  detail_->setText(QString::fromStdString(detail));
  // The border alone says which socket waits and which is in trouble; the texts keep theirs.
  const QColor border = trouble   ? kFailText
                        : waiting ? kWaitingColor
                                  : palette().color(QPalette::Mid);
  setStyleSheet(QStringLiteral("QFrame#tile { border: %1px solid %2; }")
                    .arg(waiting || trouble ? 4 : 2)
                    .arg(border.name()));
}

QString LineTile::Text() const {
  QStringList parts;
  for (const QLabel* label : {name_, state_, unit_, step_, verdict_, detail_})
    parts << label->text();
  return parts.join(QStringLiteral("\n"));
}

void LineTile::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && open_ && !lastUnit_.empty()) open_(lastUnit_);
  QFrame::mousePressEvent(event);
}

}  // namespace halyard::ui
