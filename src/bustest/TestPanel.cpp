// The "Test" tab: test runner, result display and the four bus tests.
#include "bustest/TestPanel.h"

namespace halyard {

namespace {
void Paint(LabelState& label, uint32_t fore, uint32_t back, const char* caption) {
  label.ForeColor = fore;
  label.BackColor = back;
  label.Caption = caption;
}
}  // namespace

void TestPanel::PaintNeutral(int index) {
  Paint(ctx_.controls.Label6[static_cast<size_t>(index)], kColorNeutral, kColorNeutral, "");
}

void TestPanel::PaintPass(int index) {
  Paint(ctx_.controls.Label6[static_cast<size_t>(index)], kColorPassFore, kColorPassBack, "Pass");
}

void TestPanel::PaintFail(int index) {
  Paint(ctx_.controls.Label6[static_cast<size_t>(index)], kColorFailFore, kColorFailBack, "Fail");
}

void TestPanel::ResetTestStatus() {
  ctx_.state.TestPassed.fill(false);
  for (int i = 0; i <= kRunAllIndex; ++i) PaintNeutral(i);
}

// The runner and the tests themselves come with the bus test suite.
void TestPanel::Command2_Click(int16_t /*Index*/) {}
void TestPanel::RunAll() {}
bool TestPanel::TestVersion() { return false; }
bool TestPanel::TestSmbus() { return false; }
bool TestPanel::TestI2c() { return false; }
bool TestPanel::TestSwb() { return false; }

}  // namespace halyard
