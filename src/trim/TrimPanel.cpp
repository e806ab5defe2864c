// The "Trim" tab: trim start, the two trim bars, the reserved row and the trim update.
#include "trim/TrimPanel.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "adapter/ModUSB.h"
#include "adapter/Utils.h"

namespace halyard {

namespace {
constexpr int kClosingAttempts = 2;
constexpr size_t kWriteBufferSize = 257;
constexpr size_t kRowTextPerByte = 3;  // two digits and a blank
constexpr size_t kShownDigits = 16;    // the last eight bytes
constexpr float kRowWritePause = 0.3f;
const std::string kErrorTitle = "Error";
const std::string kFlashLeftOpen =
    "The controller's flash is still write-enabled: clearing bit 3 of location 0x0000 failed "
    "twice. Press \"Update Trim\" again, or reprogram the controller.";

std::string ShownTrim(int16_t value) {
  return Utils::HexDigits(static_cast<unsigned>(255 - value));
}

// The row text without its blanks: two digits per byte.
std::string RowDigits(const std::string& rowText) {
  std::string digits;
  for (size_t i = 0; i < rowText.size(); i += kRowTextPerByte) {
    digits += rowText.substr(i, 2);
  }
  return digits;
}

std::string LastChars(const std::string& text, size_t n) {
  return text.size() <= n ? text : text.substr(text.size() - n);
}

// The shown trim as the two digits of byte 30, or nothing when the caption is not a trim.
std::optional<std::string> TrimByteDigits(const std::string& caption) {
  std::string digits = caption.size() == 1 ? "0" + caption : caption;
  if (digits.size() != 2) return std::nullopt;
  for (char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
  }
  return digits;
}
// Puts a bar at `value` within its limits; true when that changed it, so its handler is due.
bool SetBarValue(ScrollBarState& bar, int16_t value) {
  value = std::clamp(value, bar.Min, bar.Max);
  if (bar.Value == value) return false;
  bar.Value = value;
  return true;
}
}  // namespace

void TrimPanel::ReportError(const std::string& prompt, std::optional<int16_t> status,
                            StatusScope scope) {
  ctx_.dialogs.MsgBox(prompt, 0, kErrorTitle);
  ctx_.verdict.Fail(Reason::Said(prompt, status, scope));
}

void TrimPanel::NoteTrim() {
  ctx_.result.measurements.trim =
      TrimMeasurement{ctx_.controls.CurrentTrim.Caption, ctx_.controls.FineAdjust.Value,
                      ctx_.controls.GrossAdjust.Value};
}

void TrimPanel::StartTrim_Click() {
  SetFineAdjustValue(kTrimMidrange);
  SetGrossAdjustValue(kTrimMidrange);
  ctx_.controls.CurrentTrim.Caption = Utils::HexDigits(kTrimMidrange);
  StartTrimFirmware();
  NoteTrim();
}

void TrimPanel::StartTrimFirmware() {
  uint8_t major = 0;
  uint8_t minor = 0;
  if (const int16_t status = ctx_.modUSB.ReadWordBytes(kCmdSiliconVersion, major, minor);
      status != 0) {
    ReportError("Could not determine if Halyard controller is in ROM", status);
    return;
  }
  if (major != 1 || (minor != 4 && minor != 5)) {
    ReportError("Detected the wrong platform.  Reported Silicon version: " + std::to_string(major) +
                "." + std::to_string(minor));
    return;
  }

  const int16_t programmed = ctx_.ProgramSrecFile(ctx_.controls.TrimFilePathAndName.Text);
  if (programmed != 0) {
    ReportError("Programming the gxTrim srec into the Halyard controller failed", programmed,
                StatusScope::kProgramming);
    return;
  }
  if (const int16_t status =
          SendCommandHex(Utils::HexDigits(kCmdTrimStart), Utils::HexDigits(kTrimFirmwareDevice));
      status != 0) {
    ReportError("Could not start the controller trim program", status);
    return;
  }
  if (const int16_t status = ctx_.modUSB.WriteControllerByte(kTrimRegister, kTrimMidrange);
      status != 0) {
    ReportError("Transaction to set midrange osc trim value failed", status);
    return;
  }
  // The trim firmware does without this flag; a failure here is not the operator's concern,
  // but a script's verdict still hears of it.
  ctx_.verdict.Check(ctx_.modUSB.WriteControllerByte(kTrimFirmwareFlag, kTrimFirmwareFlagValue),
                     "writing the trim firmware flag");
}

void TrimPanel::MoveFineAdjust(int16_t value) {
  SetFineAdjustValue(value);
  NoteTrim();
}

void TrimPanel::MoveGrossAdjust(int16_t value) {
  SetGrossAdjustValue(value);
  NoteTrim();
}

void TrimPanel::SetFineAdjustValue(int16_t value) {
  if (SetBarValue(ctx_.controls.FineAdjust, value)) FineAdjust_Change();
}

void TrimPanel::SetGrossAdjustValue(int16_t value) {
  if (SetBarValue(ctx_.controls.GrossAdjust, value)) GrossAdjust_Change();
}

// Each handler first brings the other bar along, whose handler then runs nested and finds
// this bar already equal; so one step writes the register twice and sets the caption twice.
void TrimPanel::FineAdjust_Change() {
  SetGrossAdjustValue(ctx_.controls.FineAdjust.Value);
  const std::string shown = ShownTrim(ctx_.controls.FineAdjust.Value);
  ctx_.verdict.Check(ctx_.modUSB.WriteControllerByte(kTrimRegister, ctx_.controls.FineAdjust.Value),
                     "writing the trim register");
  ctx_.controls.CurrentTrim.Caption = shown;
}

void TrimPanel::GrossAdjust_Change() {
  SetFineAdjustValue(ctx_.controls.GrossAdjust.Value);
  const std::string shown = ShownTrim(ctx_.controls.GrossAdjust.Value);
  ctx_.verdict.Check(ctx_.modUSB.WriteControllerByte(kTrimRegister, ctx_.controls.FineAdjust.Value),
                     "writing the trim register");
  ctx_.controls.CurrentTrim.Caption = shown;
}

int16_t TrimPanel::SendCommandHex(const std::string& command, const std::string& device) {
  const int16_t cmd = Utils::HexToInt(command);
  const int16_t dev = Utils::HexToInt(device);
  const int16_t status = ctx_.TarnelRW1.SendSmbusCommand(cmd, dev);
  if (status != 0) {
    ReportError("Error sending command " + std::to_string(cmd), status);
  }
  return status;
}

int16_t TrimPanel::WriteWordHex(const std::string& command, const std::string& device,
                                const std::string& word) {
  const int16_t cmd = Utils::HexToInt(command);
  const int16_t dev = Utils::HexToInt(device);
  const int16_t value = Utils::HexToInt(word);
  // The control takes the word between the command and the device.
  const int16_t status = ctx_.TarnelRW1.WriteSmbusWord(cmd, value, dev);
  if (status != 0) {
    ReportError("Error writing word " + std::to_string(cmd), status);
  }
  return status;
}

int16_t TrimPanel::ReadBlockHex(const std::string& command, const std::string& device,
                                std::string& rowText) {
  rowText.clear();
  std::vector<uint8_t> buffer(kBlockReadBufferSize, 0);
  int16_t length = 0;
  const int16_t cmd = Utils::HexToInt(command);
  const int16_t dev = Utils::HexToInt(device);
  const int16_t status = ctx_.TarnelRW1.ReadSmbusBlock(cmd, buffer, length, dev);
  if (status != 0) return status;
  // The control may hand back a different array; a count beyond it cannot be trusted.
  const int valid = ValidBlockBytes(length, buffer.size());
  if (valid < 0) return kStatusBlockCountBeyondArray;
  lastBlock_.assign(buffer.begin(), buffer.begin() + valid);
  rowText.reserve(static_cast<size_t>(valid) * kRowTextPerByte);
  for (int i = 0; i < valid; ++i) {
    rowText += Utils::HexDigits(buffer[static_cast<size_t>(i)], 2);
    rowText += ' ';
  }
  return status;
}

int32_t TrimPanel::ReadReservedRow(const std::string& rowAddress, std::string& rowText) {
  const int16_t status = WriteWordHex(Utils::HexDigits(kCmdRowAddress),
                                      Utils::HexDigits(kTrimFirmwareDevice), rowAddress);
  if (status != 0) return status;
  return ReadBlockHex(Utils::HexDigits(kCmdRowRead), Utils::HexDigits(kTrimFirmwareDevice),
                      rowText);
}

void TrimPanel::RsvFlashRd_Click() {
  const std::string before = ctx_.controls.ReservedRow.Text;
  std::string rowText;
  if (ctx_.verdict.Check(ReadReservedRow(Utils::HexDigits(kReservedRowAddress), rowText),
                         "reading the reserved row")) {
    if (lastBlock_.size() == kRowBytes) {
      ctx_.result.measurements.rowRead = lastBlock_;
    } else {
      ctx_.verdict.Fail("the reserved row read " + std::to_string(lastBlock_.size()) +
                        " bytes, not 32");
    }
  }
  ctx_.controls.ReservedRow.Text = LastChars(RowDigits(rowText), kShownDigits);
  ctx_.result.NoteRow(before, ctx_.controls.ReservedRow.Text);
  NoteTrim();
}

void TrimPanel::Update_Click() {
  const std::string before = ctx_.controls.ReservedRow.Text;
  ctx_.controls.ReservedRow.Text.clear();
  FlashWriteEnable enable;
  WriteTrimRow(enable);
  CloseTrimUpdate(enable);
  ctx_.result.NoteRow(before, ctx_.controls.ReservedRow.Text);
  NoteTrim();
  ctx_.result.measurements.autoUpdate = ctx_.controls.AutoUpdate.Value;
  ctx_.result.measurements.programPassCount = ctx_.state.ProgramPassCount;
}

void TrimPanel::WriteTrimRow(FlashWriteEnable& enable) {
  ActionVerdict& verdict = ctx_.verdict;
  std::string rowText;
  if (!verdict.Check(ReadReservedRow(Utils::HexDigits(kReservedRowAddress), rowText),
                     "reading the reserved row"))
    return;
  // Anything but a whole row would be written back as something other than the row read:
  // a shorter one padded with zeros, a longer one cut, and the trim byte in the wrong place.
  if (rowText.size() != kRowBytes * kRowTextPerByte) {
    verdict.Fail("the reserved row read " + std::to_string(rowText.size() / kRowTextPerByte) +
                 " bytes, not 32");
    return;
  }
  const std::optional<std::string> trimDigits = TrimByteDigits(ctx_.controls.CurrentTrim.Caption);
  if (!trimDigits) {
    verdict.Fail("the shown trim is not a byte");
    return;
  }

  std::string digits;
  for (size_t k = 0; k < kRowBytes; ++k) {
    digits += k == kTrimByteIndex ? *trimDigits : rowText.substr(k * kRowTextPerByte, 2);
  }
  digits += Utils::HexDigits(kRowWriteTail, 2);

  std::vector<uint8_t> buffer(kWriteBufferSize, 0);
  int16_t converted = 0;
  std::string conversion = digits;
  if (!Utils::HexTextToBytes(conversion, buffer, converted)) {
    verdict.Fail("the row read is not hexadecimal");
    return;
  }

  // Whatever the controller makes of this word, the row write does not depend on its outcome.
  ctx_.modUSB.WriteWordBytes(kCmdRowUpdatePrepare, 0x0F, 0x00);
  if (!verdict.Check(ctx_.modUSB.ReadControllerByte(kRowWriteLocation, enable.location),
                     "reading flash write enable"))
    return;
  enable.read = true;
  // Once the value has gone out the flash may be open to writes, whatever the write answered.
  if (!verdict.Check(ctx_.modUSB.WriteControllerByte(
                         kRowWriteLocation, static_cast<int16_t>(enable.location | kRowWriteEnable),
                         enable.written),
                     "setting flash write enable"))
    return;
  ctx_.utils.WaitSeconds(kRowWritePause);
  // The row address is still the one the read selected.
  if (!verdict.Check(
          ctx_.TarnelRW1.WriteSmbusWord(kCmdRowWriteArm, kRowWriteArmWord, kTrimFirmwareDevice),
          "arming the row write"))
    return;
  ctx_.utils.WaitSeconds(kRowWritePause);
  const int16_t written =
      ctx_.TarnelRW1.WriteSmbusBlock(kCmdRowWrite, buffer, kRowWriteCount, kTrimFirmwareDevice);
  // The pause follows the block whatever its status: a failed write may still be running in
  // the flash, and the closing write must not overtake it.
  ctx_.utils.WaitSeconds(kRowWritePause);
  if (!verdict.Check(written, "writing the reserved row")) return;  // no row shown, none written
  ctx_.controls.ReservedRow.Text = LastChars(digits, kShownDigits);
}

void TrimPanel::CloseTrimUpdate(FlashWriteEnable& enable) {
  // Bit 3 left set keeps the row open to writes, so one failed transaction gets a second
  // attempt; when the second succeeds, the update goes on as if the first had. The location's
  // other bits must survive: without a value read from it, it is read first, and left alone
  // when that read fails.
  int16_t status = 0;
  for (int attempt = 0; attempt < kClosingAttempts; ++attempt) {
    if (!enable.read) {
      status = ctx_.modUSB.ReadControllerByte(kRowWriteLocation, enable.location);
      if (status != 0) continue;
      enable.read = true;
    }
    const auto cleared = static_cast<int16_t>(enable.location & ~kRowWriteEnable & 0xFF);
    status = ctx_.modUSB.WriteControllerByte(kRowWriteLocation, cleared);
    if (status != 0) continue;
    ReprogramWhenAsked();
    return;
  }
  if (enable.written) {
    // Never in silence: the flash stays open to writes until someone clears the bit.
    ReportError(kFlashLeftOpen, status);
    return;
  }
  // This update never enabled the flash, so it leaves nothing open: the location stays as the
  // update found it, and the reprogramming asked for goes ahead. The verdict names the fault.
  ctx_.verdict.Check(status, "reading flash write enable");
  ReprogramWhenAsked();
}

void TrimPanel::ReprogramWhenAsked() {
  // Only "checked" asks for it; the grey state does not.
  if (ctx_.controls.AutoUpdate.Value == 1) reprogram_();
}

}  // namespace halyard
