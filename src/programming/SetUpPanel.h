// The "SetUp" tab: writing the test target's configuration block.
#pragma once

#include "app/FormContext.h"

namespace halyard {

class SetUpPanel {
 public:
  explicit SetUpPanel(FormContext& ctx) : ctx_(ctx) {}

  void Command1_Click();

 private:
  FormContext& ctx_;
};

}  // namespace halyard
