// The station's operations as i2c-dev transfers.
#include "i2c/I2cDevAdapter.h"

#include <linux/i2c-dev.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include "adapter/Protocol.h"
#include "adapter/Statuses.h"

namespace halyard::i2c {

namespace {

constexpr int32_t kListKind = 2;
// Longer blocks go as one plain I2C message in the SMBus block-write format (command, count,
// bytes): SMBus 3 allows 255 bytes where the kernel's SMBus calls stop at 32.
constexpr int kLongestBlock = 255;

constexpr struct {
  int error;
  int16_t status;
} kKernelErrors[] = {
    {ENXIO, kStatusNoAcknowledge},      {EREMOTEIO, kStatusNoAcknowledge},
    {ETIMEDOUT, kStatusTimeout},        {EIO, kStatusBusError},
    {EAGAIN, kStatusBusError},          {EBADMSG, kStatusPecError},
    {EOPNOTSUPP, kStatusAdapterCannot}, {EPROTO, kStatusProtocolError},
    {EBUSY, kStatusAddressBusy},
};

std::string ErrorText(int error) {
  return std::error_code(error, std::generic_category()).message();
}

}  // namespace

int16_t StatusOfKernelError(int error) {
  for (const auto& known : kKernelErrors) {
    if (known.error == error) return known.status;
  }
  return kStatusKernelError;
}

I2cDevAdapter::I2cDevAdapter(std::shared_ptr<KernelI2c> kernel, I2cSettings settings)
    : kernel_(std::move(kernel)), settings_(std::move(settings)) {}

I2cDevAdapter::~I2cDevAdapter() {
  Close();
}

bool I2cDevAdapter::Probe(KernelI2c& kernel, const std::string& device, std::string& reason) {
  const int fd = kernel.Open(device);
  if (fd < 0) {
    reason = "cannot open it: " + ErrorText(-fd);
    if (-fd == EACCES) reason += " (is the user in the group that owns it, often i2c?)";
    return false;
  }
  unsigned long functions = 0;
  const int result = kernel.Ioctl(fd, I2C_FUNCS, reinterpret_cast<uintptr_t>(&functions));
  kernel.Close(fd);
  if (result < 0) {
    reason = "not an i2c-dev adapter: " + ErrorText(-result);
    return false;
  }
  return true;
}

int16_t I2cDevAdapter::Call(CallValues& call) {
  using F = Field;
  using Bytes = std::vector<uint8_t>;
  const auto in16 = [&call](Field field) { return call.In<int16_t>(field); };
  switch (call.Op()) {
    case Operation::kOpenDevice:
      return Open(call.In<std::string>(F::kName));
    case Operation::kCloseDevice:
      Close();
      return 0;
    case Operation::kListDevices:
      List(call.In<int32_t>(F::kKind), call.Out<int32_t>(F::kCount),
           call.Out<std::string>(F::kNames));
      return 0;
    case Operation::kWriteSmbusWord:
      return WriteWord(in16(F::kCommand), in16(F::kWord), in16(F::kDevice));
    case Operation::kReadSmbusWord:
      return ReadWord(in16(F::kCommand), call.Out<int16_t>(F::kWord), in16(F::kDevice));
    case Operation::kWriteSmbusBlock:
      return WriteBlock(in16(F::kCommand), call.In<Bytes>(F::kData), in16(F::kCount),
                        in16(F::kDevice));
    case Operation::kReadSmbusBlock:
      return ReadBlock(in16(F::kCommand), call.Out<Bytes>(F::kData), call.Out<int16_t>(F::kCount),
                       in16(F::kDevice));
    case Operation::kSendSmbusCommand:
      return Send(in16(F::kCommand), in16(F::kDevice));
    case Operation::kGetWriteStatus:
      return fd_ < 0 ? kStatusNotOpen : writeStatus_;
    case Operation::kI2cAccess:
      return Access(call.In<int32_t>(F::kFunction), in16(F::kDevice), in16(F::kRegister),
                    call.Out<int16_t>(F::kValue));
    case Operation::kReadSwbWord:
    case Operation::kProgramSrec:
    case Operation::kGetAdapterVersion:
      return kStatusNotSupported;
  }
  return kStatusNotSupported;
}

int16_t I2cDevAdapter::Open(const std::string& name) {
  Close();
  const int fd = kernel_->Open(name);
  if (fd < 0) return -1;
  unsigned long functions = 0;
  if (kernel_->Ioctl(fd, I2C_FUNCS, reinterpret_cast<uintptr_t>(&functions)) < 0) {
    kernel_->Close(fd);
    return -1;
  }
  fd_ = fd;
  functions_ = functions;
  selected_ = -1;
  return 0;
}

void I2cDevAdapter::Close() {
  if (fd_ < 0) return;
  kernel_->Close(fd_);
  fd_ = -1;
}

void I2cDevAdapter::List(int32_t kind, int32_t& count, std::string& names) {
  count = 0;
  names.clear();
  if (kind != kListKind) return;
  // The chosen device first: the station opens the first name listed.
  std::vector<std::string> list{settings_.device};
  for (std::string& other : kernel_->Adapters()) {
    if (other != settings_.device) list.push_back(std::move(other));
  }
  for (const std::string& name : list) {
    if (!names.empty()) names += ',';
    names += name;
  }
  count = static_cast<int32_t>(list.size());
}

int16_t I2cDevAdapter::Prepare(int16_t device, int command, unsigned long functions,
                               int& address) const {
  if (fd_ < 0) return kStatusNotOpen;
  if ((functions_ & functions) != functions) return kStatusAdapterCannot;
  if (command < 0 || command > 0xFF) return kStatusBadArgument;
  address = BusAddress(settings_, device);
  return address < 0 ? kStatusNoBusAddress : int16_t{0};
}

int16_t I2cDevAdapter::Select(int16_t device, int command, unsigned long functions) {
  int address = -1;
  if (const int16_t status = Prepare(device, command, functions, address)) return status;
  if (address == selected_) return 0;
  const unsigned long request = settings_.force ? I2C_SLAVE_FORCE : I2C_SLAVE;
  const int result = kernel_->Ioctl(fd_, request, static_cast<uintptr_t>(address));
  if (result < 0) return StatusOfKernelError(-result);
  selected_ = address;
  return 0;
}

int16_t I2cDevAdapter::Smbus(uint8_t readWrite, int command, uint32_t size, i2c_smbus_data* data) {
  i2c_smbus_ioctl_data call{readWrite, static_cast<uint8_t>(command), size, data};
  const int result = kernel_->Ioctl(fd_, I2C_SMBUS, reinterpret_cast<uintptr_t>(&call));
  return result < 0 ? StatusOfKernelError(-result) : int16_t{0};
}

int16_t I2cDevAdapter::WriteWord(int16_t command, int16_t word, int16_t device) {
  if (const int16_t status = Select(device, command, I2C_FUNC_SMBUS_WRITE_WORD_DATA)) {
    return Written(status);
  }
  i2c_smbus_data data{};
  data.word = static_cast<uint16_t>(word);
  return Written(Smbus(I2C_SMBUS_WRITE, command, I2C_SMBUS_WORD_DATA, &data));
}

int16_t I2cDevAdapter::ReadWord(int16_t command, int16_t& word, int16_t device) {
  if (const int16_t status = Select(device, command, I2C_FUNC_SMBUS_READ_WORD_DATA)) {
    return status;
  }
  i2c_smbus_data data{};
  const int16_t status = Smbus(I2C_SMBUS_READ, command, I2C_SMBUS_WORD_DATA, &data);
  if (status == 0) word = static_cast<int16_t>(data.word);
  return status;
}

int16_t I2cDevAdapter::WriteBlock(int16_t command, const std::vector<uint8_t>& data, int16_t count,
                                  int16_t device) {
  if (fd_ < 0) return Written(kStatusNotOpen);
  if (count < 0 || count > kLongestBlock || static_cast<size_t>(count) > data.size()) {
    return Written(kStatusBadArgument);
  }
  if (count > I2C_SMBUS_BLOCK_MAX) return Written(WriteLongBlock(command, data, count, device));
  if (const int16_t status = Select(device, command, I2C_FUNC_SMBUS_WRITE_BLOCK_DATA)) {
    return Written(status);
  }
  i2c_smbus_data block{};
  block.block[0] = static_cast<uint8_t>(count);
  std::copy(data.begin(), data.begin() + count, block.block + 1);
  return Written(Smbus(I2C_SMBUS_WRITE, command, I2C_SMBUS_BLOCK_DATA, &block));
}

int16_t I2cDevAdapter::WriteLongBlock(int16_t command, const std::vector<uint8_t>& data,
                                      int16_t count, int16_t device) {
  int address = -1;
  if (const int16_t status = Prepare(device, command, I2C_FUNC_I2C, address)) return status;
  std::vector<uint8_t> bytes{static_cast<uint8_t>(command), static_cast<uint8_t>(count)};
  bytes.insert(bytes.end(), data.begin(), data.begin() + count);
  i2c_msg message{static_cast<uint16_t>(address), 0, static_cast<uint16_t>(bytes.size()),
                  bytes.data()};
  i2c_rdwr_ioctl_data transfer{&message, 1};
  const int result = kernel_->Ioctl(fd_, I2C_RDWR, reinterpret_cast<uintptr_t>(&transfer));
  return result < 0 ? StatusOfKernelError(-result) : int16_t{0};
}

int16_t I2cDevAdapter::ReadBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count,
                                 int16_t device) {
  if (const int16_t status = Select(device, command, I2C_FUNC_SMBUS_READ_BLOCK_DATA)) {
    return status;
  }
  i2c_smbus_data block{};
  const int16_t status = Smbus(I2C_SMBUS_READ, command, I2C_SMBUS_BLOCK_DATA, &block);
  if (status != 0) return status;
  const size_t length = block.block[0];
  if (length > I2C_SMBUS_BLOCK_MAX) return kStatusProtocolError;
  // As the bench does: the caller's array grows to the block if it must, and never shrinks.
  if (data.size() < length) data.resize(length);
  std::copy(block.block + 1, block.block + 1 + length, data.begin());
  count = static_cast<int16_t>(length);
  return 0;
}

