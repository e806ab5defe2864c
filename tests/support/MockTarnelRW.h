// A gmock adapter control, for tests that pin down exact call sequences: each operation that
// reaches Call goes to the mock method of its name, so expectations read as the calls do.
#pragma once

#include <gmock/gmock.h>

#include "adapter/TarnelRW.h"

namespace halyard::testing {

class MockTarnelRW : public TarnelRW {
 public:
  MOCK_METHOD(int16_t, OpenDevice, (const std::string& name));
  MOCK_METHOD(void, CloseDevice, ());
  MOCK_METHOD(void, ListDevices, (int32_t kind, int32_t& count, std::string& names));
  MOCK_METHOD(int16_t, WriteSmbusWord, (int16_t command, int16_t word, int16_t device));
  MOCK_METHOD(int16_t, ReadSmbusWord, (int16_t command, int16_t& word, int16_t device));
  MOCK_METHOD(int16_t, WriteSmbusBlock,
              (int16_t command, const std::vector<uint8_t>& data, int16_t count, int16_t device));
  MOCK_METHOD(int16_t, ReadSmbusBlock,
              (int16_t command, std::vector<uint8_t>& data, int16_t& count, int16_t device));
  MOCK_METHOD(int16_t, SendSmbusCommand, (int16_t command, int16_t device));
  MOCK_METHOD(int16_t, GetWriteStatus, ());
  MOCK_METHOD(int16_t, I2cAccess, (int32_t function, int16_t device, int16_t reg, int16_t& value));
  MOCK_METHOD(int16_t, ReadSwbWord, (int32_t kind, int16_t reg, int16_t& value));
  MOCK_METHOD(int16_t, ProgramSrec, (std::string & path, std::string& second, std::string& third));
  MOCK_METHOD(int16_t, GetAdapterVersion, (int16_t & first, int16_t& second));

  int16_t Call(CallValues& call) override {
    using F = Field;
    using Bytes = std::vector<uint8_t>;
    const auto in16 = [&call](Field field) { return call.In<int16_t>(field); };
    const auto out16 = [&call](Field field) -> int16_t& { return call.Out<int16_t>(field); };
    switch (call.Op()) {
      case Operation::kOpenDevice:
        return OpenDevice(call.In<std::string>(F::kName));
      case Operation::kCloseDevice:
        CloseDevice();
        return 0;
      case Operation::kListDevices:
        ListDevices(call.In<int32_t>(F::kKind), call.Out<int32_t>(F::kCount),
                    call.Out<std::string>(F::kNames));
        return 0;
      case Operation::kWriteSmbusWord:
        return WriteSmbusWord(in16(F::kCommand), in16(F::kWord), in16(F::kDevice));
      case Operation::kReadSmbusWord:
        return ReadSmbusWord(in16(F::kCommand), out16(F::kWord), in16(F::kDevice));
      case Operation::kWriteSmbusBlock:
        return WriteSmbusBlock(in16(F::kCommand), call.In<Bytes>(F::kData), in16(F::kCount),
                               in16(F::kDevice));
      case Operation::kReadSmbusBlock:
        return ReadSmbusBlock(in16(F::kCommand), call.Out<Bytes>(F::kData), out16(F::kCount),
                              in16(F::kDevice));
      case Operation::kSendSmbusCommand:
        return SendSmbusCommand(in16(F::kCommand), in16(F::kDevice));
      case Operation::kGetWriteStatus:
        return GetWriteStatus();
      case Operation::kI2cAccess:
        return I2cAccess(call.In<int32_t>(F::kFunction), in16(F::kDevice), in16(F::kRegister),
                         out16(F::kValue));
      case Operation::kReadSwbWord:
        return ReadSwbWord(call.In<int32_t>(F::kKind), in16(F::kRegister), out16(F::kValue));
      case Operation::kProgramSrec:
        return ProgramSrec(call.InOut<std::string>(F::kPath),
                           call.InOut<std::string>(F::kSecondText),
                           call.InOut<std::string>(F::kThird));
      case Operation::kGetAdapterVersion:
        return GetAdapterVersion(out16(F::kFirst), out16(F::kSecond));
    }
    return 0;
  }
};

}  // namespace halyard::testing
