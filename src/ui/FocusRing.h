// A ring drawn around whichever control of a window has the keyboard focus. The window's style
// marks the focus faintly on some controls and not at all on scroll bars; an operator driving
// the station by keyboard must see where Enter and the arrows go.
#pragma once

#include <QPointer>
#include <QWidget>

namespace halyard::ui {

class FocusRing final : public QWidget {
 public:
  // Follows the focus among `window`'s descendants; it is a child of `window`, above all.
  explicit FocusRing(QWidget* window);
  // The control the ring surrounds; null when the focus is elsewhere.
  QWidget* Target() const { return target_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Follow(QWidget* focus);
  void Place();

  QPointer<QWidget> target_;
};

}  // namespace halyard::ui
