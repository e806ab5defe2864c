// The "SetUp" tab: test target configuration.
#include "programming/SetUpPanel.h"

namespace halyard {

void SetUpPanel::Command1_Click() {}

}  // namespace halyard
