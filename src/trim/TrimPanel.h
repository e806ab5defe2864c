// The "Trim" tab: trim start, fine and gross adjustment, reserved row read and trim update.
#pragma once

#include <cstdint>
#include <string>

#include "app/FormContext.h"
#include "programming/ProgrammingPanel.h"

namespace halyard {

class TrimPanel {
 public:
  TrimPanel(FormContext& ctx, ProgrammingPanel& programming)
      : ctx_(ctx), programming_(programming) {}

  void StartTrim_Click();

  // Setting a bar's value runs its change handler when, and only when, the value changes,
  // whether the operator or the program sets it.
  void SetFineAdjustValue(int16_t value);
  void SetGrossAdjustValue(int16_t value);
  void FineAdjust_Change();
  void GrossAdjust_Change();

  int16_t SendCommandHex(const std::string& command, const std::string& device);
  int16_t WriteWordHex(const std::string& command, const std::string& device,
                       const std::string& word);
  int16_t ReadBlockHex(const std::string& command, const std::string& device,
                       std::string& rowText);
  int32_t ReadReservedRow(const std::string& rowAddress, std::string& rowText);
  void RsvFlashRd_Click();
  void Update_Click();

 private:
  FormContext& ctx_;
  ProgrammingPanel& programming_;
};

}  // namespace halyard
