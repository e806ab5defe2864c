// The barcode scanner at the window: a scanner's burst goes whole to the unit, wherever the
// focus is. Its keys reach no button (its Enter would press the focused one, and run "Run All"
// again under the previous unit), and what it typed into a text box is taken back. A person's
// typing is left alone: keys at a person's pace pass as they always did.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>

#include "ui/ScanDetector.h"

class QKeyEvent;
class QLineEdit;
class QWidget;

namespace halyard::ui {

class Scanner final : public QObject {
 public:
  using Take = std::function<void(const std::string& serial)>;

  // Watches the keys typed into `window` (none of its dialogs) for as long as it lives.
  Scanner(QWidget& window, ScanSettings settings, Take take);
  ~Scanner() override;
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // True when the key is the scanner's and must go no further.
  bool OnKey(QWidget& receiver, const QKeyEvent& key);
  // The time of a key: the window system's, else this process's clock (synthetic events).
  ScanDetector::Time TimeOf(const QKeyEvent& key) const;
  // Puts back the text of the box the burst typed into, and tells the window as an edit would.
  void TakeBack();

  QWidget& window_;
  ScanDetector detector_;
  Take take_;
  QElapsedTimer clock_;
  QPointer<QLineEdit> field_;  // the box with the focus when the burst began, if any
  QString fieldText_;
  int fieldCursor_ = 0;
};

}  // namespace halyard::ui
