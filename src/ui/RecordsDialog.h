// The records view: this station's latest records (newest first, failed ones marked, times in
// local time with UTC on hover), today's counts and first-pass yield per action, a filter by
// unit, and below them, by a tab, the record selected (its measurements and its trace) or the
// quality report's charts of today. It only reads the store; a store that cannot be read says so
// in the view.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "records/RecordStore.h"

class QLabel;
class QLineEdit;
class QTableWidget;

namespace halyard::ui {

class QualityCharts;
class RecordDetail;

class RecordsDialog final : public QDialog {
 public:
  RecordsDialog(records::RecordStore* store, std::string station, QWidget* parent);

  // Reads the store again, keeping the unit filter.
  void Refresh();
  QLineEdit* UnitFilter() const { return unit_; }
  QTableWidget* Latest() const { return latest_; }
  QTableWidget* Today() const { return today_; }
  RecordDetail* Detail() const { return detail_; }
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
  RecordDetail* detail_;
  QualityCharts* charts_;
};

}  // namespace halyard::ui
