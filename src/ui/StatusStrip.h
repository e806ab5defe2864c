// The strip below the tabs: the status line (adapter, records, target, unit and operator, the
// last action's verdict), the operator's and the unit's fields and the records view's button.
// Its labels never take the focus, so the keyboard order through the tabs stays as it was.
#pragma once

#include <QWidget>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace halyard::ui {

// What the status line says, each fact as the session knows it.
struct StatusFacts {
  std::string adapter;  // "sim: HALYARD-SIM0"; empty when start-up attached none
  std::string records;  // "records: records.db", "records off", ...
  bool recordsFailing = false;
  bool targetConfigured = false;
  std::string configNote;  // empty when the configuration file was read
  std::string unit;
  std::string operatorName;
  std::string lastAction;  // the last action's verdict in words; empty before the first
  bool lastFailed = false;
  // How many times records began to be kept nowhere, and what the first lost record said: each
  // such outage is told once in a message box.
  int recordsLostOutages = 0;
  std::string recordsLostLine;
};

class StatusStrip final : public QWidget {
 public:
  explicit StatusStrip(QWidget* parent);

  void Show(const StatusFacts& facts);
  // Every line of the status line, one per row, as the operator reads them.
  QString Text() const;
  QLabel* ActionLine() const { return action_; }
  QLineEdit* OperatorField() const { return operator_; }
  QLineEdit* UnitField() const { return unit_; }
  QPushButton* RecordsButton() const { return recordsButton_; }
  QPushButton* AutoTrimButton() const { return autoTrimButton_; }

 private:
  QLabel* adapter_;
  QLabel* records_;
  QLabel* setup_;
  QLabel* action_;
  QLineEdit* operator_;
  QLineEdit* unit_;
  QPushButton* recordsButton_;
  QPushButton* autoTrimButton_;
  int lostOutagesTold_ = 0;
};

}  // namespace halyard::ui
