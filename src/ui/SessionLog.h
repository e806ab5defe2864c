// The session log (Ctrl+L): every status the status line showed since the window opened, each
// with its local time, a failure marked, newest last. What the line had to shorten is here in
// full.
#pragma once

#include <QDialog>
#include <vector>

#include "ui/Session.h"

class QPlainTextEdit;

namespace halyard::ui {

class SessionLog final : public QDialog {
 public:
  explicit SessionLog(QWidget* parent);

  // Shows `log` whole, scrolled to its end.
  void Show(const std::vector<LogEntry>& log);
  QPlainTextEdit* Lines() const { return lines_; }

  // One entry as the log writes it: "14:03:12  ✗ SMBus Test failed: ...".
  static QString Line(const LogEntry& entry);

 private:
  QPlainTextEdit* lines_;
};

}  // namespace halyard::ui
