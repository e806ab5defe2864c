// The bus protocol the station and the devices behind the Halyard share: device addresses,
// command codes, memory locations and the test target's configuration block. The station
// sends these and the simulated bench answers them, so each is named here once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace halyard {

// Device addresses as the adapter control takes them (8-bit form).
inline constexpr int16_t kControllerDevice = 0x16;
inline constexpr int16_t kTrimFirmwareDevice = 0x17;  // the trim firmware, once started
inline constexpr int16_t kTargetI2cDevice = 0xA0;

// I2cAccess functions, and the two switch values of function 0.
inline constexpr int32_t kI2cBracket = 0;
inline constexpr int32_t kI2cWrite = 1;
inline constexpr int32_t kI2cRead = 2;
inline constexpr int16_t kBracketOpen = 1;
inline constexpr int16_t kBracketClose = 0;

// The SWB kind the station reads with, and the registers the test target answers: register
// 0x20 + k holds target bytes 0x20 + 2k (low) and 0x21 + 2k (high), up to the last byte 0xFF.
inline constexpr int32_t kSwbKind = 2;
inline constexpr int16_t kSwbFirstRegister = 0x20;
inline constexpr int16_t kSwbLastRegister = 0x8F;

// The kind of adapter ListDevices is asked for.
inline constexpr int32_t kListDevicesKind = 2;
// The most bytes one SMBus block carries.
inline constexpr size_t kSmbusBlockMax = 32;

// The test target's memory, and its configuration block: flag byte (bit 0 = configured), text
// length, text.
inline constexpr size_t kTargetMemoryBytes = 256;
inline constexpr int16_t kTargetFlagRegister = 0x51;
inline constexpr int16_t kTargetLengthRegister = 0x20;
inline constexpr uint8_t kTargetTextRegister = 0x21;
// The identification text that configuring a test target stores.
inline constexpr std::string_view kTargetIdText = "Halyard_Test";
// The SMBus block the test target answers with its identification, on the controller's bus.
inline constexpr int16_t kCmdTargetIdBlock = 0x20;

// Controller commands (device 0x16).
inline constexpr int16_t kCmdRowUpdatePrepare = 0x00;  // the station sends 0x0F00 before an update
inline constexpr int16_t kCmdMemoryAddress = 0x09;
inline constexpr int16_t kCmdMemoryWrite = 0x0A;
inline constexpr int16_t kCmdMemoryRead = 0x0B;
inline constexpr int16_t kCmdSiliconVersion = 0x0D;

// Controller memory.
inline constexpr size_t kControllerMemoryBytes = 0x10000;
inline constexpr int16_t kRowWriteLocation = 0x0000;  // bit 3 lets the trim firmware write a row
inline constexpr int16_t kRowWriteEnable = 0x08;
inline constexpr int16_t kTrimRegister = 0x5001;
inline constexpr int16_t kTrimFirmwareFlag = 0x700A;
inline constexpr int16_t kTrimFirmwareFlagValue = 0x02;
inline constexpr int16_t kTrimMidrange = 0x80;

// Trim firmware commands (device 0x17) and the reserved flash row.
inline constexpr int16_t kCmdTrimStart = 0x08;
inline constexpr int16_t kCmdRowAddress = 0x09;
inline constexpr int16_t kCmdRowRead = 0x0C;
inline constexpr int16_t kCmdRowWrite = 0x10;
inline constexpr int16_t kCmdRowWriteArm = 0x11;  // with kRowWriteArmWord, before a row write
inline constexpr int16_t kRowWriteArmWord = 0x000F;
inline constexpr uint8_t kRowWriteTail = 0x0F;  // the byte after the 32 row bytes
inline constexpr uint16_t kReservedRowAddress = 0xB1E0;
inline constexpr size_t kRowBytes = 32;
inline constexpr int16_t kRowWriteCount = 33;  // the 32 row bytes and the tail byte
inline constexpr size_t kTrimByteIndex = 30;   // the trim's byte in the reserved row

}  // namespace halyard
