// The "SetUp" tab: writing the test target's configuration block (flag byte 0x51, length
// 0x20, identification text from 0x21 on, I2C device 0xA0).
#pragma once

#include <cstdint>

#include "station/FormContext.h"

namespace halyard {

class SetUpPanel {
 public:
  explicit SetUpPanel(FormContext& ctx) : ctx_(ctx) {}

  // Configures the target; on success selects the "Test" tab and marks the target configured.
  // The run of accesses is closed in every case.
  void Command1_Click();

 private:
  // Opens the run and writes flag, length and text; false at the first failed transfer.
  bool WriteConfigurationBlock(int16_t& value);

  FormContext& ctx_;
};

}  // namespace halyard
