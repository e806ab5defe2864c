// The record selected in the records view: what was done to which unit, when (local time, UTC
// on hover), its measurements as a table, then its message boxes and bus trace.
#pragma once

#include <QString>
#include <QWidget>
#include <string>

#include "records/Record.h"

class QLabel;
class QPlainTextEdit;
class QTableWidget;

namespace halyard::ui {

// A record's time ("2026-12-06T12:34:56.789Z") in this machine's local time,
// "2026-12-06 13:34:56.789"; a text that is no such time as it stands.
QString LocalTime(const std::string& utc);

// "trim-read passed for unit HY-0021, adapter sim HALYARD-SIM0" ("for no unit" without one).
QString RecordHeadline(const records::Record& record);

class RecordDetail final : public QWidget {
 public:
  explicit RecordDetail(QWidget* parent);

  // Shows `record`; null clears the view.
  void Show(const records::Record* record);
  QLabel* Headline() const { return headline_; }
  QTableWidget* Measurements() const { return measurements_; }
  QPlainTextEdit* Trace() const { return trace_; }

 private:
  QLabel* headline_;
  QTableWidget* measurements_;
  QPlainTextEdit* trace_;
};

}  // namespace halyard::ui
