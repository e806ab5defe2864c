// The fake kernel: i2c-dev's requests decoded and carried to the bench.
#include "FakeKernelBus.h"

#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace halyard::testing {

namespace {

std::string Hex(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

const char* SizeName(uint32_t size) {
  const std::map<uint32_t, const char*> names{{I2C_SMBUS_BYTE, "BYTE"},
                                              {I2C_SMBUS_BYTE_DATA, "BYTE_DATA"},
                                              {I2C_SMBUS_WORD_DATA, "WORD_DATA"},
                                              {I2C_SMBUS_BLOCK_DATA, "BLOCK_DATA"}};
  return names.contains(size) ? names.at(size) : "OTHER";
}

}  // namespace

FakeKernelBus::FakeKernelBus(const std::string& benchJson)
    : functions(I2C_FUNC_I2C | I2C_FUNC_SMBUS_BYTE | I2C_FUNC_SMBUS_BYTE_DATA |
                I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_BLOCK_DATA) {
  std::string error;
  bench_ = MakeSimulatedAdapterFromJson(benchJson, error);
  if (!bench_) throw std::invalid_argument(error);
  // The devices answer whenever the bus is driven: the adapter and an I2C run stay open.
  bench_->OpenDevice("HALYARD-SIM0");
  int16_t unused = 0;
  bench_->I2cAccess(0, 1, 0, unused);
}

int FakeKernelBus::Open(const std::string& path) {
  // A device file of another kind: it opens, and answers no i2c-dev request.
  if (path == "/dev/not-i2c") return nextFd_++;
  bool known = false;
  for (const std::string& adapter : adapters)
    known = known || adapter == path;
  if (!known) return -ENOENT;
  openFds.insert(nextFd_);
  return nextFd_++;
}

void FakeKernelBus::Close(int fd) {
  openFds.erase(fd);
  selected_.erase(fd);
}

int FakeKernelBus::Ioctl(int fd, unsigned long request, uintptr_t argument) {
  if (openFds.count(fd) == 0) return -ENOTTY;
  switch (request) {
    case I2C_FUNCS:
      *reinterpret_cast<unsigned long*>(argument) = functions;
      return 0;
    case I2C_SLAVE:
    case I2C_SLAVE_FORCE: {
      const int address = static_cast<int>(argument);
      log.push_back((request == I2C_SLAVE ? "SLAVE " : "SLAVE_FORCE ") + Hex(address));
      if (address > 0x7F) return -EINVAL;
      if (request == I2C_SLAVE && claimed.count(address) != 0) return -EBUSY;
      selected_[fd] = address;
      return 0;
    }
    case I2C_SMBUS:
      return Smbus(fd, argument);
    case I2C_RDWR:
      return Transfer(argument);
    default:
      return -ENOTTY;
  }
}

int FakeKernelBus::ErrorOf(int16_t status) {
  if (status == 0) return 0;
  return status == sim_status::kNoDevice ? -ENXIO : -EIO;
}

int FakeKernelBus::Smbus(int fd, uintptr_t argument) {
  const auto& call = *reinterpret_cast<const i2c_smbus_ioctl_data*>(argument);
  const bool write = call.read_write == I2C_SMBUS_WRITE;
  log.push_back(std::string("SMBUS ") + (write ? "write " : "read ") + SizeName(call.size) + " " +
                Hex(call.command));
  if (failNext != 0) return -std::exchange(failNext, 0);
  const auto address = selected_.find(fd);
  // Without I2C_SLAVE the kernel addresses 0x00, where nothing answers.
  if (address == selected_.end() || devices.count(address->second) == 0) return -ENXIO;
  const auto device = static_cast<int16_t>(devices[address->second]);
  const auto command = static_cast<int16_t>(call.command);
  if (call.size == I2C_SMBUS_BYTE) {
    return write ? ErrorOf(bench_->SendSmbusCommand(command, device)) : -EOPNOTSUPP;
  }
  i2c_smbus_data& data = *call.data;
  int16_t value = write ? static_cast<int16_t>(data.byte) : 0;
  switch (call.size) {
    case I2C_SMBUS_BYTE_DATA: {
      const int16_t status = bench_->I2cAccess(write ? 1 : 2, device, command, value);
      if (!write) data.byte = static_cast<uint8_t>(value);
      return ErrorOf(status);
    }
    case I2C_SMBUS_WORD_DATA: {
      if (write) return ErrorOf(bench_->WriteSmbusWord(command, int16_t(data.word), device));
      const int16_t status = bench_->ReadSmbusWord(command, value, device);
      data.word = static_cast<uint16_t>(value);
      return ErrorOf(status);
    }
    case I2C_SMBUS_BLOCK_DATA: {
      if (write) {
        const std::vector<uint8_t> bytes(data.block + 1, data.block + 1 + data.block[0]);
        return ErrorOf(bench_->WriteSmbusBlock(command, bytes, data.block[0], device));
      }
      std::vector<uint8_t> bytes;
      int16_t count = 0;
      const int16_t status = bench_->ReadSmbusBlock(command, bytes, count, device);
      if (status != 0) return ErrorOf(status);
      // The kernel refuses a device's count beyond the SMBus limit.
      if (count < 0 || count > I2C_SMBUS_BLOCK_MAX || size_t(count) > bytes.size()) return -EPROTO;
      data.block[0] = static_cast<uint8_t>(count);
      std::copy(bytes.begin(), bytes.begin() + count, data.block + 1);
      return 0;
    }
    default:
      return -EINVAL;
  }
}

// The one plain I2C transfer the backend makes: a block write longer than SMBus carries.
int FakeKernelBus::Transfer(uintptr_t argument) {
  const auto& transfer = *reinterpret_cast<const i2c_rdwr_ioctl_data*>(argument);
  if (transfer.nmsgs != 1 || (transfer.msgs[0].flags & I2C_M_RD) != 0) return -EINVAL;
  const i2c_msg& message = transfer.msgs[0];
  log.push_back("RDWR " + Hex(message.addr) + " " + std::to_string(message.len) + " bytes");
  if (failNext != 0) return -std::exchange(failNext, 0);
  if (devices.count(message.addr) == 0) return -ENXIO;
  if (message.len < 2 || message.buf[1] != message.len - 2) return -EIO;  // not a block write
  const std::vector<uint8_t> bytes(message.buf + 2, message.buf + message.len);
  return ErrorOf(bench_->WriteSmbusBlock(message.buf[0], bytes, message.buf[1],
                                         static_cast<int16_t>(devices[message.addr])));
}

}  // namespace halyard::testing
