// The records view: this station's latest records (newest first, failed ones marked), today's
// counts and first-pass yield per action and the quality report's charts of today, a filter by
// unit, and the trace of the record selected. It only reads the store; a store that cannot be
// read says so in the view.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "records/RecordStore.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;

namespace halyard::ui {

class QualityCharts;

class RecordsDialog final : public QDialog {
 public:
  RecordsDialog(records::RecordStore* store, std::string station, QWidget* parent);

  // Reads the store again, keeping the unit filter.
  void Refresh();
  QLineEdit* UnitFilter() const { return unit_; }
  QTableWidget* Latest() const { return latest_; }
  QTableWidget* Today() const { return today_; }
  QPlainTextEdit* Detail() const { return detail_; }
  QualityCharts* Charts() const { return charts_; }
  QLabel* Problem() const { return problem_; }

 private:
  void ShowDetail(int row);

  records::RecordStore* store_;
  std::string station_;
  std::vector<records::Record> shown_;  // newest first, as the table's rows
  QLineEdit* unit_;
  QLabel* problem_;
  QTableWidget* latest_;
  QTableWidget* today_;
  QPlainTextEdit* detail_;
  QualityCharts* charts_;
};

}  // namespace halyard::ui
