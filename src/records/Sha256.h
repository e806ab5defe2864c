// SHA-256 of configuration files and firmware images, so a record says exactly which bytes the
// station ran with; OpenSSL's libcrypto computes it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace halyard::records {

// 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

// The digest of a regular file's bytes; false when it cannot be read. Files are read in
// pieces, so an image of any size costs no more memory than one piece.
bool Sha256OfFile(const std::filesystem::path& path, std::string& hex);

}  // namespace halyard::records
