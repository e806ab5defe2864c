// The line's window: one tile per socket, the session's units per hour and first-pass yield, and
// the scan field. A plain scan goes to the socket waiting for a unit (its tile is marked); a scan
// "SOCKET:SERIAL" picks the socket. A tile opens the records of its last unit. Closing the window
// finishes the line: the units scanned are tested, then every socket's station closes its adapter.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "line/ScanRouting.h"
#include "line/Supervisor.h"
#include "records/RecordStore.h"

class QLabel;
class QLineEdit;
class QTimer;

namespace halyard::ui {

class LineTile;
class RecordsDialog;

struct LineWindowSetup {
  line::SupervisorSetup supervisor;
  std::string stationName;  // whose records a tile opens
};

// The line of the configuration file the station would read (`app`'s), its records going where
// the window's would. False with one line when there is no line to run.
bool PrepareLine(const AppInfo& app, LineWindowSetup& setup, std::string& error);

class LineWindow final : public QWidget {
 public:
  explicit LineWindow(LineWindowSetup setup, QWidget* parent = nullptr);
  ~LineWindow() override;

  // Starts the sockets' workers; false with one line when the line cannot start.
  bool Start(std::string& error);
  // What the operator's scanner does: the scan as typed, then Enter.
  void Scan(const std::string& text);

  QLineEdit* ScanField() const { return scan_; }
  const std::vector<LineTile*>& Tiles() const { return tiles_; }
  QLabel* Summary() const { return summary_; }
  QLabel* Said() const { return said_; }
  line::Supervisor& Supervisor() { return supervisor_; }
  RecordsDialog* OpenRecords(const std::string& unit);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Refresh();
  void UnitEnded(const line::UnitReport& report);
  void Say(const std::string& text, bool failed);

  LineWindowSetup setup_;
  line::Supervisor supervisor_;
  line::LineTally tally_;
  line::LineClock::time_point began_;
  std::unique_ptr<records::RecordStore> store_;
  QLabel* summary_;
  QLineEdit* scan_;
  QLabel* said_;
  std::vector<LineTile*> tiles_;
  QTimer* ticker_;
  QPointer<RecordsDialog> records_;
  bool closing_ = false;
};

}  // namespace halyard::ui
