// The records view.
#include "ui/RecordsDialog.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "report/QualityReport.h"
#include "ui/Colors.h"
#include "ui/QualityCharts.h"
#include "ui/RecordDetail.h"

namespace halyard::ui {

namespace {

constexpr size_t kLatest = 200;  // rows: a shift's work, and quick to read from any store
constexpr int kReasonColumn = 5;

QTableWidget* NewTable(const QStringList& headers, QWidget* parent) {
  auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
  table->setHorizontalHeaderLabels(headers);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().lineSpacing() + 6);
  table->setWordWrap(false);
  // Each column as wide as its longest cell; the last takes the rest, and what it cuts shows
  // on hover.
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

QTableWidgetItem* SetRow(QTableWidget& table, int row, const QStringList& cells, bool failed) {
  QTableWidgetItem* first = nullptr;
  for (int column = 0; column < cells.size(); ++column) {
    auto* item = new QTableWidgetItem(cells[column]);
    if (failed) item->setForeground(kFailText);
    table.setItem(row, column, item);
    if (column == 0) first = item;
  }
  return first;
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Records start with the UTC time in ISO form; today is today's UTC date.
std::string TodayPrefix() {
  return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd")).toStdString();
}

}  // namespace

RecordsDialog::RecordsDialog(records::RecordStore* store, std::string station, QWidget* parent)
    : QDialog(parent),
      store_(store),
      station_(std::move(station)),
      unit_(new QLineEdit(this)),
      problem_(new QLabel(this)),
      latest_(NewTable({"Started", "Unit", "Action", "Verdict", "Operator", "Reason"}, this)),
      today_(NewTable({"Action", "Tested", "Passed", "Failed", "First-pass yield"}, this)),
      detail_(new RecordDetail(this)),
      charts_(new QualityCharts(this)) {
  setWindowTitle(QStringLiteral("Records of %1").arg(Q(station_)));
  unit_->setPlaceholderText(QStringLiteral("filter by unit"));
  unit_->setClearButtonEnabled(true);
  problem_->setTextFormat(Qt::PlainText);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(latest_);
  // The selected record, or the charts of today: one place below the list, by a tab.
  auto* charts = new QScrollArea(this);
  charts->setWidget(charts_);
  charts->setWidgetResizable(true);
  auto* below = new QTabWidget(this);
  below->addTab(detail_, QStringLiteral("Record"));
  below->addTab(charts, QStringLiteral("Charts of today"));
  splitter->addWidget(below);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(unit_);
  layout->addWidget(problem_);
  layout->addWidget(new QLabel(QStringLiteral("Today"), this));
  layout->addWidget(today_);
  layout->addWidget(splitter, 1);
  splitter->setStretchFactor(0, 2);
  splitter->setStretchFactor(1, 3);
  resize(960, 720);
  connect(unit_, &QLineEdit::textChanged, this, [this] { Refresh(); });
  connect(latest_, &QTableWidget::currentCellChanged, this, [this](int row) { ShowDetail(row); });
  Refresh();
}

void RecordsDialog::Refresh() {
  shown_.clear();
  // This station's records only, even in a store the whole line shares: today's for the yield,
  // and the latest for the list.
  const records::RecordFilter latest{
      .unit = unit_->text().trimmed().toStdString(), .station = station_, .newest = kLatest};
  // Today's yield per action keeps the unit filter; the charts are the whole station's day.
  records::RecordFilter ofToday = latest;
  ofToday.since = TodayPrefix();
  ofToday.newest = 0;
  const records::RecordFilter chartsToday{.since = ofToday.since, .station = station_};
  std::vector<records::Record> newest;
  std::vector<records::YieldGroup> groups;
  report::QualityReport today;
  std::string error;
  if (store_ == nullptr) {
    error = "records are off: [Records] Store=none";
  } else if (!store_->Reader().Groups(ofToday, records::YieldBy::kAction, groups, error) ||
             !report::ReadQualityReport(store_->Reader(), chartsToday, today, error) ||
             !store_->List(latest, newest, error)) {
    error = "the store cannot be read: " + error;
  }
  problem_->setText(Q(error));
  problem_->setVisible(!error.empty());
  charts_->Show(today);
  today_->setRowCount(static_cast<int>(groups.size()));
  for (size_t i = 0; i < groups.size(); ++i) {
    const records::YieldGroup& g = groups[i];
    SetRow(*today_, static_cast<int>(i),
           {Q(g.key), QString::number(g.tested), QString::number(g.passed),
            QString::number(g.failed), QString::number(100.0 * g.firstPassYield, 'f', 1) + " %"},
           false);
  }
  shown_.assign(newest.rbegin(), newest.rend());
  latest_->setRowCount(static_cast<int>(shown_.size()));
  for (size_t i = 0; i < shown_.size(); ++i) {
    const records::Record& r = shown_[i];
    const bool failed = r.verdict == records::kVerdictFailed;
    QTableWidgetItem* started =
        SetRow(*latest_, static_cast<int>(i),
               {LocalTime(r.started), Q(r.unit), Q(r.action),
                failed ? QStringLiteral("✗ failed") : Q(r.verdict), Q(r.operatorName), Q(r.reason)},
               failed);
    started->setToolTip(QStringLiteral("UTC: ") + Q(r.started));
    latest_->item(static_cast<int>(i), kReasonColumn)->setToolTip(Q(r.reason));
  }
  ShowDetail(latest_->currentRow());
}

void RecordsDialog::ShowDetail(int row) {
  const bool shown = row >= 0 && row < static_cast<int>(shown_.size());
  detail_->Show(shown ? &shown_[static_cast<size_t>(row)] : nullptr);
}

}  // namespace halyard::ui
