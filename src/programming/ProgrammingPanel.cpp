// The "Programming" tab: S-record programming.
#include "programming/ProgrammingPanel.h"

namespace halyard {

void ProgrammingPanel::Program_Click() {}
int16_t ProgrammingPanel::ProgramFromSrec() { return 0; }

}  // namespace halyard
