// The Trim tab against a gmock adapter control, for what the simulated bench cannot show: the
// caption each nested handler's write sees, and a control that hands back another array.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "adapter/ModUSB.h"
#include "support/MockTarnelRW.h"
#include "trim/PanelHarness.h"

namespace halyard::testing {
namespace {

using ::testing::_;
using ::testing::IsEmpty;
using ::testing::NiceMock;
using ::testing::StrictMock;

// The panels on a mock whose word writes answer `status` and are recorded with the caption
// shown at that moment.
struct Recorder {
  explicit Recorder(int16_t status = 0) {
    ON_CALL(adapter, WriteSmbusWord(_, _, _))
        .WillByDefault([this, status](int16_t command, int16_t word, int16_t device) {
          char buf[64];
          std::snprintf(buf, sizeof buf, "%02X %04X %02X caption=", command,
                        static_cast<uint16_t>(word), device);
          writes.push_back(buf + h.controls.CurrentTrim.Caption);
          return status;
        });
  }
  NiceMock<MockTarnelRW> adapter;
  PanelHarness h{adapter};
  std::vector<std::string> writes;
};

TEST(TrimBars, OneStepRunsBothHandlersNestedOnceWhateverTheWritesAnswer) {
  struct Case {
    bool fine;
    int16_t asked, bar;
    std::vector<std::string> writes;  // the nested handler writes and shows first
    std::string caption;
  };
  const auto Writes = [](const std::string& word, const std::string& caption) {
    return std::vector<std::string>{"09 5001 16 caption=80", "0A " + word + " 16 caption=80",
                                    "09 5001 16 caption=" + caption,
                                    "0A " + word + " 16 caption=" + caption};
  };
  const std::vector<Case> cases{
      {true, 0x81, 0x81, Writes("0081", "7E"), "7E"},
      {false, 0x78, 0x78, Writes("0078", "87"), "87"},
      {true, 0x80, 0x80, {}, "80"},  // the current value: no handler runs
      {false, 0x80, 0x80, {}, "80"},
      {false, 0, 0, Writes("0000", "FF"), "FF"},
      {true, 245, 245, Writes("00F5", "A"), "A"},  // without a leading zero
      {false, 300, 255, Writes("00FF", "0"), "0"},
      {true, -5, 0, Writes("0000", "FF"), "FF"},
  };
  for (const int16_t status : {int16_t{0}, int16_t{5}}) {
    for (const Case& c : cases) {
      SCOPED_TRACE((c.fine ? "fine " : "gross ") + std::to_string(c.asked) + " status " +
                   std::to_string(status));
      Recorder r(status);
      c.fine ? r.h.trim.SetFineAdjustValue(c.asked) : r.h.trim.SetGrossAdjustValue(c.asked);
      // A failed write still moves the bars and the caption.
      if (status == 0) {
        EXPECT_EQ(r.writes, c.writes);
      }
      EXPECT_EQ(r.h.controls.FineAdjust.Value, c.bar);
      EXPECT_EQ(r.h.controls.GrossAdjust.Value, c.bar);
      EXPECT_EQ(r.h.controls.CurrentTrim.Caption, c.caption);
      EXPECT_THAT(r.h.dialogs.messages, IsEmpty());
    }
  }
}

// Only counts within the array the control hands back are read, even when that array is
// shorter than the one handed to it.
TEST(ReadBlockHex, CountsBeyondTheReturnedArrayAreRefused) {
  struct Case {
    size_t array;
    int16_t count, status;
    size_t textChars;
  };
  const std::vector<Case> cases{{129, 129, 0, 129 * 3},
                                {129, 130, kStatusBlockCountBeyondArray, 0},
                                {10, 10, 0, 30},
                                {10, 11, kStatusBlockCountBeyondArray, 0},
                                {129, -2, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.array) + " bytes, count " + std::to_string(c.count));
    StrictMock<MockTarnelRW> adapter;
    PanelHarness h(adapter);
    EXPECT_CALL(adapter, ReadSmbusBlock(0x0C, _, _, 0x17))
        .WillOnce([&c](int16_t, std::vector<uint8_t>& data, int16_t& length, int16_t) {
          data.assign(c.array, 0x55);
          length = c.count;
          return int16_t{0};
        });
    std::string row = "stale";
    EXPECT_EQ(h.trim.ReadBlockHex("C", "17", row), c.status);
    EXPECT_EQ(row.size(), c.textChars);
    EXPECT_THAT(h.dialogs.messages, IsEmpty());
  }
}

}  // namespace
}  // namespace halyard::testing
