// The quality report's charts in the records view: yield and units per hour, the failures by
// reason and the automatic trim's spread, drawn from the same SVG as the HTML report.
#pragma once

#include <QWidget>
#include <vector>

#include "report/QualityReport.h"

class QSvgWidget;
class QVBoxLayout;

namespace halyard::ui {

class QualityCharts final : public QWidget {
 public:
  explicit QualityCharts(QWidget* parent);

  // Shows the charts of `report` in place of those shown.
  void Show(const report::QualityReport& report);
  const std::vector<QSvgWidget*>& Charts() const { return charts_; }
  const report::QualityReport& Shown() const { return shown_; }

 private:
  QVBoxLayout* layout_;
  report::QualityReport shown_;
  std::vector<QSvgWidget*> charts_;
};

}  // namespace halyard::ui
