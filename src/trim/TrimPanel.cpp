// The "Trim" tab.
#include "trim/TrimPanel.h"

#include <cstdio>

namespace halyard {

namespace {
constexpr int16_t kTrimRegister = 0x5001;

std::string ShownTrim(int16_t value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(255 - value));
  return buf;
}
}  // namespace

void TrimPanel::SetFineAdjustValue(int16_t value) {
  ScrollBarState& bar = ctx_.controls.FineAdjust;
  if (value < bar.Min) value = bar.Min;
  if (value > bar.Max) value = bar.Max;
  if (bar.Value == value) return;
  bar.Value = value;
  FineAdjust_Change();
}

void TrimPanel::SetGrossAdjustValue(int16_t value) {
  ScrollBarState& bar = ctx_.controls.GrossAdjust;
  if (value < bar.Min) value = bar.Min;
  if (value > bar.Max) value = bar.Max;
  if (bar.Value == value) return;
  bar.Value = value;
  GrossAdjust_Change();
}

void TrimPanel::FineAdjust_Change() {
  SetGrossAdjustValue(ctx_.controls.FineAdjust.Value);
  const std::string shown = ShownTrim(ctx_.controls.FineAdjust.Value);
  ctx_.modUSB.WriteControllerByte(kTrimRegister, ctx_.controls.FineAdjust.Value);
  ctx_.controls.CurrentTrim.Caption = shown;
}

void TrimPanel::GrossAdjust_Change() {
  SetFineAdjustValue(ctx_.controls.GrossAdjust.Value);
  const std::string shown = ShownTrim(ctx_.controls.GrossAdjust.Value);
  ctx_.modUSB.WriteControllerByte(kTrimRegister, ctx_.controls.FineAdjust.Value);
  ctx_.controls.CurrentTrim.Caption = shown;
}

// Trim start, the reserved row and the trim update come with the trim work.
void TrimPanel::StartTrim_Click() {}
int16_t TrimPanel::SendCommandHex(const std::string&, const std::string&) { return 0; }
int16_t TrimPanel::WriteWordHex(const std::string&, const std::string&, const std::string&) {
  return 0;
}
int16_t TrimPanel::ReadBlockHex(const std::string&, const std::string&, std::string&) { return 0; }
int32_t TrimPanel::ReadReservedRow(const std::string&, std::string&) { return 0; }
void TrimPanel::RsvFlashRd_Click() {}
void TrimPanel::Update_Click() {}

}  // namespace halyard
