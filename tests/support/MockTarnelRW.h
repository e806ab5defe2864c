// A gmock adapter control, for tests that pin down exact call sequences.
#pragma once

#include <gmock/gmock.h>

#include "adapter/TarnelRW.h"

namespace halyard::testing {

class MockTarnelRW : public TarnelRW {
 public:
  MOCK_METHOD(int16_t, OpenDevice, (const std::string& name), (override));
  MOCK_METHOD(void, CloseDevice, (), (override));
  MOCK_METHOD(void, ListDevices, (int32_t kind, int32_t& count, std::string& names), (override));
  MOCK_METHOD(int16_t, WriteSmbusWord, (int16_t command, int16_t word, int16_t device), (override));
  MOCK_METHOD(int16_t, ReadSmbusWord, (int16_t command, int16_t& word, int16_t device), (override));
  MOCK_METHOD(int16_t, WriteSmbusBlock,
              (int16_t command, const std::vector<uint8_t>& data, int16_t count, int16_t device),
              (override));
  MOCK_METHOD(int16_t, ReadSmbusBlock,
              (int16_t command, std::vector<uint8_t>& data, int16_t& count, int16_t device),
              (override));
  MOCK_METHOD(int16_t, SendSmbusCommand, (int16_t command, int16_t device), (override));
  MOCK_METHOD(int16_t, GetWriteStatus, (), (override));
  MOCK_METHOD(int16_t, I2cAccess, (int32_t function, int16_t device, int16_t reg, int16_t& value),
              (override));
  MOCK_METHOD(int16_t, ReadSwbWord, (int32_t kind, int16_t reg, int16_t& value), (override));
  MOCK_METHOD(int16_t, ProgramSrec, (std::string & path, std::string& second, std::string& third),
              (override));
  MOCK_METHOD(int16_t, GetAdapterVersion, (int16_t & first, int16_t& second), (override));
};

}  // namespace halyard::testing
