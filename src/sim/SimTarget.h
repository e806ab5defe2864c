// The simulated test target: a 256-byte memory that answers I2C at 0xA0 inside a run of
// accesses, the SWB words, and its identification block on the controller's SMBus.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "adapter/Protocol.h"

namespace halyard {

using TargetMemory = std::array<uint8_t, kTargetMemoryBytes>;

// A blank target: all 0xFF.
TargetMemory BlankTarget();
// Writes a configured target's block: flag bit 0 of register 0x51, the length in 0x20, the text
// from 0x21 on. The other bits of 0x51 are kept, as configuring a real target keeps them.
void WriteTargetConfiguration(TargetMemory& memory);

class SimTarget {
 public:
  explicit SimTarget(const TargetMemory& memory) : memory_(memory) {}

  // function 0 opens (device 1) or closes (device 0) a run; 1 writes, 2 reads a register.
  int16_t I2c(int32_t function, int16_t device, int16_t reg, int16_t& value);
  int16_t Swb(int32_t kind, int16_t reg, int16_t& value) const;
  // The identification text: length at register 0x20, cut to one SMBus block, bytes from 0x21.
  void IdentificationBlock(std::vector<uint8_t>& data, int16_t& count) const;
  // Closing the adapter ends any run.
  void EndRun() { runOpen_ = false; }

  TargetMemory& Memory() { return memory_; }
  const TargetMemory& Memory() const { return memory_; }
  bool RunOpen() const { return runOpen_; }

 private:
  TargetMemory memory_;
  bool runOpen_ = false;
};

// Copies `size` bytes to the start of `data`, growing it only if it is shorter.
void PutBlock(const uint8_t* bytes, size_t size, std::vector<uint8_t>& data, int16_t& count);

}  // namespace halyard
