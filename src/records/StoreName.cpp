// Finding the secrets of a store's name, and keeping them out of every message.
#include "records/StoreName.h"

#include <algorithm>
#include <cctype>

namespace halyard::records {

namespace {

constexpr std::string_view kHidden = "***";
constexpr std::string_view kSchemeEnd = "://";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The password of the user part: from the first colon after the scheme to the last "@". libpq
// ends the user part at the first "@" or "/"; taking the widest reading hides more, never less.
void FindUserPassword(std::string_view name, std::vector<std::pair<size_t, size_t>>& spans) {
  const size_t scheme = name.find(kSchemeEnd);
  if (scheme == std::string_view::npos) return;
  const size_t start = scheme + kSchemeEnd.size();
  const size_t at = name.rfind('@');
  if (at == std::string_view::npos || at < start) return;
  const size_t colon = name.find(':', start);
  if (colon != std::string_view::npos && colon < at) spans.emplace_back(colon + 1, at);
}

// The values of "password" parameters after the first "?".
void FindPasswordParameters(std::string_view name, std::vector<std::pair<size_t, size_t>>& spans) {
  const size_t query = name.find('?');
  if (query == std::string_view::npos) return;
  for (size_t begin = query + 1; begin <= name.size();) {
    size_t end = name.find('&', begin);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view parameter = name.substr(begin, end - begin);
    const size_t equals = parameter.find('=');
    if (equals != std::string_view::npos &&
        Lower(PercentDecoded(parameter.substr(0, equals))) == "password")
      spans.emplace_back(begin + equals + 1, end);
    begin = end + 1;
  }
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
  if (what.empty()) return;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

}  // namespace

StoreName::StoreName(std::string name) : name_(std::move(name)) {
  FindUserPassword(name_, spans_);
  FindPasswordParameters(name_, spans_);
  std::sort(spans_.begin(), spans_.end());
  size_t copied = 0;
  for (const auto& [begin, end] : spans_) {
    if (begin < copied) continue;  // the user part's span already covers it
    shown_ += name_.substr(copied, begin - copied);
    shown_ += kHidden;
    copied = end;
    AddSecret(name_.substr(begin, end - begin));
  }
  shown_ += name_.substr(copied);
}

void StoreName::AddSecret(std::string secret) {
  if (secret.empty()) return;
  std::string decoded = PercentDecoded(secret);
  secrets_.push_back(std::move(secret));
  if (decoded != secrets_.back()) secrets_.push_back(std::move(decoded));
}

bool StoreName::Secret(std::string_view piece) const {
  if (piece.empty()) return false;
  for (const std::string& secret : secrets_) {
    if (secret.find(piece) != std::string::npos) return true;
  }
  // A piece of the name that overlaps a secret: "pa" of "postgresql://u:pa/ss@h", which libpq
  // takes for a port.
  for (size_t at = name_.find(piece); at != std::string::npos; at = name_.find(piece, at + 1)) {
    for (const auto& [begin, end] : spans_) {
      if (at < end && at + piece.size() > begin) return true;
    }
  }
  return false;
}

std::string StoreName::Scrub(std::string_view message) const {
  std::string text(message);
  ReplaceAll(text, name_, shown_);
  for (const std::string& secret : secrets_)
    ReplaceAll(text, secret, kHidden);
  std::string scrubbed;
  size_t copied = 0;
  for (size_t open = text.find('"'); open != std::string::npos;) {
    const size_t close = text.find('"', open + 1);
    if (close == std::string::npos) break;
    const std::string_view quoted(text.data() + open + 1, close - open - 1);
    scrubbed += text.substr(copied, open + 1 - copied);
    scrubbed += Secret(quoted) ? kHidden : quoted;
    copied = close;
    open = text.find('"', close + 1);
  }
  scrubbed += text.substr(copied);
  return OneLine(scrubbed);
}

std::string OneLine(std::string_view text) {
  std::string line;
  bool blank = false;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == ' ') {
      blank = !line.empty();
      continue;
    }
    if (blank) line += ' ';
    blank = false;
    line += c;
  }
  return line;
}

std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

}  // namespace halyard::records
