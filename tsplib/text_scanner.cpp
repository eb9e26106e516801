#include "tsplib/text_scanner.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace ringmarch {
namespace {

// On Windows the files are opened in text mode and the run-time library already turns a carriage
// return before a newline into the newline; elsewhere the scanner does it, so a file with CRLF
// line ends reads the same on every platform.
#ifdef _WIN32
constexpr bool kDropCarriageReturn = false;
#else
constexpr bool kDropCarriageReturn = true;
#endif

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();

bool isDigit(int c) {
  return c >= '0' && c <= '9';
}

// Accumulates one more decimal digit; once the magnitude exceeds every 32-bit value it stays
// just above that, so the run of digits may be of any length without overflow.
void addDigit(std::int64_t& magnitude, int digit) {
  if (magnitude <= kInt32Max + 1) magnitude = magnitude * 10 + (digit - '0');
}

bool toInt32(bool negative, std::int64_t magnitude, std::int32_t& value) {
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue < kInt32Min || signedValue > kInt32Max) return false;
  value = static_cast<std::int32_t>(signedValue);
  return true;
}

// Finds "<keyword>", optional blanks and a colon at the start of the line; rest := what follows
// the colon and any blanks after it.
bool valueAfterKeyword(std::string_view line, std::string_view keyword, std::string_view& rest) {
  if (line.substr(0, keyword.size()) != keyword) return false;
  std::size_t at = keyword.size();
  while (at < line.size() && isBlankByte(static_cast<unsigned char>(line[at]))) ++at;
  if (at >= line.size() || line[at] != ':') return false;
  ++at;
  while (at < line.size() && isBlankByte(static_cast<unsigned char>(line[at]))) ++at;
  rest = line.substr(at);
  return true;
}

}  // namespace

bool isBlankByte(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int TextScanner::getRaw() {
  if (!fromBytes_) return std::getc(stream_);
  return at_ < bytes_.size() ? static_cast<unsigned char>(bytes_[at_++]) : EOF;
}

void TextScanner::ungetRaw(int c) {
  if (fromBytes_) {
    --at_;
  } else {
    std::ungetc(c, stream_);
  }
}

bool TextScanner::failed() const {
  return !fromBytes_ && std::ferror(stream_) != 0;
}

int TextScanner::getTranslated() {
  const int c = getRaw();
  if (c != '\r' || !(kDropCarriageReturn || fromBytes_)) return c;
  const int next = getRaw();
  if (next == '\n') return '\n';
  if (next != EOF) ungetRaw(next);
  return c;
}

int TextScanner::peek() {
  if (lookahead_ == kNone) lookahead_ = getTranslated();
  return lookahead_;
}

int TextScanner::get() {
  const int c = peek();
  lookahead_ = kNone;
  return c;
}

void TextScanner::skipSpace() {
  while (isBlankByte(peek())) get();
}

bool TextScanner::readLine(std::string_view& line) {
  std::size_t length = 0;
  while (length < kMaxLineBytes) {
    const int c = get();
    if (c == EOF) break;
    line_[length++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  if (length == 0 || failed()) return false;
  line = std::string_view(line_, strnlen(line_, length));
  return true;
}

bool TextScanner::readInteger(std::int32_t& value) {
  skipSpace();
  bool negative = false;
  if (peek() == '+' || peek() == '-') negative = get() == '-';
  if (!isDigit(peek())) return false;
  std::int64_t magnitude = 0;
  while (isDigit(peek())) addDigit(magnitude, get());
  return toInt32(negative, magnitude, value);
}

bool TextScanner::readWord(std::string& word, std::size_t keepBytes) {
  word.clear();
  skipSpace();
  if (peek() == EOF) return false;
  while (peek() != EOF && !isBlankByte(peek())) {
    const int c = get();
    if (word.size() < keepBytes) word.push_back(static_cast<char>(c));
  }
  return true;
}

bool TextScanner::readReal(double& value) {
  skipSpace();
  char text[kMaxNumberBytes + 1];
  std::size_t length = 0;
  bool tooLong = false;
  auto take = [&] {
    const int c = get();
    if (length < kMaxNumberBytes) {
      text[length++] = static_cast<char>(c);
    } else {
      tooLong = true;
    }
  };
  std::size_t mantissaDigits = 0;
  if (peek() == '+' || peek() == '-') {
    // from_chars refuses a leading '+': keep only '-'.
    if (peek() == '-') {
      take();
    } else {
      get();
    }
  }
  while (isDigit(peek())) {
    take();
    ++mantissaDigits;
  }
  // "0x..." would be a hexadecimal number elsewhere; it is not a decimal coordinate.
  if (mantissaDigits > 0 && (peek() == 'x' || peek() == 'X')) return false;
  if (peek() == '.') {
    take();
    while (isDigit(peek())) {
      take();
      ++mantissaDigits;
    }
  }
  if (mantissaDigits == 0) return false;
  if (peek() == 'e' || peek() == 'E') {
    take();
    if (peek() == '+' || peek() == '-') take();
    if (!isDigit(peek())) return false;
    while (isDigit(peek())) take();
  }
  if (tooLong) return false;
  double parsed = 0.0;
  const auto [end, error] = std::from_chars(text, text + length, parsed);
  if (error != std::errc() || end != text + length || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

KeywordMatch matchIntegerKeyword(std::string_view line, std::string_view keyword,
                                 std::int32_t& value) {
  std::string_view rest;
  if (!valueAfterKeyword(line, keyword, rest)) return KeywordMatch::NoMatch;
  std::size_t at = 0;
  bool negative = false;
  if (at < rest.size() && (rest[at] == '+' || rest[at] == '-')) negative = rest[at++] == '-';
  if (at >= rest.size() || !isDigit(static_cast<unsigned char>(rest[at]))) {
    return KeywordMatch::NoMatch;
  }
  std::int64_t magnitude = 0;
  while (at < rest.size() && isDigit(static_cast<unsigned char>(rest[at]))) {
    addDigit(magnitude, static_cast<unsigned char>(rest[at++]));
  }
  return toInt32(negative, magnitude, value) ? KeywordMatch::Value : KeywordMatch::OutOfRange;
}

KeywordMatch matchWordKeyword(std::string_view line, std::string_view keyword,
                              std::string_view& word) {
  std::string_view rest;
  if (!valueAfterKeyword(line, keyword, rest)) return KeywordMatch::NoMatch;
  std::size_t length = 0;
  while (length < rest.size() && !isBlankByte(static_cast<unsigned char>(rest[length]))) ++length;
  if (length == 0) return KeywordMatch::NoMatch;
  word = rest.substr(0, length);
  return KeywordMatch::Value;
}

}  // namespace ringmarch
