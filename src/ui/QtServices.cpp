// The window's services on Qt.
#include "ui/QtServices.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace halyard::ui {

void QtDialogs::MsgBox(const std::string& prompt, int /*style*/, const std::string& title) {
  if (beforeShow_) beforeShow_();
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                  QString::fromStdString(prompt), QMessageBox::Ok, parent_);
  box.setTextFormat(Qt::PlainText);  // a path with "<" in it is text, not markup
  box.exec();
}

void ShowStartupProblem(const std::string& text) {
  QMessageBox box(
      QMessageBox::Critical, QStringLiteral("halyard-station"),
      QStringLiteral("The station cannot start:\n\n%1").arg(QString::fromStdString(text)),
      QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void QtEventPump::WaitUntil(Clock::time_point deadline) {
  if (beforeWait_) beforeWait_();
  const auto remaining = deadline - Now();
  if (remaining <= Clock::duration::zero()) return;
  // Rounded up: a timer of 0 ms would return at once and make the caller spin.
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(static_cast<int>(std::min<long long>(ms, std::numeric_limits<int>::max())));
  loop.exec();
}

}  // namespace halyard::ui
