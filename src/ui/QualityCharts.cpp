// The records view's charts.
#include "ui/QualityCharts.h"

#include <QSvgWidget>
#include <QVBoxLayout>

#include "report/ReportCharts.h"

namespace halyard::ui {

namespace {

constexpr int kWidth = 680;
constexpr int kHeight = 220;

}  // namespace

QualityCharts::QualityCharts(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this)) {
  layout_->setContentsMargins(0, 0, 0, 0);
}

void QualityCharts::Show(const report::QualityReport& report) {
  shown_ = report;
  for (QSvgWidget* chart : charts_)
    delete chart;
  charts_.clear();
  std::vector<report::Chart> charts{report::YieldChart("Yield per hour", report.hours),
                                    report::UnitsChart("Units per hour", report.hours),
                                    report::ParetoChart(report.failures, report.total.failed)};
  if (!report.trims.empty()) charts.push_back(report::TrimChart(report.trims.front()));
  for (const report::Chart& chart : charts) {
    auto* widget = new QSvgWidget(this);
    widget->load(QByteArray::fromStdString(report::ChartSvg(chart, kWidth, kHeight)));
    widget->setFixedSize(kWidth, kHeight);
    widget->setAccessibleName(QString::fromStdString(chart.title));
    layout_->addWidget(widget);
    charts_.push_back(widget);
  }
}

}  // namespace halyard::ui
