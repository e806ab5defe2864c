// The "Programming" tab: programming the controller from the S-record file in SREC_Name.
#pragma once

#include <cstdint>

#include "station/FormContext.h"

namespace halyard {

class ProgrammingPanel {
 public:
  explicit ProgrammingPanel(FormContext& ctx) : ctx_(ctx) {}

  void Program_Click();
  // Programs the file named in SREC_Name; shows the status in Label7, counts a success in
  // ProgramPassCount (shown in Label4) and reports a failure in a "Programming Error" box.
  // Returns the control's status, 0 for success.
  int16_t ProgramFromSrec();

 private:
  FormContext& ctx_;
};

}  // namespace halyard
