// The strict text scanner shared by the TSP and TOUR readers: lines of at most 511 bytes (a longer
// line is handed out in pieces, each piece counting as a line), keyword lines matched from the
// first byte, and white-space-separated tokens read from the same stream or bytes in memory. Every
// number is range checked; no byte sequence leads to undefined behaviour.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace ringmarch {

// Longest line piece, newline included.
inline constexpr std::size_t kMaxLineBytes = 511;
// Longest number token accepted in a section; longer runs of digits are refused.
inline constexpr std::size_t kMaxNumberBytes = 511;

// What a keyword line yields.
enum class KeywordMatch {
  NoMatch,     // not this keyword, or no value after the colon
  Value,       // keyword and value found
  OutOfRange,  // an integer value that does not fit 32 bits
};

class TextScanner {
 public:
  explicit TextScanner(std::FILE* stream) : stream_(stream) {}
  // Bytes held in memory (they must outlive the scanner), read as a file of those bytes: a
  // carriage return before a newline is dropped on every platform.
  explicit TextScanner(std::string_view bytes) : bytes_(bytes), fromBytes_(true) {}
  TextScanner(const TextScanner&) = delete;
  TextScanner& operator=(const TextScanner&) = delete;

  // The next line: up to kMaxLineBytes bytes, ending after the first newline if that comes
  // first. The view ends at the first NUL byte, if any, so a line compares as text. False at the
  // end of the input (or a read error) before any byte.
  bool readLine(std::string_view& line);

  // A decimal integer with optional sign after optional white space. False when none can be read
  // or it does not fit 32 bits.
  bool readInteger(std::int32_t& value);
  // A run of non-white-space bytes after optional white space; only the first keepBytes bytes
  // are kept. False at the end of the input.
  bool readWord(std::string& word, std::size_t keepBytes);
  // A finite decimal floating-point number (sign, fraction and exponent optional) after optional
  // white space. False when none can be read, or for hexadecimal, infinite, NaN or out-of-range
  // values.
  bool readReal(double& value);

 private:
  int peek();
  int get();
  int getRaw();
  void ungetRaw(int c);
  bool failed() const;
  int getTranslated();
  void skipSpace();

  std::FILE* stream_ = nullptr;
  std::string_view bytes_;
  std::size_t at_ = 0;
  bool fromBytes_ = false;
  int lookahead_ = kNone;
  char line_[kMaxLineBytes + 1] = {};

  static constexpr int kNone = -2;
};

bool isBlankByte(int c);

// Matches "<keyword> :<integer>" from the first byte of the line: blanks before and after the
// colon are optional.
KeywordMatch matchIntegerKeyword(std::string_view line, std::string_view keyword,
                                 std::int32_t& value);
// Matches "<keyword> :<word>" the same way; the word is the run of non-blank bytes after it.
KeywordMatch matchWordKeyword(std::string_view line, std::string_view keyword,
                              std::string_view& word);

}  // namespace ringmarch
