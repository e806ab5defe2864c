// The control registry's table: one row per control of the station's window.
#include "app/ControlRegistry.h"

#include <algorithm>

namespace halyard {

namespace {

template <typename State>
constexpr ControlKind KindOf() {
  if constexpr (std::is_same_v<State, FrameState>) return ControlKind::kFrame;
  if constexpr (std::is_same_v<State, LabelState>) return ControlKind::kLabel;
  if constexpr (std::is_same_v<State, ButtonState>) return ControlKind::kButton;
  if constexpr (std::is_same_v<State, TextBoxState>) return ControlKind::kTextBox;
  if constexpr (std::is_same_v<State, CheckBoxState>) return ControlKind::kCheckBox;
  if constexpr (std::is_same_v<State, ScrollBarState>) return ControlKind::kVScrollBar;
  if constexpr (std::is_same_v<State, TabControlState>) return ControlKind::kTabControl;
}

// A row's kind follows from the type of its state, so the two cannot disagree.
template <typename State>
constexpr ControlEntry Row(const char* name, State FormControls::*member, Report report) {
  return {name, -1, KindOf<State>(), StateIn<State>{member, nullptr}, "", report};
}

template <typename State>
constexpr ControlEntry Row(const char* name, int index,
                           std::array<State, kControlArraySize> FormControls::*array,
                           Report report) {
  return {name, index, KindOf<State>(), StateIn<State>{nullptr, array}, "", report};
}

constexpr ControlEntry Static(const char* name, ControlKind kind, const char* caption) {
  return {name, -1, kind, std::monostate{}, caption};
}

using C = FormControls;
using K = ControlKind;
constexpr Report kNo = Report::kNone;
constexpr Report kValue = Report::kValue;
constexpr Report kColours = Report::kValueAndColours;

constexpr std::array kRegistry{
    // Reported by halyardctl, in the order of its "form" object, which scripts read: a new
    // reported control goes after GrossAdjust.
    Row("SSTab1", &C::SSTab1, kValue),
    Row("Ver", &C::Ver, kValue),
    Row("Label6", 0, &C::Label6, kColours),
    Row("Label6", 1, &C::Label6, kColours),
    Row("Label6", 2, &C::Label6, kColours),
    Row("Label6", 3, &C::Label6, kColours),
    Row("Label6", 4, &C::Label6, kColours),
    Row("Label5", 0, &C::Label5, kValue),
    Row("Label5", 1, &C::Label5, kValue),
    Row("Label5", 2, &C::Label5, kValue),
    Row("Label5", 3, &C::Label5, kValue),
    Row("Label5", 4, &C::Label5, kValue),
    Row("Label3", &C::Label3, kValue),
    Row("Label4", &C::Label4, kValue),
    Row("Label7", &C::Label7, kValue),
    Row("CurrentTrim", &C::CurrentTrim, kValue),
    Row("SREC_Name", &C::SREC_Name, kValue),
    Row("TrimFilePathAndName", &C::TrimFilePathAndName, kValue),
    Row("ReservedRow", &C::ReservedRow, kValue),  // the station only writes it
    Row("AutoUpdate", &C::AutoUpdate, kValue),
    Row("FineAdjust", &C::FineAdjust, kValue),
    Row("GrossAdjust", &C::GrossAdjust, kValue),

    // The rest of the window's state.
    Row("TitleFrame", &C::TitleFrame, kNo),
    Row("Program", &C::Program, kNo),
    Row("Command2", 0, &C::Command2, kNo),
    Row("Command2", 1, &C::Command2, kNo),
    Row("Command2", 2, &C::Command2, kNo),
    Row("Command2", 3, &C::Command2, kNo),
    Row("Command2", 4, &C::Command2, kNo),
    Row("Command1", &C::Command1, kNo),
    Row("StartTrim", &C::StartTrim, kNo),
    Row("Update", &C::Update, kNo),
    Row("RsvFlashRd", &C::RsvFlashRd, kNo),

    // Static captions.
    Static("Label28", K::kLabel, "Halyard Test Program"),
    Static("Frame1", K::kFrame, "s-Record File"),
    Static("Label2", K::kLabel, "Succeeded:"),
    Static("Label1", K::kLabel, "Succeeded:"),
    Static("Label12", K::kLabel, "Trim SREC"),
    Static("Label9", K::kLabel, "Auto update controller firmware"),
    Static("Frame3", K::kFrame, "Frequency Adjust"),
    Static("Label8", K::kLabel, "Current Trim Value: 0x"),
};

}  // namespace

std::span<const ControlEntry> ControlRegistry() {
  return kRegistry;
}

const ControlEntry* FindControl(std::string_view name, int index) {
  const auto it = std::ranges::find_if(kRegistry, [&](const ControlEntry& entry) {
    return entry.name == name && entry.index == index;
  });
  return it == kRegistry.end() ? nullptr : &*it;
}

std::string ControlKey(std::string_view name, int index) {
  std::string key(name);
  if (index >= 0) key += "(" + std::to_string(index) + ")";
  return key;
}

std::string DesignCaption(const ControlEntry& entry) {
  const FormControls design;  // every member at its design value
  if (const auto* label = StateOf<LabelState>(entry, design)) return label->Caption;
  if (const auto* button = StateOf<ButtonState>(entry, design)) return button->Caption;
  if (const auto* box = StateOf<TextBoxState>(entry, design)) return box->Text;
  return entry.caption;
}

}  // namespace halyard
