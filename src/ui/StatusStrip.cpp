// The strip below the tabs.
#include "ui/StatusStrip.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/ElidedLine.h"

namespace halyard::ui {

namespace {

std::string SetupLine(const StatusFacts& facts) {
  std::string line = facts.targetConfigured
                         ? "target configured"
                         : "target not configured: \"Test\" needs \"SetUp\" first";
  if (!facts.configNote.empty()) line += " · " + facts.configNote;
  line += " · unit " + (facts.unit.empty() ? std::string("none") : facts.unit);
  line += " · operator " + (facts.operatorName.empty() ? std::string("none") : facts.operatorName);
  return line;
}

}  // namespace

StatusStrip::StatusStrip(QWidget* parent)
    : QWidget(parent),
      adapter_(new ElidedLine(1, this)),
      records_(new ElidedLine(1, this)),
      setup_(new ElidedLine(2, this)),
      action_(new ElidedLine(2, this)),
      operator_(new QLineEdit(this)),
      unit_(new QLineEdit(this)),
      recordsButton_(new QPushButton(QStringLiteral("Records…"), this)),
      autoTrimButton_(new QPushButton(QStringLiteral("Auto Trim"), this)) {
  operator_->setPlaceholderText(QStringLiteral("name"));
  unit_->setPlaceholderText(QStringLiteral("scan the serial"));
  recordsButton_->setAutoDefault(false);
  autoTrimButton_->setAutoDefault(false);
  autoTrimButton_->hide();  // shown when the station has a frequency counter to trim against
  auto* top = new QHBoxLayout;
  top->addWidget(adapter_, 1);
  top->addWidget(records_, 1);
  auto* fields = new QHBoxLayout;
  fields->addWidget(new QLabel(QStringLiteral("Operator"), this));
  fields->addWidget(operator_, 1);
  fields->addWidget(new QLabel(QStringLiteral("Unit"), this));
  fields->addWidget(unit_, 1);
  fields->addWidget(recordsButton_);
  fields->addWidget(autoTrimButton_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 2, 8, 6);
  layout->setSpacing(2);
  layout->addLayout(fields);
  layout->addLayout(top);
  layout->addWidget(setup_);
  layout->addWidget(action_);
}

void StatusStrip::Show(const StatusFacts& facts) {
  const auto q = [](const std::string& text) { return QString::fromStdString(text); };
  adapter_->SetText(q(facts.adapter.empty() ? "No adapter attached" : facts.adapter),
                    facts.adapter.empty());
  records_->SetText(q(facts.records), facts.recordsFailing);
  setup_->SetText(q(SetupLine(facts)), false);
  action_->SetText(q(facts.lastAction), facts.lastFailed);
  if (facts.recordsLostOutages > lostOutagesTold_) {
    lostOutagesTold_ = facts.recordsLostOutages;
    // Not modal: the operator reads it, and the line goes on; the status stays red meanwhile.
    auto* box = new QMessageBox(
        QMessageBox::Critical, QStringLiteral("halyard-station"),
        QStringLiteral("A record was kept nowhere: neither the record store nor the spool took "
                       "it. The records of the actions from now on are lost until one of them "
                       "works again.\n\n%1")
            .arg(QString::fromStdString(facts.recordsLostLine)),
        QMessageBox::Ok, this);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
  }
}

QString StatusStrip::Text() const {
  return QStringList{adapter_->Text(), records_->Text(), setup_->Text(), action_->Text()}.join(
      '\n');
}

}  // namespace halyard::ui
