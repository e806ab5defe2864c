// The "Trim" tab: trim start, fine and gross adjustment, reserved row read and trim update.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "station/FormContext.h"

namespace halyard {

class TrimPanel {
 public:
  // What "Update Trim" runs to reprogram the controller when AutoUpdate is checked; the
  // station hands in the Programming tab's procedure. Returns its status, 0 for success.
  using Reprogram = std::function<int16_t()>;

  TrimPanel(FormContext& ctx, Reprogram reprogram) : ctx_(ctx), reprogram_(std::move(reprogram)) {}

  // "Start": midrange, silicon version check, trim firmware programmed and started, trim
  // register at midrange. Each failure shows its box titled "Error" and ends the start.
  void StartTrim_Click();

  // Setting a bar's value runs its change handler when, and only when, the value changes,
  // whether the operator or the program sets it.
  void SetFineAdjustValue(int16_t value);
  void SetGrossAdjustValue(int16_t value);
  void FineAdjust_Change();
  void GrossAdjust_Change();

  // Sends `command` to `device` (both hexadecimal text); a failure shows
  // "Error sending command N".
  int16_t SendCommandHex(const std::string& command, const std::string& device);
  // Writes `word` with `command` to `device` (all hexadecimal text); a failure shows
  // "Error writing word N".
  int16_t WriteWordHex(const std::string& command, const std::string& device,
                       const std::string& word);
  // Reads the block `command` from `device` into row text ("0A FF 30 "). Without a message;
  // the row text is empty unless the read succeeded.
  int16_t ReadBlockHex(const std::string& command, const std::string& device, std::string& rowText);
  // Selects the row at `rowAddress` and reads it as row text.
  int32_t ReadReservedRow(const std::string& rowAddress, std::string& rowText);
  // "Read Trim": shows the last eight bytes of the reserved row.
  void RsvFlashRd_Click();
  // "Update Trim": stores the shown trim in byte 30 of the reserved row, then, with
  // AutoUpdate checked, reprograms the controller firmware.
  void Update_Click();

 private:
  // The part of the update between the row read and the closing step. Leaves `location` and
  // `locationRead` telling whether controller location 0x0000 was read, and what it held.
  void WriteTrimRow(int16_t& location, bool& locationRead);
  // Clears bit 3 of controller location 0x0000 again, then reprograms when asked to; says so
  // in a box when the bit could not be cleared.
  void CloseTrimUpdate(int16_t location, bool locationRead);

  // Shows `prompt` in a box titled "Error" and fails the action's verdict with it.
  void ReportError(const std::string& prompt);

  FormContext& ctx_;
  Reprogram reprogram_;
};

}  // namespace halyard
