// The "SetUp" tab: test target configuration.
#include "setup/SetUpPanel.h"

namespace halyard {

namespace {
constexpr int16_t kFlagConfigured = 0x01;
}  // namespace

void SetUpPanel::Command1_Click() {
  // One variable carries the value argument of every call, the closing one included.
  int16_t value = 0;
  if (WriteConfigurationBlock(value)) {
    ctx_.controls.SSTab1.Tab = kTabTest;  // selected by the program: the guard does not run
    // The block just written is what start-up's check looks for, so the Test tab that was
    // just selected must stay reachable.
    ctx_.state.TargetNotConfigured = false;
  }
  ctx_.verdict.Check(ctx_.TarnelRW1.I2cAccess(kI2cBracket, kBracketClose, 0, value),
                     "closing the I2C run");
  ctx_.result.measurements.target =
      TargetMeasurement{!ctx_.state.TargetNotConfigured, ctx_.state.TargetIdString};
}

bool SetUpPanel::WriteConfigurationBlock(int16_t& value) {
  auto& control = ctx_.TarnelRW1;
  // Only a failed character has a message; every failure fails the verdict.
  ActionVerdict& verdict = ctx_.verdict;
  if (!verdict.Check(control.I2cAccess(kI2cBracket, kBracketOpen, 0, value), "opening the I2C run"))
    return false;
  if (!verdict.Check(control.I2cAccess(kI2cRead, kTargetI2cDevice, kTargetFlagRegister, value),
                     "reading the flag byte"))
    return false;
  // Only bit 0 is ours; the other seven bits of the flag byte go back as they were read.
  value = static_cast<int16_t>(value | kFlagConfigured);
  if (!verdict.Check(control.I2cAccess(kI2cWrite, kTargetI2cDevice, kTargetFlagRegister, value),
                     "writing the flag byte"))
    return false;
  const std::string& id = ctx_.state.TargetIdString;
  value = static_cast<int16_t>(id.size());
  if (!verdict.Check(control.I2cAccess(kI2cWrite, kTargetI2cDevice, kTargetLengthRegister, value),
                     "writing the text length"))
    return false;
  // WriteConfigString shows its own message when a character cannot be written.
  return verdict.Check(
      ctx_.modUSB.WriteConfigString(kTargetTextRegister, static_cast<int16_t>(id.size()),
                                    kTargetI2cDevice, id),
      "writing the identification text");
}

}  // namespace halyard
