// What the tracing layer keeps of each operation and the trace line it shows, with distinct values
// in every argument: a field taken from the wrong argument, kept at the wrong time (an in-out
// argument the backend changes), printed in the wrong form or order, or a count not cut shows
// here. The golden traces (tests/*/golden) hold whole procedures.
#include "adapter/TracingAdapter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <utility>

#include "support/MockTarnelRW.h"

namespace halyard {

// The line, then which fields are set: a stray field, which the line never shows, shows here.
void PrintTo(const BusCall& call, std::ostream* os) {
  *os << TraceLine(call);
  for (const auto& [label, values] :
       {std::pair{" | in:", &call.inputs}, {" | out:", &call.outputs}}) {
    *os << label;
    values->ForEach([&](Field field, const auto& member) {
      if (member) *os << ' ' << Describe(field).key;
    });
  }
}

namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::SetArgReferee;
using Mock = NiceMock<testing::MockTarnelRW>;
using Bytes = std::vector<uint8_t>;

// One operation: how the backend answers it, the call with the caller's variables (returning
// its status, 0 for the two without one), what the tracer keeps and the line it shows.
struct TracedRow {
  std::function<void(Mock&)> answer;
  std::function<int16_t(TarnelRW&)> call;
  BusCall kept;
  std::string line;
};

BusCall Kept(Operation op, int16_t status, FieldValues inputs, FieldValues outputs = {}) {
  return {op, status, std::move(inputs), std::move(outputs)};
}

std::vector<TracedRow> TracedRows() {
  using enum Operation;
  return {
      {[](Mock& m) { ON_CALL(m, OpenDevice("HALYARD-7")).WillByDefault(Return(3)); },
       [](TarnelRW& c) { return c.OpenDevice("HALYARD-7"); },
       Kept(kOpenDevice, 3, {.name = "HALYARD-7"}), R"(OpenDevice name="HALYARD-7" -> 3)"},
      {[](Mock&) {},
       [](TarnelRW& c) {
         c.CloseDevice();
         return int16_t{0};
       },
       Kept(kCloseDevice, 0, {}), "CloseDevice"},
      {[](Mock& m) {
         ON_CALL(m, ListDevices(2, _, _))
             .WillByDefault(DoAll(SetArgReferee<1>(70000), SetArgReferee<2>(std::string("A,B"))));
       },
       [](TarnelRW& c) {
         int32_t count = 5;
         std::string names = "old";
         c.ListDevices(2, count, names);
         return int16_t{0};
       },
       Kept(kListDevices, 0, {.kind = 2}, {.count = 70000, .names = "A,B"}),
       R"(ListDevices kind=2 -> count=70000 names="A,B")"},
      {[](Mock& m) { ON_CALL(m, WriteSmbusWord(0x0D, -20000, 0x16)).WillByDefault(Return(4)); },
       [](TarnelRW& c) { return c.WriteSmbusWord(0x0D, -20000, 0x16); },
       Kept(kWriteSmbusWord, 4, {.command = 0x0D, .word = -20000, .device = 0x16}),
       "WriteSmbusWord command=0x0D word=0xB1E0 device=0x16 -> 4"},
      {[](Mock& m) {
         ON_CALL(m, ReadSmbusWord(0x100, _, -1))
             .WillByDefault(DoAll(SetArgReferee<1>(int16_t{-20000}), Return(5)));
       },
       [](TarnelRW& c) {
         int16_t word = 0x0101;
         return c.ReadSmbusWord(0x100, word, -1);
       },
       Kept(kReadSmbusWord, 5, {.command = 0x100, .device = -1}, {.word = -20000}),
       "ReadSmbusWord command=0x100 device=0xFFFF -> 5 word=0xB1E0"},
      {[](Mock& m) { ON_CALL(m, WriteSmbusBlock(0x10, _, 2, 0x1234)).WillByDefault(Return(6)); },
       [](TarnelRW& c) {
         return c.WriteSmbusBlock(0x10, {0x00, 0x7F, 0xA5}, 2, 0x1234);
       },
       Kept(kWriteSmbusBlock, 6,
            {.count = 2, .command = 0x10, .device = 0x1234, .data = Bytes{0x00, 0x7F}}),
       "WriteSmbusBlock command=0x10 count=2 device=0x1234 data=00 7F -> 6"},
      {[](Mock& m) {
         ON_CALL(m, ReadSmbusBlock(0x0C, _, _, 0x17))
             .WillByDefault(DoAll(SetArgReferee<1>(Bytes{0x00, 0x7F, 0xA5}),
                                  SetArgReferee<2>(int16_t{2}), Return(7)));
       },
       [](TarnelRW& c) {
         Bytes data(1, 0xEE);
         int16_t count = 9;
         return c.ReadSmbusBlock(0x0C, data, count, 0x17);
       },
       Kept(kReadSmbusBlock, 7, {.command = 0x0C, .device = 0x17},
            {.count = 2, .data = Bytes{0x00, 0x7F}}),
       "ReadSmbusBlock command=0x0C device=0x17 -> 7 count=2 data=00 7F"},
      {[](Mock& m) { ON_CALL(m, SendSmbusCommand(0x08, 0x17)).WillByDefault(Return(8)); },
       [](TarnelRW& c) { return c.SendSmbusCommand(0x08, 0x17); },
       Kept(kSendSmbusCommand, 8, {.command = 0x08, .device = 0x17}),
       "SendSmbusCommand command=0x08 device=0x17 -> 8"},
      {[](Mock& m) { ON_CALL(m, GetWriteStatus()).WillByDefault(Return(-7)); },
       [](TarnelRW& c) { return c.GetWriteStatus(); }, Kept(kGetWriteStatus, -7, {}),
       "GetWriteStatus -> -7"},
      // The value goes in as 0x0102 and comes back as 0x00AB: kept as each was.
      {[](Mock& m) {
         ON_CALL(m, I2cAccess(1, 0x50, 0x21, _))
             .WillByDefault(DoAll(SetArgReferee<3>(int16_t{0xAB}), Return(9)));
       },
       [](TarnelRW& c) {
         int16_t value = 0x0102;
         const int16_t status = c.I2cAccess(1, 0x50, 0x21, value);
         EXPECT_EQ(value, 0xAB);
         return status;
       },
       Kept(kI2cAccess, 9, {.device = 0x50, .function = 1, .reg = 0x21, .value = 0x0102},
            {.value = 0xAB}),
       "I2cAccess function=1 device=0x50 register=0x21 value=0x0102 -> 9 value=0x00AB"},
      {[](Mock& m) {
         ON_CALL(m, ReadSwbWord(70000, 0x21, _))
             .WillByDefault(DoAll(SetArgReferee<2>(int16_t{0x1234}), Return(10)));
       },
       [](TarnelRW& c) {
         int16_t value = 0;
         return c.ReadSwbWord(70000, 0x21, value);
       },
       Kept(kReadSwbWord, 10, {.kind = 70000, .reg = 0x21}, {.value = 0x1234}),
       "ReadSwbWord kind=70000 register=0x21 -> 10 value=0x1234"},
      // The backend may change the texts it is handed; the call is kept as it was made.
      {[](Mock& m) {
         ON_CALL(m, ProgramSrec(_, _, _))
             .WillByDefault(DoAll(SetArgReferee<0>(std::string("changed")),
                                  SetArgReferee<2>(std::string("x")), Return(11)));
       },
       [](TarnelRW& c) {
         std::string path = "fw.srec", second = "b", third = "c";
         const int16_t status = c.ProgramSrec(path, second, third);
         EXPECT_EQ(path + third, "changedx");
         return status;
       },
       Kept(kProgramSrec, 11, {.path = "fw.srec", .secondText = "b", .third = "c"}),
       R"(ProgramSrec path="fw.srec" second="b" third="c" -> 11)"},
      {[](Mock& m) {
         ON_CALL(m, GetAdapterVersion(_, _))
             .WillByDefault(DoAll(SetArgReferee<0>(int16_t{0x312E}),
                                  SetArgReferee<1>(int16_t{0x32}), Return(12)));
       },
       [](TarnelRW& c) {
         int16_t first = 0, second = 0;
         return c.GetAdapterVersion(first, second);
       },
       Kept(kGetAdapterVersion, 12, {}, {.first = 0x312E, .second = 0x32}),
       "GetAdapterVersion -> 12 first=0x312E second=0x0032"},
  };
}

TEST(TracingAdapter, KeepsInputsAsHandedInAndOutputsAsReturnedAndShowsThemInTheLine) {
  const std::vector<TracedRow> rows = TracedRows();
  ASSERT_EQ(rows.size(), kOperationCount);
  // Without a sink the lines are made from the kept calls; with one, as each call returns.
  for (const bool withSink : {false, true}) {
    for (const TracedRow& row : rows) {
      SCOPED_TRACE(row.line + (withSink ? ", with a sink" : ""));
      Mock inner;
      row.answer(inner);
      std::vector<std::string> sunk;
      TracingAdapter::Sink sink = [&](const std::string& line) { sunk.push_back(line); };
      TracingAdapter trace(inner, withSink ? sink : TracingAdapter::Sink{});
      EXPECT_EQ(row.call(trace), row.kept.status);
      ASSERT_EQ(trace.Calls().size(), 1u);
      EXPECT_EQ(trace.Calls().front(), row.kept);
      EXPECT_EQ(TraceLine(trace.Calls().front()), row.line);
      EXPECT_EQ(trace.Lines(), std::vector<std::string>{row.line});
      EXPECT_EQ(sunk, withSink ? trace.Lines() : std::vector<std::string>{});
    }
  }
}

TEST(TracingAdapter, TakingTheCallsOrTheLinesTakesBoth) {
  for (const bool withSink : {false, true}) {
    SCOPED_TRACE(withSink ? "with a sink" : "without a sink");
    Mock inner;
    ON_CALL(inner, GetWriteStatus()).WillByDefault(Return(-7));
    TracingAdapter trace(inner, withSink ? [](const std::string&) {} : TracingAdapter::Sink{});
    trace.SendSmbusCommand(0x08, 0x17);
    trace.GetWriteStatus();
    const std::vector<std::string> lines{"SendSmbusCommand command=0x08 device=0x17 -> 0",
                                         "GetWriteStatus -> -7"};
    EXPECT_EQ(trace.TakeLines(), lines);
    EXPECT_TRUE(trace.Calls().empty());
    trace.GetWriteStatus();
    const std::vector<BusCall> calls = trace.TakeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(TraceLine(calls.front()), lines.back());
    EXPECT_TRUE(trace.Lines().empty());
    EXPECT_TRUE(trace.TakeLines().empty());
  }
}

TEST(TracingAdapter, BlocksStopAtTheirArrayTextsAreQuotedAndNumbersShowTheirPattern) {
  Mock inner;
  std::vector<std::string> sunk;
  TracingAdapter trace(inner, [&](const std::string& line) { sunk.push_back(line); });
  std::vector<uint8_t> data(2, 0x41);
  trace.WriteSmbusBlock(0x10, data, 200, 0x17);
  trace.WriteSmbusBlock(0x10, data, -1, 0x17);
  std::string path = ".\\a\"b\n\x7F\x80", second, third;
  trace.ProgramSrec(path, second, third);
  const std::vector<std::string> expected{
      "WriteSmbusBlock command=0x10 count=200 device=0x17 data=41 41 -> 0",
      "WriteSmbusBlock command=0x10 count=-1 device=0x17 data= -> 0",
      "ProgramSrec path=\".\\a\\\"b\\x0A\\x7F\x80\" second=\"\" third=\"\" -> 0"};
  EXPECT_EQ(sunk, expected);
  EXPECT_EQ(trace.TakeLines(), expected);
  EXPECT_TRUE(trace.Lines().empty());
  // A number shows its 16-bit pattern in as many digits as it needs, two at least.
  EXPECT_EQ(TraceHex2(0xFFF), "0xFFF");
  EXPECT_EQ(TraceHex2(0x10000 + 0x1A), "0x1A");
}

}  // namespace
}  // namespace halyard
