// A line of the status line that never cuts its text at the window's edge: what does not fit
// in its rows ends in "…", and the whole text shows on hover. It takes no focus and keeps its
// height, so a longer text never moves what lies below it.
#pragma once

#include <QString>
#include <QWidget>

namespace halyard::ui {

class ElidedLine final : public QWidget {
 public:
  ElidedLine(int rows, QWidget* parent);

  // `failing` paints it in the failure colour.
  void SetText(const QString& text, bool failing);
  // The whole text.
  const QString& Text() const { return text_; }
  // What is drawn: the text as it fits, row after row, ending in "…" when it did not fit.
  QString Shown() const;
  bool Elided() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The rows drawn; `elided`, when given, says whether the text did not fit.
  QStringList Rows(bool* elided) const;
  void Update();

  int rows_;
  QString text_;
};

}  // namespace halyard::ui
