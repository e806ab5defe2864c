// A record store's name as the operator may see it: a password in a postgresql:// address is
// never printed, whether the address is well formed or not, and whatever a library echoes of it.
// Every message that names a store or carries a database's words goes through here.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace halyard::records {

class StoreName {
 public:
  explicit StoreName(std::string name);

  const std::string& Raw() const { return name_; }
  // The name with each secret written "***": the password of the address's user part (all from
  // its first colon to its last "@", so a password holding "@", "/" or "?" is covered too) and
  // the value of a "password" parameter.
  const std::string& Shown() const { return shown_; }
  // A password that reaches the server another way (a password file): also never printed.
  void AddSecret(std::string secret);
  // `message` (a library's or a server's) in one line, the name written as Shown(), each secret
  // as "***", and each quoted piece of text that is (part of) a secret too: libpq quotes the
  // token it choked on, which may be a password or a piece of one.
  std::string Scrub(std::string_view message) const;

 private:
  bool Secret(std::string_view piece) const;

  std::string name_;
  std::string shown_;
  std::vector<std::pair<size_t, size_t>> spans_;  // [begin, end) of the secrets in name_
  std::vector<std::string> secrets_;              // as written and percent-decoded
};

// `text` in one line: each run of line breaks, tabs and other control characters one blank,
// none at either end. A script reads the station's notices line by line and field by field.
std::string OneLine(std::string_view text);

// "%41" as "A"; a "%" without two hexadecimal digits stays as it is.
std::string PercentDecoded(std::string_view text);

}  // namespace halyard::records
