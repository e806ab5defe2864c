// The session log's window.
#include "ui/SessionLog.h"

#include <QDateTime>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace halyard::ui {

SessionLog::SessionLog(QWidget* parent) : QDialog(parent), lines_(new QPlainTextEdit(this)) {
  setWindowTitle(QStringLiteral("Session log"));
  lines_->setReadOnly(true);
  lines_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lines_);
  resize(640, 360);
}

QString SessionLog::Line(const LogEntry& entry) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(entry.time.time_since_epoch()).count();
  const QString time = QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
  return time + (entry.failed ? QStringLiteral("  ✗ ") : QStringLiteral("  ")) +
         QString::fromStdString(entry.text);
}

void SessionLog::Show(const std::vector<LogEntry>& log) {
  QStringList lines;
  for (const LogEntry& entry : log)
    lines << Line(entry);
  lines_->setPlainText(lines.join('\n'));
  lines_->verticalScrollBar()->setValue(lines_->verticalScrollBar()->maximum());
  show();
  raise();
}

}  // namespace halyard::ui
