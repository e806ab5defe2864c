// Hexadecimal text helpers shared by the bench file, the state file and the S-record reader.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adapter/Utils.h"  // HexDigitValue

namespace halyard {

// "0x20" or "0X20" (at least one digit, no sign, no blanks). Nullopt when the text is anything
// else or the value does not fit in 32 bits.
std::optional<uint32_t> ParseHexNumber(std::string_view text);

// Bytes written as pairs of hexadecimal digits, with or without blanks between the pairs
// ("48 61 6C", "48616C"). A blank may not split a pair. On failure returns nullopt and says why.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text, std::string& reason);

// Upper-case pairs without separators: the form the state file uses.
std::string FormatHexBytes(const uint8_t* data, size_t size);

}  // namespace halyard
