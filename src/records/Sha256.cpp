// SHA-256 through OpenSSL's libcrypto, which every station already carries for libpq's TLS.
#include "records/Sha256.h"

#include <openssl/evp.h>

#include <array>
#include <fstream>
#include <memory>
#include <system_error>

namespace halyard::records {

namespace {

struct ContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;

Context Begin() {
  Context context(EVP_MD_CTX_new());
  if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) context.reset();
  return context;
}

std::string Finish(EVP_MD_CTX* context) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(context, digest.data(), &size) != 1) return {};
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(size * 2);
  for (unsigned int i = 0; i < size; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0xF];
  }
  return hex;
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
  const Context context = Begin();
  if (!context || EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1) return {};
  return Finish(context.get());
}

bool Sha256OfFile(const std::filesystem::path& path, std::string& hex) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  const Context context = Begin();
  if (!in || !context) return false;
  std::array<char, 64 * 1024> piece{};
  while (in) {
    in.read(piece.data(), piece.size());
    if (EVP_DigestUpdate(context.get(), piece.data(), static_cast<size_t>(in.gcount())) != 1)
      return false;
  }
  if (in.bad()) return false;
  hex = Finish(context.get());
  return !hex.empty();
}

}  // namespace halyard::records
