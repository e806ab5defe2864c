// The selected record's detail.
#include "ui/RecordDetail.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/Colors.h"
#include "ui/MeasurementRows.h"

namespace halyard::ui {

namespace {
QString QText(const std::string& text) {
  return QString::fromStdString(text);
}
}  // namespace

QString LocalTime(const std::string& utc) {
  const QDateTime time = QDateTime::fromString(QText(utc), Qt::ISODateWithMs);
  if (!time.isValid()) return QText(utc);
  return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QString RecordHeadline(const records::Record& r) {
  const QString unit =
      r.unit.empty() ? QStringLiteral("no unit") : QStringLiteral("unit ") + QText(r.unit);
  QString headline = QStringLiteral("%1 %2 for %3").arg(QText(r.action), QText(r.verdict), unit);
  if (!r.adapter.empty()) headline += QStringLiteral(", adapter ") + QText(r.adapter);
  if (!r.reason.empty()) headline += QStringLiteral(": ") + QText(r.reason);
  return headline;
}

RecordDetail::RecordDetail(QWidget* parent)
    : QWidget(parent),
      headline_(new QLabel(this)),
      measurements_(new QTableWidget(0, 2, this)),
      trace_(new QPlainTextEdit(this)) {
  headline_->setTextFormat(Qt::PlainText);
  headline_->setWordWrap(true);
  headline_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  measurements_->setHorizontalHeaderLabels(
      {QStringLiteral("Measurement"), QStringLiteral("Value")});
  measurements_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  measurements_->verticalHeader()->hide();
  measurements_->verticalHeader()->setDefaultSectionSize(fontMetrics().lineSpacing() + 6);
  measurements_->setWordWrap(false);
  measurements_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  measurements_->horizontalHeader()->setStretchLastSection(true);
  trace_->setReadOnly(true);
  trace_->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(measurements_);
  split->addWidget(trace_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(headline_);
  layout->addWidget(split, 1);
}

void RecordDetail::Show(const records::Record* record) {
  if (record == nullptr) {
    headline_->clear();
    headline_->setToolTip({});
    measurements_->setRowCount(0);
    trace_->clear();
    return;
  }
  const records::Record& r = *record;
  headline_->setText(
      RecordHeadline(r) +
      QStringLiteral("\nstarted %1, ended %2").arg(LocalTime(r.started), LocalTime(r.ended)));
  headline_->setToolTip(QStringLiteral("UTC: %1 to %2").arg(QText(r.started), QText(r.ended)));
  const std::vector<MeasurementRow> rows = MeasurementRows(r.measurements);
  measurements_->setRowCount(static_cast<int>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    for (int column = 0; column < 2; ++column) {
      auto* item = new QTableWidgetItem(QText(column == 0 ? rows[i].name : rows[i].value));
      if (rows[i].failed) item->setForeground(kFailText);
      measurements_->setItem(static_cast<int>(i), column, item);
    }
  }
  QStringList lines;
  for (const records::RecordMessage& m : r.messages)
    lines << QStringLiteral("message box \"%1\": %2").arg(QText(m.title), QText(m.text));
  for (const std::string& line : r.trace)
    lines << QText(line);
  trace_->setPlainText(lines.join('\n'));
}

}  // namespace halyard::ui
