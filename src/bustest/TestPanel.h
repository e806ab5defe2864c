// The "Test" tab: the five test buttons, "Run All", the four bus tests and their labels.
#pragma once

#include <cstdint>

#include "app/FormContext.h"

namespace halyard {

class TestPanel {
 public:
  explicit TestPanel(FormContext& ctx) : ctx_(ctx) {}

  void Command2_Click(int16_t Index);
  void ResetTestStatus();

  bool TestVersion();
  bool TestSmbus();
  bool TestI2c();
  bool TestSwb();

  // A state is painted fore colour, back colour, caption, in that order.
  void PaintNeutral(int index);
  void PaintPass(int index);
  void PaintFail(int index);

 private:
  void RunAll();

  FormContext& ctx_;
};

}  // namespace halyard
