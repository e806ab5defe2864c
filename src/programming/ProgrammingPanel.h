// The "Programming" tab: programming the controller from the S-record file in SREC_Name.
#pragma once

#include <cstdint>

#include "app/FormContext.h"

namespace halyard {

class ProgrammingPanel {
 public:
  explicit ProgrammingPanel(FormContext& ctx) : ctx_(ctx) {}

  void Program_Click();
  int16_t ProgramFromSrec();

 private:
  FormContext& ctx_;
};

}  // namespace halyard
