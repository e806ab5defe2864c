// The strip below the tabs: the status line (adapter, records, target, unit and operator, the
// last action's verdict), the operator's and the unit's fields and the records view's button.
// Its lines never take the focus, so the keyboard order through the tabs stays as it was, and
// never cut a text: what does not fit ends in "…" and shows whole on hover (and in the session
// log).
#pragma once

#include <QWidget>
#include <string>

class QLineEdit;
class QPushButton;

namespace halyard::ui {

class ElidedLine;

// What the status line says, each fact as the session knows it.
struct StatusFacts {
  std::string adapter;  // "sim: HALYARD-SIM0"; empty when start-up attached none
  std::string records;  // "records: records.db (the store answered)", "records off", ...
  bool recordsFailing = false;
  bool targetConfigured = false;
  std::string configNote;  // empty when the configuration file was read
  std::string unit;
  std::string operatorName;
  // The last action's verdict in words, or what the window said since (a new unit, a refusal);
  // empty before the first.
  std::string lastAction;
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
  // Every line of the status line, one per row, whole.
  QString Text() const;
  ElidedLine* AdapterLine() const { return adapter_; }
  ElidedLine* RecordsLine() const { return records_; }
  ElidedLine* ActionLine() const { return action_; }
  QLineEdit* OperatorField() const { return operator_; }
  QLineEdit* UnitField() const { return unit_; }
  QPushButton* RecordsButton() const { return recordsButton_; }
  QPushButton* AutoTrimButton() const { return autoTrimButton_; }

 private:
  ElidedLine* adapter_;
  ElidedLine* records_;
  ElidedLine* setup_;
  ElidedLine* action_;
  QLineEdit* operator_;
  QLineEdit* unit_;
  QPushButton* recordsButton_;
  QPushButton* autoTrimButton_;
  int lostOutagesTold_ = 0;
};

}  // namespace halyard::ui
