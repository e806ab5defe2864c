// Reading the i2c-dev backend's settings and mapping device addresses.
#include "i2c/I2cSettings.h"

#include <charconv>
#include <string_view>

namespace halyard::i2c {

namespace {

// 7-bit addresses a device may have; the rest are reserved by the I2C bus itself.
constexpr int kFirstBusAddress = 0x03;
constexpr int kLastBusAddress = 0x77;

bool IsBusAddress(int address) {
  return address >= kFirstBusAddress && address <= kLastBusAddress;
}

// "0x17" (hexadecimal) or "23" (decimal), whole.
bool ReadNumber(std::string_view text, int& value) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  return !text.empty() && ec == std::errc{} && ptr == end;
}

bool ReadMap(std::string_view text, I2cSettings& settings, std::string& error) {
  const size_t colon = text.find(':');
  int station = -1;
  int bus = -1;
  if (colon == std::string_view::npos || !ReadNumber(text.substr(0, colon), station) ||
      !ReadNumber(text.substr(colon + 1), bus)) {
    error = "map=" + std::string(text) + ": write map=STATION:BUS, e.g. map=0x17:0x0C";
    return false;
  }
  if (station < 0 || station > 0xFF || !IsBusAddress(bus)) {
    error = "map=" + std::string(text) +
            ": the station's address is 0x00..0xFF, the bus address 0x03..0x77";
    return false;
  }
  settings.addresses[station] = bus;
  return true;
}

}  // namespace

bool ParseI2cSettings(const std::string& text, I2cSettings& settings, std::string& error) {
  settings = I2cSettings{};
  std::string_view rest = text;
  const size_t comma = rest.find(',');
  settings.device = std::string(rest.substr(0, comma));
  if (settings.device.empty()) {
    error = "no i2c-dev device named (e.g. i2c:/dev/i2c-1)";
    return false;
  }
  rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  while (!rest.empty()) {
    const size_t next = rest.find(',');
    const std::string_view option = rest.substr(0, next);
    rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
    if (option == "force") {
      settings.force = true;
    } else if (option.starts_with("map=")) {
      if (!ReadMap(option.substr(4), settings, error)) return false;
    } else {
      error = "unknown option '" + std::string(option) + "' (known: map=STATION:BUS, force)";
      return false;
    }
  }
  return true;
}

int BusAddress(const I2cSettings& settings, int device) {
  const auto mapped = settings.addresses.find(device);
  if (mapped != settings.addresses.end()) return mapped->second;
  if (device < 0 || device > 0xFF || device % 2 != 0) return -1;
  return IsBusAddress(device / 2) ? device / 2 : -1;
}

}  // namespace halyard::i2c
