// The "Programming" tab: S-record programming.
#include "programming/ProgrammingPanel.h"

#include <cstdint>
#include <limits>
#include <string>

namespace halyard {

void ProgrammingPanel::Program_Click() {
  ProgramFromSrec();
  ctx_.result.measurements.programPassCount = ctx_.state.ProgramPassCount;
}

int16_t ProgrammingPanel::ProgramFromSrec() {
  const int16_t status = ctx_.ProgramSrecFile(ctx_.controls.SREC_Name.Text);
  ctx_.controls.Label7.Caption = std::to_string(status);
  if (status != 0) {
    ctx_.verdict.Fail(Reason::Own("programming: status " + std::to_string(status), status,
                                  StatusScope::kProgramming));
    // The box names the path as the window shows it, even if the control altered its copy.
    ctx_.dialogs.MsgBox("Error (error: " + std::to_string(status) +
                            ")programming device from srec: " + ctx_.controls.SREC_Name.Text,
                        0, "Programming Error");
    return status;
  }
  // A 16-bit count would wrap to a negative number; it stops at its largest value instead.
  int16_t& count = ctx_.state.ProgramPassCount;
  if (count < std::numeric_limits<int16_t>::max()) ++count;
  ctx_.controls.Label4.Caption = std::to_string(count);
  return status;
}

}  // namespace halyard
