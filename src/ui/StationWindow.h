// The station's window on Qt Widgets. It holds no state of its own: it builds one widget per
// control of the registry where the layout places it, hands each widget event to the control's
// Form1 entry point, and copies Form1's state into the widgets after every handler and before
// every wait.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/ControlRegistry.h"
#include "app/Form1.h"
#include "ui/Layout.h"

class QTabBar;

namespace halyard::ui {

class StationWindow final : public QWidget {
 public:
  explicit StationWindow(Form1& form, QWidget* parent = nullptr);

  // Copies Form1's controls and state into the widgets; while an operation sits in a wait,
  // disables everything that could start another one.
  void SyncFromForm();

  // Runs after every forwarded event (main() drops the trace lines it does not keep).
  void SetAfterEvent(std::function<void()> hook) { afterEvent_ = std::move(hook); }

  // The widget of a control by its name, e.g. Control("Command2", 4); nullptr if unknown.
  QWidget* Control(const std::string& name, int index = -1) const;
  QTabBar* TabBar() const { return tabBar_; }
  QWidget* TabPage(int tab) const;
  double Dpi() const { return dpi_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Build();
  QWidget* BuildTabControl(const QRect& geometry, QWidget* parent);
  void Connect(const ControlEntry& entry, QWidget* widget);
  void SetTabOrder();
  void SyncControl(size_t row, const FormControls& controls, bool idle);
  void SyncTabs(int tab);
  void Handle(const ControlEntry& entry, const ControlInput& input);
  QRect ToPixels(const ControlLayout& layout) const;

  Form1& form_;
  double dpi_ = 96.0;
  QWidget* tabControl_ = nullptr;
  QTabBar* tabBar_ = nullptr;
  std::array<QWidget*, kTabCount> pages_{};
  std::vector<QWidget*> widgets_;      // by registry row
  std::vector<std::string> lastText_;  // by registry row: a text box's text as last copied in
  std::function<void()> afterEvent_;
  bool closePending_ = false;
};

}  // namespace halyard::ui
