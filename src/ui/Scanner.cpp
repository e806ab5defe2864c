// The scanner's keys, taken before the focused control sees them.
#include "ui/Scanner.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace halyard::ui {

namespace {

// A key that types a character, as a scanner's do: Shift for capitals, no other modifier.
bool Types(const QKeyEvent& key) {
  const Qt::KeyboardModifiers others = key.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
  const QString text = key.text();
  return others == Qt::NoModifier && !text.isEmpty() && text.at(0).isPrint();
}

bool IsModifierOnly(int key) {
  return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
         key == Qt::Key_Meta || key == Qt::Key_AltGr;
}

}  // namespace

Scanner::Scanner(QWidget& window, ScanSettings settings, Take take)
    : QObject(&window), window_(window), detector_(std::move(settings)), take_(std::move(take)) {
  clock_.start();
  if (detector_.Enabled()) qApp->installEventFilter(this);
}

Scanner::~Scanner() {
  qApp->removeEventFilter(this);
}

ScanDetector::Time Scanner::TimeOf(const QKeyEvent& key) const {
  if (key.timestamp() != 0) return ScanDetector::Time(key.timestamp());
  return ScanDetector::Time(clock_.elapsed());
}

bool Scanner::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  // A key travels from the focused control up to the window; it is judged once, at the first.
  auto* receiver = qobject_cast<QWidget*>(watched);
  if (receiver == nullptr || receiver->window() != &window_) return false;
  // The window's own focus widget: the window need not be the active one (a scan arrives at
  // whatever window the system gives the keys to).
  QWidget* focus = window_.focusWidget();
  if (receiver != (focus != nullptr ? focus : &window_)) return false;
  return OnKey(*receiver, *static_cast<QKeyEvent*>(event));
}

bool Scanner::OnKey(QWidget& receiver, const QKeyEvent& key) {
  const ScanDetector::Time at = TimeOf(key);
  if (key.isAutoRepeat()) {
    detector_.Break();
    return false;
  }
  // Scanners end with Return, the keypad's Enter or a line feed, as configured.
  if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.text() == "\n") {
    const std::optional<std::string> serial = detector_.Enter(at);
    if (!serial) return false;
    TakeBack();
    take_(*serial);
    return true;
  }
  if (IsModifierOnly(key.key())) return false;
  if (!Types(key)) {
    detector_.Break();
    return false;
  }
  const bool continuing = detector_.Bursting(at);
  if (detector_.Key(key.text().toStdString(), at)) {
    field_ = qobject_cast<QLineEdit*>(&receiver);
    if (field_) {
      fieldText_ = field_->text();
      fieldCursor_ = field_->cursorPosition();
    }
  }
  // A blank inside a burst would press a focused button.
  return continuing && key.text() == QLatin1String(" ") &&
         qobject_cast<QAbstractButton*>(&receiver) != nullptr;
}

void Scanner::TakeBack() {
  QPointer<QLineEdit> field = std::exchange(field_, nullptr);
  if (!field || field->text() == fieldText_) return;
  field->setText(fieldText_);
  field->setCursorPosition(fieldCursor_);
  // The window hears of the operator's edits by this signal alone; the box is as before.
  emit field->textEdited(fieldText_);
}

}  // namespace halyard::ui
