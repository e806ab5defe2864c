// The i2c-dev backend on a fake kernel: the settings and the address map, which kernel request
// each operation makes, what the adapter's functions allow, and kernel errors as statuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <cerrno>
#include <functional>
#include <map>
#include <set>

#include "FakeKernelBus.h"
#include "adapter/Statuses.h"
#include "i2c/I2cDevAdapter.h"

namespace halyard::i2c {
namespace {

using ::testing::ElementsAre;
using testing::FakeKernelBus;

TEST(I2cSettings, ReadTheDeviceTheMapAndForceAndRefuseTheRest) {
  const struct {
    std::string text, device;
    std::map<int, int> addresses;
  } cases[] = {
      {"/dev/i2c-1", "/dev/i2c-1", {}},
      {"/dev/i2c-1,map=0x17:0x0C", "/dev/i2c-1", {{0x17, 0x0C}}},
      {"/dev/i2c-2,map=0x17:0x0c,map=160:0x51,force", "/dev/i2c-2", {{0x17, 0x0C}, {0xA0, 0x51}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    I2cSettings settings;
    std::string error;
    ASSERT_TRUE(ParseI2cSettings(c.text, settings, error)) << error;
    EXPECT_EQ(settings.device, c.device);
    EXPECT_EQ(settings.addresses, c.addresses);
    EXPECT_EQ(settings.force, c.text.ends_with(",force"));
  }
  // No device, a map without its bus address, reserved bus addresses (0x78, 0x02), a device
  // address past a byte, trailing text, an unknown option.
  for (const char* text : {"", ",map=0x17:0x0C", "/dev/i2c-1,map=0x17", "/dev/i2c-1,map=0x17:0x78",
                           "/dev/i2c-1,map=0x17:0x02", "/dev/i2c-1,map=0x100:0x0C",
                           "/dev/i2c-1,map=0x17:0x0C ", "/dev/i2c-1,pec"}) {
    I2cSettings settings;
    std::string error;
    EXPECT_FALSE(ParseI2cSettings(text, settings, error)) << text;
  }
}

TEST(I2cSettings, EvenAddressesHalveOddOnesNeedAMap) {
  I2cSettings plain;
  I2cSettings mapped;
  mapped.addresses = {{0x17, 0x0C}, {0xA0, 0x51}};
  const struct {
    int device, plain, mapped;
  } cases[] = {{0x16, 0x0B, 0x0B}, {0xA0, 0x50, 0x51}, {0x17, -1, 0x0C},
               {0x00, -1, -1},     {0xF0, -1, -1},     {0x100, -1, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(BusAddress(plain, c.device), c.plain) << c.device;
    EXPECT_EQ(BusAddress(mapped, c.device), c.mapped) << c.device;
  }
}

// An open backend on /dev/i2c-1 of a fake kernel with a blank bench behind it.
struct Bus {
  explicit Bus(std::string options = ",map=0x17:0x0C") {
    I2cSettings settings;
    std::string error;
    EXPECT_TRUE(ParseI2cSettings("/dev/i2c-1" + options, settings, error)) << error;
    adapter = std::make_unique<I2cDevAdapter>(kernel, settings);
  }
  void Open() {
    EXPECT_EQ(adapter->OpenDevice("/dev/i2c-1"), 0);
    kernel->log.clear();
  }
  std::shared_ptr<FakeKernelBus> kernel = std::make_shared<FakeKernelBus>();
  std::unique_ptr<I2cDevAdapter> adapter;
};

TEST(I2cDevAdapter, EachOperationMakesItsKernelRequest) {
  Bus bus;
  int32_t count = 0;
  std::string names;
  bus.adapter->ListDevices(2, count, names);
  EXPECT_EQ(names, "/dev/i2c-1,/dev/i2c-0");  // the chosen one first: the station opens it
  EXPECT_EQ(count, 2);
  EXPECT_EQ(bus.adapter->OpenDevice("/dev/i2c-7"), -1);    // no such device
  EXPECT_EQ(bus.adapter->OpenDevice("/dev/not-i2c"), -1);  // answers no i2c-dev request
  bus.Open();
  int16_t value = 0;
  std::vector<uint8_t> block(129, 0);
  int16_t blockCount = 0;
  EXPECT_EQ(bus.adapter->WriteSmbusWord(0x09, 0x5001, 0x16), 0);
  EXPECT_EQ(bus.adapter->ReadSmbusWord(0x0D, value, 0x16), 0);
  EXPECT_EQ(value, 0x0104);
  EXPECT_EQ(bus.adapter->ReadSmbusBlock(0x20, block, blockCount, 0x16), 0);
  EXPECT_EQ(blockCount, 32);  // a blank target's length byte, cut to the SMBus limit
  EXPECT_EQ(block.size(), 129u);
  EXPECT_EQ(bus.adapter->I2cAccess(0, 1, 0, value), 0);  // opening a run moves nothing
  EXPECT_EQ(bus.adapter->I2cAccess(1, 0xA0, 0x51, value = 0x01), 0);
  EXPECT_EQ(bus.adapter->I2cAccess(2, 0xA0, 0x51, value = 0), 0);
  EXPECT_EQ(value, 0x01);
  // No image programmed: nothing answers at 0x17, and the kernel reports no acknowledge.
  EXPECT_EQ(bus.adapter->SendSmbusCommand(0x08, 0x17), kStatusNoAcknowledge);
  EXPECT_EQ(bus.adapter->WriteSmbusBlock(0x10, std::vector<uint8_t>(33, 0x0F), 32, 0x17),
            kStatusNoAcknowledge);
  EXPECT_EQ(bus.adapter->WriteSmbusBlock(0x10, std::vector<uint8_t>(33, 0x0F), 33, 0x17),
            kStatusNoAcknowledge);
  EXPECT_THAT(bus.kernel->log,
              ElementsAre("SLAVE 0x0B", "SMBUS write WORD_DATA 0x09", "SMBUS read WORD_DATA 0x0D",
                          "SMBUS read BLOCK_DATA 0x20", "SLAVE 0x50", "SMBUS write BYTE_DATA 0x51",
                          "SMBUS read BYTE_DATA 0x51", "SLAVE 0x0C", "SMBUS write BYTE 0x08",
                          "SMBUS write BLOCK_DATA 0x10", "RDWR 0x0C 35 bytes"));
  EXPECT_EQ(bus.adapter->GetWriteStatus(), kStatusNoAcknowledge);
  // No counterpart on i2c-dev.
  EXPECT_EQ(bus.adapter->ReadSwbWord(2, 0x20, value), kStatusNotSupported);
  EXPECT_EQ(bus.adapter->GetAdapterVersion(value, value), kStatusNotSupported);
  std::string text;
  EXPECT_EQ(bus.adapter->ProgramSrec(text, text, text), kStatusNotSupported);
  bus.adapter->CloseDevice();
  EXPECT_TRUE(bus.kernel->openFds.empty());
}

TEST(I2cDevAdapter, RefusesWhatTheAdapterOrTheAddressCannotCarryBeforeAnyTransfer) {
  std::vector<uint8_t> block(40, 0);
  int16_t value = 0;
  int16_t count = 0;
  using A = I2cDevAdapter;
  const struct {
    const char* what;
    unsigned long missing;  // functions the adapter lacks
    std::function<int16_t(A&)> call;
    int16_t status = kStatusAdapterCannot;
  } cases[] = {
      {"word write", I2C_FUNC_SMBUS_WRITE_WORD_DATA,
       [](A& a) { return a.WriteSmbusWord(9, 0, 0x16); }},
      {"word read", I2C_FUNC_SMBUS_READ_WORD_DATA,
       [&](A& a) { return a.ReadSmbusWord(9, value, 0x16); }},
      {"block read", I2C_FUNC_SMBUS_READ_BLOCK_DATA,
       [&](A& a) { return a.ReadSmbusBlock(0x20, block, count, 0x16); }},
      {"short block", I2C_FUNC_SMBUS_WRITE_BLOCK_DATA,
       [&](A& a) { return a.WriteSmbusBlock(0x10, block, 32, 0x16); }},
      {"long block", I2C_FUNC_I2C, [&](A& a) { return a.WriteSmbusBlock(0x10, block, 33, 0x16); }},
      {"send", I2C_FUNC_SMBUS_WRITE_BYTE, [](A& a) { return a.SendSmbusCommand(8, 0x16); }},
      {"I2C write", I2C_FUNC_SMBUS_WRITE_BYTE_DATA,
       [&](A& a) { return a.I2cAccess(1, 0xA0, 0, value); }},
      {"I2C read", I2C_FUNC_SMBUS_READ_BYTE_DATA,
       [&](A& a) { return a.I2cAccess(2, 0xA0, 0, value); }},
      {"unmapped odd address", 0, [](A& a) { return a.WriteSmbusWord(9, 0, 0x17); },
       kStatusNoBusAddress},
      {"block past its array", 0, [&](A& a) { return a.WriteSmbusBlock(0x10, block, 41, 0x16); },
       kStatusBadArgument},
      {"register past a byte", 0, [&](A& a) { return a.I2cAccess(2, 0xA0, 0x100, value); },
       kStatusBadArgument},
      {"command past a byte", 0, [](A& a) { return a.SendSmbusCommand(0x108, 0x16); },
       kStatusBadArgument},
      {"unknown I2C function", 0, [&](A& a) { return a.I2cAccess(3, 0xA0, 0, value); },
       kStatusBadArgument},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bus bus("");
    bus.kernel->functions &= ~c.missing;
    bus.Open();
    EXPECT_EQ(c.call(*bus.adapter), c.status);
    EXPECT_THAT(bus.kernel->log, ::testing::IsEmpty());
  }
  Bus closed;
  EXPECT_EQ(cases[0].call(*closed.adapter), kStatusNotOpen);
  EXPECT_EQ(closed.adapter->GetWriteStatus(), kStatusNotOpen);
}

TEST(I2cDevAdapter, KernelErrorsBecomeTheirStatusesLeaveReadOutputsAndTheLastWriteKeepsItsOwn) {
  const std::pair<int, int16_t> errors[] = {
      {ENXIO, kStatusNoAcknowledge},      {EREMOTEIO, kStatusNoAcknowledge},
      {ETIMEDOUT, kStatusTimeout},        {EIO, kStatusBusError},
      {EAGAIN, kStatusBusError},          {EBADMSG, kStatusPecError},
      {EOPNOTSUPP, kStatusAdapterCannot}, {EPROTO, kStatusProtocolError},
      {EPERM, kStatusKernelError}};
  for (const auto& [error, status] : errors) {
    SCOPED_TRACE(error);
    Bus bus;
    bus.Open();
    int16_t value = 0x1234;
    bus.kernel->failNext = error;
    EXPECT_EQ(bus.adapter->WriteSmbusWord(0x09, 0, 0x16), status);
    EXPECT_EQ(bus.adapter->GetWriteStatus(), status);
    bus.kernel->failNext = error;
    EXPECT_EQ(bus.adapter->I2cAccess(2, 0xA0, 0x51, value), status);
    EXPECT_EQ(value, 0x1234);                          // a failed read leaves the value
    EXPECT_EQ(bus.adapter->GetWriteStatus(), status);  // a read is no write
    std::vector<uint8_t> block(129, 0xEE);
    int16_t count = -1;
    bus.kernel->failNext = error;
    EXPECT_EQ(bus.adapter->ReadSmbusBlock(0x20, block, count, 0x16), status);
    EXPECT_EQ(count, -1);  // nor the count and the array
    EXPECT_EQ(block, std::vector<uint8_t>(129, 0xEE));
    bus.kernel->failNext = error;
    EXPECT_EQ(bus.adapter->WriteSmbusBlock(0x10, std::vector<uint8_t>(33), 33, 0x17), status);
    EXPECT_EQ(bus.adapter->WriteSmbusWord(0x09, 0, 0x16), 0);
    EXPECT_EQ(bus.adapter->GetWriteStatus(), 0);
  }
}

TEST(I2cDevAdapter, AnAddressAKernelDriverOwnsIsBusyUnlessForced) {
  for (const bool force : {false, true}) {
    Bus bus(force ? ",force" : "");
    bus.kernel->claimed = {0x0B};
    bus.Open();
    EXPECT_EQ(bus.adapter->WriteSmbusWord(0x09, 0, 0x16), force ? 0 : kStatusAddressBusy);
    EXPECT_EQ(bus.kernel->log.front(), force ? "SLAVE_FORCE 0x0B" : "SLAVE 0x0B");
  }
}

TEST(Statuses, EachStationStatusIsOneOfItsOwnInTheStationsRange) {
  std::set<int16_t> seen;
  for (const StatusEntry& entry : kStationStatuses) {
    EXPECT_TRUE(IsStationStatus(entry.status)) << entry.name;
    EXPECT_TRUE(seen.insert(entry.status).second) << entry.name;
    EXPECT_EQ(FindStationStatus(entry.status), &entry);
    EXPECT_FALSE(entry.meaning.empty());
  }
  EXPECT_EQ(FindStationStatus(0), nullptr);
  EXPECT_EQ(FindStationStatus(-1), nullptr);
}

}  // namespace
}  // namespace halyard::i2c
