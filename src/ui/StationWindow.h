// The station's window on Qt Widgets. The tabs hold no state of their own: the window builds one
// widget per control of the registry where the layout places it, hands each widget event to the
// control's Form1 entry point, and copies Form1's state into the widgets after every handler and
// before every wait. Below the tabs, the strip shows the status line and takes the operator and
// the unit (typed, or scanned wherever the focus is); the session behind it records each action
// and logs every status.
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/ControlRegistry.h"
#include "app/Form1.h"
#include "ui/Layout.h"
#include "ui/Session.h"
#include "ui/StatusStrip.h"

class QPushButton;
class QTabBar;

namespace halyard::ui {

class AutoTrimControl;
class FocusRing;
class RecordsDialog;
class Scanner;
class SessionLog;
class StoreProbe;
class WindowKeys;

class StationWindow final : public QWidget {
 public:
  // `station` has been started (Form_Load ran).
  explicit StationWindow(Station& station, SessionSetup setup = {}, QWidget* parent = nullptr);
  ~StationWindow() override;

  // Copies Form1's controls and state into the widgets; while an operation sits in a wait,
  // disables everything that could start another one.
  void SyncFromForm();

  // Opens the records view (or brings it to the front), read afresh.
  RecordsDialog* ShowRecords();
  // Opens the session log (Ctrl+L), or brings it to the front.
  SessionLog* ShowLog();
  // A unit scanned or typed into Unit: it replaces the whole field.
  void TakeUnit(const QString& unit);
  // True until start-up's try of the record store has answered.
  bool ProbingStore() const;

  // The widget of a control by its name, e.g. Control("Command2", 4); nullptr if unknown.
  QWidget* Control(const std::string& name, int index = -1) const;
  QTabBar* TabBar() const { return tabBar_; }
  QWidget* TabPage(int tab) const;
  double Dpi() const { return dpi_; }
  StatusStrip* Strip() const { return strip_; }
  const FocusRing* Ring() const { return ring_; }
  // True while the automatic trim searches.
  bool AutoTrimRunning() const;
  const Session& CurrentSession() const { return session_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Enter presses the button that has the focus, as the space bar does.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Build();
  QWidget* BuildTabControl(const QRect& geometry, QWidget* parent);
  void Connect(const ControlEntry& entry, QWidget* widget);
  void SetTabOrder();
  void BuildStrip();
  void BuildAutoTrim();
  void BuildKeys();
  void ShowStatus();
  // The action's button, when it could be clicked now.
  QPushButton* Pressable(const ActionRow& action) const;
  void SyncControl(size_t row, const FormControls& controls, bool idle);
  void SyncTabs(int tab);
  void Handle(const ControlEntry& entry, const ActionInput& input);
  QRect ToPixels(const ControlLayout& layout) const;

  Station& station_;
  Form1& form_;
  double dpi_ = 96.0;
  QWidget* tabControl_ = nullptr;
  QTabBar* tabBar_ = nullptr;
  std::array<QWidget*, kTabCount> pages_{};
  std::vector<QWidget*> widgets_;  // by registry row
  Session session_;
  StatusStrip* strip_ = nullptr;
  AutoTrimControl* autoTrim_ = nullptr;  // null: the station has no automatic trim
  FocusRing* ring_ = nullptr;
  Scanner* scanner_ = nullptr;
  WindowKeys* keys_ = nullptr;
  StoreProbe* probe_ = nullptr;  // null: records are off
  QPointer<RecordsDialog> records_;
  QPointer<SessionLog> log_;
  bool closePending_ = false;
};

}  // namespace halyard::ui