int16_t I2cDevAdapter::Send(int16_t command, int16_t device) {
  if (const int16_t status = Select(device, command, I2C_FUNC_SMBUS_WRITE_BYTE)) {
    return Written(status);
  }
  return Written(Smbus(I2C_SMBUS_WRITE, command, I2C_SMBUS_BYTE, nullptr));
}

int16_t I2cDevAdapter::Access(int32_t function, int16_t device, int16_t reg, int16_t& value) {
  const bool write = function == kI2cWrite;
  const auto answer = [this, write](int16_t status) { return write ? Written(status) : status; };
  if (fd_ < 0) return answer(kStatusNotOpen);
  // Opening and closing a run is the adapter's bookkeeping; the kernel needs neither.
  if (function == kI2cBracket) {
    return device == kBracketOpen || device == kBracketClose ? int16_t{0} : kStatusBadArgument;
  }
  if (function != kI2cWrite && function != kI2cRead) return kStatusBadArgument;
  const unsigned long needed =
      write ? I2C_FUNC_SMBUS_WRITE_BYTE_DATA : I2C_FUNC_SMBUS_READ_BYTE_DATA;
  if (const int16_t status = Select(device, reg, needed)) return answer(status);
  i2c_smbus_data data{};
  data.byte = static_cast<uint8_t>(value & 0xFF);
  const int16_t status =
      Smbus(write ? I2C_SMBUS_WRITE : I2C_SMBUS_READ, reg, I2C_SMBUS_BYTE_DATA, &data);
  if (status == 0 && !write) value = data.byte;
  return answer(status);
}

}  // namespace halyard::i2c
