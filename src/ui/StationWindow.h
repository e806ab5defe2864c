// The station's window on Qt Widgets. It holds no state of its own: it builds the widgets
// from the layout tables, forwards each widget event to the Form1 handler of the same name,
// and copies Form1's state into the widgets after every handler and before every wait.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <string>

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
  QWidget* Create(const ControlLayout& layout, QWidget* parent);
  void Connect(const ControlLayout& layout, QWidget* widget);
  void SetTabOrder();
  void SyncLabel(const std::string& key, const LabelState& state);
  template <typename Handler>
  void Forward(Handler&& handler);
  QRect ToPixels(const ControlLayout& layout) const;

  Form1& form_;
  double dpi_ = 96.0;
  QWidget* tabControl_ = nullptr;
  QTabBar* tabBar_ = nullptr;
  std::array<QWidget*, kTabCount> pages_{};
  std::map<std::string, QWidget*> widgets_;
  std::map<std::string, std::string> lastText_;  // text boxes: what was last copied in
  std::function<void()> afterEvent_;
  bool closePending_ = false;
};

}  // namespace halyard::ui
