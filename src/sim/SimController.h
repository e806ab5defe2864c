// The simulated Halyard controller at SMBus 0x16 (memory, silicon version, programming) and the
// trim firmware it runs at 0x17 (the flash rows), each an SMBus device the adapter routes to.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "adapter/Protocol.h"
#include "sim/Oscillator.h"
#include "sim/SimTarget.h"

namespace halyard {

using FlashRow = std::array<uint8_t, kRowBytes>;

// The factory pattern of a fresh controller's reserved row: bytes 0 to 29 count up from 0x00,
// byte 30 holds the midrange trim 0x80, byte 31 is still erased (0xFF).
FlashRow DefaultReservedRow();

// What the controller was programmed with last: the trim firmware answers only in kTrim.
enum class ImageKind : uint8_t { kNone, kFirmware, kTrim };

// One ProgramSrec call that reached the controller.
struct Programming {
  std::string path;            // as the caller gave it
  std::filesystem::path file;  // the file actually opened ('\' turned into '/')
  int16_t status = 0;
  std::string message;  // the reader's reason for a failure
  size_t dataBytes = 0;
  ImageKind kind = ImageKind::kNone;
};

class SmbusDevice {
 public:
  virtual ~SmbusDevice() = default;
  virtual int16_t WriteWord(int16_t command, uint16_t word) = 0;
  virtual int16_t ReadWord(int16_t command, int16_t& word) = 0;
  virtual int16_t WriteBlock(int16_t command, const std::vector<uint8_t>& data, int16_t count) = 0;
  virtual int16_t ReadBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count) = 0;
  virtual int16_t Send(int16_t command) = 0;
};

class SimController;

// The trim firmware: selects, reads and writes the controller's flash rows.
class SimTrimFirmware final : public SmbusDevice {
 public:
  explicit SimTrimFirmware(SimController& controller) : controller_(controller) {}
  int16_t WriteWord(int16_t command, uint16_t word) override;
  int16_t ReadWord(int16_t command, int16_t& word) override;
  int16_t WriteBlock(int16_t command, const std::vector<uint8_t>& data, int16_t count) override;
  int16_t ReadBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count) override;
  int16_t Send(int16_t command) override;

  bool Running() const { return running_; }
  // A new image replaces whatever ran.
  void Stop();

 private:
  SimController& controller_;
  bool running_ = false;
  std::optional<uint16_t> row_;
  bool armed_ = false;
};

struct ControllerSetup {
  uint16_t siliconVersion = 0x0104;  // major in the high byte
  std::vector<uint8_t> memory = std::vector<uint8_t>(kControllerMemoryBytes, 0x00);
  std::map<uint16_t, FlashRow> rows{{kReservedRowAddress, DefaultReservedRow()}};
  ImageKind image = ImageKind::kNone;
  std::vector<std::string> trimImages;  // file names that are trim firmware whatever their header
  OscillatorSetup oscillator;
};

class SimController final : public SmbusDevice {
 public:
  // The target answers its identification block on the controller's bus.
  SimController(const ControllerSetup& setup, const SimTarget& target);
  SimController(const SimController&) = delete;
  SimController& operator=(const SimController&) = delete;

  int16_t WriteWord(int16_t command, uint16_t word) override;
  int16_t ReadWord(int16_t command, int16_t& word) override;
  int16_t WriteBlock(int16_t command, const std::vector<uint8_t>& data, int16_t count) override;
  int16_t ReadBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count) override;
  int16_t Send(int16_t command) override;
  // Checks the whole file, then replaces the image; the status is the file's SrecError.
  int16_t Program(const std::string& path);

  SimTrimFirmware& TrimFirmware() { return trim_; }
  const SimTrimFirmware& TrimFirmware() const { return trim_; }
  std::vector<uint8_t>& Memory() { return memory_; }
  std::map<uint16_t, FlashRow>& Rows() { return rows_; }
  const std::map<uint16_t, FlashRow>& Rows() const { return rows_; }
  ImageKind Image() const { return image_; }
  void SetImage(ImageKind image) { image_ = image; }
  const std::vector<Programming>& Programmings() const { return programmings_; }
  // One measurement of the oscillator at the trim register's value. False while the trim
  // firmware does not run: only it brings the oscillator out where a counter can see it.
  bool MeasureOscillator(double& hz);
  const OscillatorSetup& OscillatorModel() const { return oscillator_.Setup(); }

 private:
  ImageKind KindOf(const std::string& header, const std::filesystem::path& file) const;

  const SimTarget& target_;
  std::vector<uint8_t> memory_;
  uint16_t address_ = 0;
  uint16_t siliconVersion_;
  std::map<uint16_t, FlashRow> rows_;
  ImageKind image_;
  std::vector<std::string> trimImages_;
  std::vector<Programming> programmings_;
  Oscillator oscillator_;
  SimTrimFirmware trim_{*this};
};

}  // namespace halyard
