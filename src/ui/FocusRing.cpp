// The focus ring.
#include "ui/FocusRing.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace halyard::ui {

namespace {
constexpr int kMargin = 2;  // pixels between the control and the ring's line
}  // namespace

FocusRing::FocusRing(QWidget* window) : QWidget(window) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  hide();
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Follow(now); });
}

void FocusRing::Follow(QWidget* focus) {
  if (target_) target_->removeEventFilter(this);
  target_ = (focus != nullptr && parentWidget()->isAncestorOf(focus)) ? focus : nullptr;
  if (!target_) {
    hide();
    return;
  }
  target_->installEventFilter(this);  // it may move, hide or be disabled
  Place();
}

void FocusRing::Place() {
  if (!target_ || !target_->isVisible()) {
    hide();
    return;
  }
  const QPoint corner = target_->mapTo(parentWidget(), QPoint(0, 0));
  setGeometry(QRect(corner, target_->size()).adjusted(-kMargin, -kMargin, kMargin, kMargin));
  raise();
  show();
  update();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
      if (watched == target_) Place();
      break;
    default:
      break;
  }
  return false;
}

void FocusRing::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QPen pen(palette().color(QPalette::Highlight));
  pen.setWidth(2);
  painter.setPen(pen);
  painter.drawRect(rect().adjusted(1, 1, -1, -1));
}

}  // namespace halyard::ui
