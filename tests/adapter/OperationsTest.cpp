// The operation and status tables: look-ups, a bound call's access to the caller's variables,
// and one meaning per status in its scope.
#include "adapter/Operations.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "adapter/Statuses.h"

namespace halyard {
namespace {

TEST(Operations, NamesRoundTripAndKeysResolvePerOperation) {
  for (const OperationInfo& info : kOperations) {
    EXPECT_EQ(OperationFromName(info.name), info.op) << info.name;
  }
  EXPECT_EQ(OperationFromName("readsmbusword"), std::nullopt);
  EXPECT_EQ(OperationFromName("*"), std::nullopt);
  // "second" is a text going in to ProgramSrec and a word coming out of GetAdapterVersion.
  ASSERT_TRUE(AnyInput("second"));
  EXPECT_EQ(AnyInput("second")->field, Field::kSecondText);
  ASSERT_NE(FindOutput(Operation::kGetAdapterVersion, "second"), nullptr);
  EXPECT_EQ(FindOutput(Operation::kGetAdapterVersion, "second")->field, Field::kSecond);
  EXPECT_EQ(FindInput(Operation::kReadSmbusWord, "word"), nullptr);
  EXPECT_FALSE(AnyOutput("command"));
}

TEST(Operations, BoundCallReadsAndWritesTheCallersVariables) {
  int16_t command = 0x0C, count = 0, device = 0x17;
  std::vector<uint8_t> data(4, 0xEE);
  CallValues call = CallValues::Bind<Operation::kReadSmbusBlock>(command, data, count, device);
  EXPECT_EQ(call.In<int16_t>(Field::kDevice), 0x17);
  call.SetNumber(*call.Output(Field::kCount), 0x12345);
  EXPECT_EQ(count, 0x2345) << "a 16-bit output is cut to its width";
  EXPECT_EQ(device, 0x17);
  EXPECT_EQ(call.BytesUsed(*call.Output(Field::kData)), 4u) << "cut to the array";
  call.Out<std::vector<uint8_t>>(Field::kData).assign({1, 2});
  EXPECT_EQ(call.Number(*call.Output(Field::kCount)), 0x2345);
  EXPECT_EQ(data, (std::vector<uint8_t>{1, 2}));
  int16_t value = -3;
  const int32_t read = 2;
  CallValues i2c = CallValues::Bind<Operation::kI2cAccess>(read, device, command, value);
  i2c.SetNumber(*i2c.Output(Field::kValue), 0x44);
  EXPECT_EQ(i2c.Number(*i2c.Input(Field::kValue)), 0x44) << "one variable, in and out";
  std::string path = "a.srec", second, third;
  CallValues program = CallValues::Bind<Operation::kProgramSrec>(path, second, third);
  program.InOut<std::string>(Field::kThird) = "back";
  EXPECT_EQ(third, "back") << "an input handed by reference, changed where the caller has it";
  EXPECT_EQ(path, "a.srec");
}

TEST(Operations, FieldValuesSetOnlyFieldsOfTheGivenKind) {
  FieldValues values;
  values.Set(Field::kCommand, 0x20);
  values.Set(Field::kCommand, std::string("text"));
  values.Set(Field::kSecondText, std::string("b"));
  EXPECT_EQ(values.command, 0x20);
  EXPECT_EQ(values.secondText, "b");
  EXPECT_EQ(values.second, std::nullopt);
}

// A programming file fault is not read into another operation's status of the same number.
TEST(Statuses, EachMeansOneThingInItsScopeAndFileFaultsOnlyFromProgramming) {
  std::set<std::pair<int16_t, StatusScope>> seen;
  for (const StatusEntry& entry : kAdapterStatuses) {
    SCOPED_TRACE(std::string(entry.name));
    EXPECT_FALSE(IsStationStatus(entry.status));
    EXPECT_TRUE(seen.insert({entry.status, entry.scope}).second);
    EXPECT_FALSE(entry.meaning.empty());
  }
  using enum StatusScope;
  const std::string_view nobody = "nothing answers at that address";
  const std::string_view unnamed = kUnnamedStatuses[std::size(kUnnamedStatuses) - 1].meaning;
  const std::tuple<int16_t, StatusScope, std::string_view> cases[] = {
      {kStatusFileNotFound, kProgramming, "file not found"},
      {kStatusFileNotFound, kAnyOperation, unnamed},  // 1 from an SMBus read is no file fault
      {kStatusNoDevice, kProgramming, nobody},
      {kStatusNoDevice, kAnyOperation, nobody},
      {kStatusTimeout, kAnyOperation, "the transfer timed out (ETIMEDOUT)"},
      {0, kAnyOperation, ""},
      {9, kProgramming, unnamed},
      {HALYARD_STATUS_DRIVER_FIRST, kAnyOperation, kUnnamedStatuses[1].meaning},
      {-32005, kAnyOperation, kUnnamedStatuses[0].meaning}};
  for (const auto& [status, scope, meaning] : cases)
    EXPECT_EQ(StatusMeaning(status, scope), meaning) << status;
}

// Whatever a backend, a bench rule or a driver answers, the status line has words for it.
TEST(Statuses, EveryStatusButZeroHasWordsInEveryScope) {
  for (int status = INT16_MIN; status <= INT16_MAX; ++status) {
    for (const StatusScope scope : {StatusScope::kAnyOperation, StatusScope::kProgramming}) {
      const bool words = !StatusMeaning(static_cast<int16_t>(status), scope).empty();
      ASSERT_EQ(words, status != 0) << status;
    }
  }
}

}  // namespace
}  // namespace halyard
