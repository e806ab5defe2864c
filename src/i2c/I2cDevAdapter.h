// The adapter control on Linux's i2c-dev interface: the SMBus and I2C operations of the station
// carried out by the kernel on /dev/i2c-N. SWB, programming and the adapter's version have no
// counterpart there and answer "not supported"; kernel errors become the station's statuses
// (adapter/Statuses.h).
#pragma once

#include <linux/i2c.h>

#include <memory>
#include <string>
#include <vector>

#include "adapter/TarnelRW.h"
#include "i2c/I2cSettings.h"
#include "i2c/KernelI2c.h"

namespace halyard::i2c {

class I2cDevAdapter final : public TarnelRW {
 public:
  I2cDevAdapter(std::shared_ptr<KernelI2c> kernel, I2cSettings settings);
  ~I2cDevAdapter() override;
  I2cDevAdapter(const I2cDevAdapter&) = delete;
  I2cDevAdapter& operator=(const I2cDevAdapter&) = delete;

  // Whether `device` can be had: it opens and answers I2C_FUNCS. False with the reason.
  static bool Probe(KernelI2c& kernel, const std::string& device, std::string& reason);

  int16_t Call(CallValues& call) override;

 private:
  int16_t Open(const std::string& name);
  void Close();
  void List(int32_t kind, int32_t& count, std::string& names);
  int16_t WriteWord(int16_t command, int16_t word, int16_t device);
  int16_t ReadWord(int16_t command, int16_t& word, int16_t device);
  int16_t WriteBlock(int16_t command, const std::vector<uint8_t>& data, int16_t count,
                     int16_t device);
  int16_t ReadBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count, int16_t device);
  int16_t Send(int16_t command, int16_t device);
  int16_t Access(int32_t function, int16_t device, int16_t reg, int16_t& value);

  // The checks before any transfer: an adapter open that offers `functions`, a command that is
  // a byte, and the device's 7-bit address. 0 or the status that stops the transfer.
  int16_t Prepare(int16_t device, int command, unsigned long functions, int& address) const;
  // Prepare, then point the device file at the address.
  int16_t Select(int16_t device, int command, unsigned long functions);
  int16_t Smbus(uint8_t readWrite, int command, uint32_t size, i2c_smbus_data* data);
  int16_t WriteLongBlock(int16_t command, const std::vector<uint8_t>& data, int16_t count,
                         int16_t device);
  int16_t Written(int16_t status) { return writeStatus_ = status; }

  std::shared_ptr<KernelI2c> kernel_;
  I2cSettings settings_;
  int fd_ = -1;
  unsigned long functions_ = 0;
  int selected_ = -1;  // the address I2C_SLAVE last chose on fd_
  int16_t writeStatus_ = 0;
};

// The station's status for a kernel error number (errno, positive).
int16_t StatusOfKernelError(int error);

}  // namespace halyard::i2c
