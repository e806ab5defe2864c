// The "Trim" tab: trim start, fine and gross adjustment, reserved row read and trim update.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
  // The operator moves a bar to `value`.
  void MoveFineAdjust(int16_t value);
  void MoveGrossAdjust(int16_t value);

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
  // Controller location 0x0000 as the update handles it: bit 3 opens the flash to row writes.
  struct FlashWriteEnable {
    int16_t location = 0;  // what the location held, once read
    bool read = false;
    bool written = false;  // the update sent bit 3 set: the flash may be open to writes
  };

  // Everything after "Start"'s midrange: the silicon version, the trim firmware programmed and
  // started, the trim register.
  void StartTrimFirmware();
  // The part of the update between the row read and the closing step.
  void WriteTrimRow(FlashWriteEnable& enable);
  // Clears bit 3 of controller location 0x0000 again, then reprograms when asked to; says so
  // in a box when the bit could not be cleared after the update set it.
  void CloseTrimUpdate(FlashWriteEnable& enable);
  // Reprograms the controller when AutoUpdate is checked.
  void ReprogramWhenAsked();

  // Shows `prompt` in a box titled "Error" and fails the action's verdict with it and the
  // status of the call that failed, if one did.
  void ReportError(const std::string& prompt, std::optional<int16_t> status = std::nullopt,
                   StatusScope scope = StatusScope::kAnyOperation);
  // The trim shown and both bars, into the action's result.
  void NoteTrim();

  FormContext& ctx_;
  Reprogram reprogram_;
  std::vector<uint8_t> lastBlock_;  // the bytes of the last block read that succeeded
};

}  // namespace halyard
