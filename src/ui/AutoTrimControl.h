// The window's "Auto Trim" button, beside the status line: starts the automatic trim on the
// station's frequency counter and runs it a measurement at a time, so the window repaints and
// a second press (the button then reads "Cancel Auto Trim") stops it before the next reading.
// The search moves the Trim tab's bars as an operator's hand would.
#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "autotrim/AutoTrim.h"

class QPushButton;

namespace halyard::ui {

class AutoTrimControl final : public QObject {
 public:
  struct Hooks {
    std::function<bool()> mayStart;                      // false: the press starts nothing
    std::function<void()> began;                         // before the first measurement
    std::function<void(const std::string&)> progress;    // after each measurement
    std::function<void(const AutoTrim& trimmer)> ended;  // the search is over
  };

  // `store`: a passing search ends with "Update Trim" and a read-back, as [Trim] AutoStore=yes
  // asks.
  AutoTrimControl(AutoTrim& trimmer, bool store, QPushButton& button, Hooks hooks, QObject* parent);

  bool Running() const { return running_; }
  // What the status line says after measurement `number`: code, trim shown, frequency, error.
  static std::string ProgressText(size_t number, const TrimIteration& iteration);

 private:
  void Press();
  void Next();
  void Finish();

  AutoTrim& trimmer_;
  bool store_;
  QPushButton& button_;
  Hooks hooks_;
  bool running_ = false;
};

}  // namespace halyard::ui
