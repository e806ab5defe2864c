// The control registry's table: one row per control of the station's window.
#include "app/ControlRegistry.h"

#include <algorithm>

#include "app/Form1.h"

namespace halyard {

namespace {

// The entry points, adapted to the one shape of a handler.
template <bool (Form1::*Entry)()>
bool Click(Form1& form, int, const ControlInput&) {
  return (form.*Entry)();
}

template <bool (Form1::*Entry)(int16_t)>
bool ClickAt(Form1& form, int index, const ControlInput&) {
  return (form.*Entry)(static_cast<int16_t>(index));
}

template <bool (Form1::*Entry)(int16_t)>
bool Move(Form1& form, int, const ControlInput& input) {
  return (form.*Entry)(input.value);
}

// Edits of text boxes and the check box start nothing and are always taken.
template <void (Form1::*Entry)(int16_t)>
bool Set(Form1& form, int, const ControlInput& input) {
  (form.*Entry)(input.value);
  return true;
}

template <void (Form1::*Entry)(const std::string&)>
bool Edit(Form1& form, int, const ControlInput& input) {
  (form.*Entry)(std::string(input.text));
  return true;
}

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
constexpr ControlEntry Row(const char* name, State FormControls::*member, Report report,
                           ControlHandler handler = nullptr) {
  return {name, -1, KindOf<State>(), StateIn<State>{member, nullptr}, "", report, handler};
}

template <typename State>
constexpr ControlEntry Row(const char* name, int index,
                           std::array<State, kControlArraySize> FormControls::*array, Report report,
                           ControlHandler handler = nullptr) {
  return {name, index, KindOf<State>(), StateIn<State>{nullptr, array}, "", report, handler};
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
    Row("SSTab1", &C::SSTab1, kValue, &Move<&Form1::SelectTab>),
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
    Row("SREC_Name", &C::SREC_Name, kValue, &Edit<&Form1::SetSrecName>),
    Row("TrimFilePathAndName", &C::TrimFilePathAndName, kValue,
        &Edit<&Form1::SetTrimFilePathAndName>),
    Row("ReservedRow", &C::ReservedRow, kValue),  // the station only writes it
    Row("AutoUpdate", &C::AutoUpdate, kValue, &Set<&Form1::SetAutoUpdate>),
    Row("FineAdjust", &C::FineAdjust, kValue, &Move<&Form1::MoveFineAdjust>),
    Row("GrossAdjust", &C::GrossAdjust, kValue, &Move<&Form1::MoveGrossAdjust>),

    // The rest of the window's state.
    Row("TitleFrame", &C::TitleFrame, kNo),
    Row("Program", &C::Program, kNo, &Click<&Form1::Program_Click>),
    Row("Command2", 0, &C::Command2, kNo, &ClickAt<&Form1::Command2_Click>),
    Row("Command2", 1, &C::Command2, kNo, &ClickAt<&Form1::Command2_Click>),
    Row("Command2", 2, &C::Command2, kNo, &ClickAt<&Form1::Command2_Click>),
    Row("Command2", 3, &C::Command2, kNo, &ClickAt<&Form1::Command2_Click>),
    Row("Command2", 4, &C::Command2, kNo, &ClickAt<&Form1::Command2_Click>),
    Row("Command1", &C::Command1, kNo, &Click<&Form1::Command1_Click>),
    Row("StartTrim", &C::StartTrim, kNo, &Click<&Form1::StartTrim_Click>),
    Row("Update", &C::Update, kNo, &Click<&Form1::Update_Click>),
    Row("RsvFlashRd", &C::RsvFlashRd, kNo, &Click<&Form1::RsvFlashRd_Click>),

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
