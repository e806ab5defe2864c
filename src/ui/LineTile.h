// One socket's tile in the line's window: its name and state, the unit in it, the step running
// and for how long, its adapter, and the last unit's verdict in large letters. The socket a
// plain scan goes to is marked; a click on the tile opens the records of its last unit.
#pragma once

#include <QFrame>
#include <functional>

#include "line/Supervisor.h"

class QLabel;

namespace halyard::ui {

class LineTile final : public QFrame {
 public:
  explicit LineTile(QWidget* parent);

  void Show(const line::SocketView& view, bool waiting, line::LineClock::time_point now);
  // Called with the tile's last unit when the operator clicks the tile.
  void SetOpen(std::function<void(const std::string& unit)> open) { open_ = std::move(open); }
  const QLabel* Verdict() const { return verdict_; }
  QString Text() const;  // everything the tile says, for tests

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QLabel* name_;
  QLabel* state_;
  QLabel* unit_;
  QLabel* step_;
  QLabel* verdict_;
  QLabel* detail_;
  std::string lastUnit_;
  std::function<void(const std::string&)> open_;
};

}  // namespace halyard::ui
