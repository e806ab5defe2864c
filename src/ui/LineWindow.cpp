// The line's window over its supervisor.
#include "ui/LineWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>

#include "assembly/StationRecords.h"
#include "ui/Colors.h"
#include "ui/LineTile.h"
#include "ui/RecordsDialog.h"

namespace halyard::ui {

namespace {

constexpr int kTilesPerRow = 4;
constexpr int kTickMs = 250;

}  // namespace

bool PrepareLine(const AppInfo& app, LineWindowSetup& setup, std::string& error) {
  const std::filesystem::path config =
      app.configPath ? *app.configPath : FindConfiguration(app.programPath, app.configFallbacks);
  if (!line::ReadSupervisorSetup(config, app.programPath.parent_path() / "halyardctl", std::nullopt,
                                 setup.supervisor, error)) {
    error = "configuration file \"" + config.string() + "\": " + error;
    return false;
  }
  setup.stationName = StationRecordSource(setup.supervisor.line.configuration, app, "").station;
  return true;
}

LineWindow::LineWindow(LineWindowSetup setup, QWidget* parent)
    : QWidget(parent),
      setup_(std::move(setup)),
      supervisor_(setup_.supervisor),
      summary_(new QLabel(this)),
      scan_(new QLineEdit(this)),
      said_(new QLabel(this)),
      ticker_(new QTimer(this)) {
  setWindowTitle(QStringLiteral("Halyard Test Program — line"));
  QFont big = summary_->font();
  big.setPointSize(big.pointSize() + 3);
  big.setBold(true);
  summary_->setFont(big);
  scan_->setPlaceholderText(QStringLiteral("scan a unit (SOCKET:SERIAL picks the socket)"));
  said_->setTextFormat(Qt::PlainText);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(scan_);
  layout->addWidget(said_);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);
  layout->addStretch();
  for (size_t i = 0; i < setup_.supervisor.line.sockets.size(); ++i) {
    auto* tile = new LineTile(this);
    tile->SetOpen([this](const std::string& unit) { OpenRecords(unit); });
    grid->addWidget(tile, static_cast<int>(i) / kTilesPerRow, static_cast<int>(i) % kTilesPerRow);
    tiles_.push_back(tile);
  }
  connect(scan_, &QLineEdit::returnPressed, this, [this] {
    const std::string text = scan_->text().trimmed().toStdString();
    scan_->clear();
    Scan(text);
  });
  connect(ticker_, &QTimer::timeout, this, [this] { Refresh(); });
  // The supervisor tells from its own thread; the window hears it on its own.
  supervisor_.SetListener(
      {[this](size_t) { QMetaObject::invokeMethod(this, [this] { Refresh(); }); },
       [this](const line::UnitReport& report) {
         QMetaObject::invokeMethod(this, [this, report] { UnitEnded(report); });
       }});
}

LineWindow::~LineWindow() = default;

bool LineWindow::Start(std::string& error) {
  if (!supervisor_.Start(error)) return false;
  began_ = line::LineClock::now();
  ticker_->start(kTickMs);
  Refresh();
  return true;
}

void LineWindow::Scan(const std::string& text) {
  line::RoutedScan routed;
  std::string reason;
  const std::vector<line::SocketView> sockets = supervisor_.Sockets();
  if (!line::RouteScan(sockets, text, routed, reason) ||
      !supervisor_.Scan(sockets[routed.socket].name, routed.unit, reason)) {
    Say(text + ": " + reason, true);
    return;
  }
  Say(routed.unit + " → socket " + sockets[routed.socket].name, false);
  Refresh();
}

void LineWindow::UnitEnded(const line::UnitReport& report) {
  tally_.Add(report);
  Refresh();
}

void LineWindow::Refresh() {
  const line::LineClock::time_point now = line::LineClock::now();
  const std::vector<line::SocketView> sockets = supervisor_.Sockets();
  const std::optional<size_t> waiting = line::WaitingSocket(sockets);
  for (size_t i = 0; i < tiles_.size() && i < sockets.size(); ++i)
    tiles_[i]->Show(sockets[i], waiting == i, now);
  const double hours = std::chrono::duration<double>(now - began_).count() / 3600.0;
  char text[200];
  std::snprintf(text, sizeof text,
                "%zu sockets · %zu units tested · %.0f units/hour · first-pass yield %.1f %%",
                sockets.size(), tally_.Runs(), tally_.RunsPerHour(hours),
                tally_.FirstPassYield() * 100.0);
  summary_->setText(QString::fromUtf8(text));
  if (closing_ && supervisor_.Ended()) close();
}

void LineWindow::Say(const std::string& text, bool failed) {
  said_->setText(QString::fromStdString(text));
  QPalette palette = this->palette();
  if (failed) palette.setColor(QPalette::WindowText, kFailText);
  said_->setPalette(palette);
}

RecordsDialog* LineWindow::OpenRecords(const std::string& unit) {
  if (!store_) {
    const std::string name =
        setup_.supervisor.recordsStore.empty() ? records::kNoStore : setup_.supervisor.recordsStore;
    records::StoreAccess access;
    std::string error;
    if (!ConfiguredStoreAccess(setup_.supervisor.line.configuration, name, access, error) ||
        !records::OpenStore(name, store_, error, access)) {
      Say("records: " + error, true);
      return nullptr;
    }
  }
  if (!records_) records_ = new RecordsDialog(store_.get(), setup_.stationName, this);
  records_->UnitFilter()->setText(QString::fromStdString(unit));
  records_->Refresh();
  records_->show();
  records_->raise();
  return records_;
}

void LineWindow::closeEvent(QCloseEvent* event) {
  // The line finishes first: the units scanned are tested and every station closes its adapter.
  if (!supervisor_.Ended() && ticker_->isActive()) {
    closing_ = true;
    scan_->setEnabled(false);
    Say("finishing: the units scanned are tested, then the sockets close", false);
    supervisor_.Finish();
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace halyard::ui
