// Reads a TSPLIB tour (TSPLIB 95, section "The tour data part") against the size of an instance.
// Before TOUR_SECTION the reader takes keyword lines in any order and case (NAME, COMMENT, TYPE,
// DIMENSION; others are skipped) and refuses what only a TSP file has; after it, city numbers
// separated by any blanks and line breaks up to -1, EOF or the end of the input. The answer is a
// report: Success with the tour, 0-based, or the code, line and reason of the first fault. It reads
// nothing but its input; lines are bounded, numbers range checked, and no byte sequence leads to
// undefined behaviour.
#include "tsplib/tolerant_tour_reader.h"

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

#include "instance/instance.h"
#include "tsplib/text_words.h"

namespace ringmarch {
namespace {

// Longest line taken: a tour of every city on one line fits many times over.
constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;
// Digits beyond these make a number out of range without being converted.
constexpr std::size_t kMaxNumberDigits = 18;

// Splits off the first blank-separated word; text keeps what follows it.
std::string_view nextWord(std::string_view& text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  std::size_t length = 0;
  while (length < text.size() && !isBlank(text[length])) ++length;
  const std::string_view word = text.substr(0, length);
  text.remove_prefix(length);
  return word;
}

// Text for a message: long values cut, bytes outside printable ASCII shown as '?'.
std::string shown(std::string_view text) {
  constexpr std::size_t kShownBytes = 40;
  std::string result = "'";
  for (std::size_t i = 0; i < text.size() && i < kShownBytes; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    result.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  }
  if (text.size() > kShownBytes) result += "...";
  return result + "'";
}

// A whole number with optional sign. nullopt when the text is not one; a run of more digits than
// any city number needs gives a value beyond every city, not an overflow.
std::optional<std::int64_t> wholeNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
  std::int64_t value = 0;
  if (text.size() > kMaxNumberDigits) {
    value = INT64_MAX / 2;
  } else if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

// Lines of the input, numbered from 1; a carriage return before the newline is dropped.
class LineSource {
 public:
  virtual ~LineSource() = default;
  // False at the end of the input (or a read error, then failed is set).
  bool next(std::string& line) {
    line.clear();
    tooLong = false;
    int c = get();
    if (c == kEnd) return false;
    ++number;
    while (c != kEnd && c != '\n') {
      if (line.size() < kMaxLineBytes) {
        line.push_back(static_cast<char>(c));
      } else {
        tooLong = true;
      }
      c = get();
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return !failed;
  }

  int number = 0;
  bool tooLong = false;
  bool failed = false;

 protected:
  static constexpr int kEnd = -1;
  // The next byte, 0 to 255, or kEnd.
  virtual int get() = 0;
};

class StreamLines final : public LineSource {
 public:
  explicit StreamLines(std::FILE* stream) : stream_(stream) {}

 private:
  int get() override {
    const int c = std::getc(stream_);
    if (c == EOF) {
      if (std::ferror(stream_)) failed = true;
      return kEnd;
    }
    return c;
  }
  std::FILE* stream_;
};

class TextLines final : public LineSource {
 public:
  explicit TextLines(std::string_view text) : text_(text) {}

 private:
  int get() override {
    if (at_ >= text_.size()) return kEnd;
    return static_cast<unsigned char>(text_[at_++]);
  }
  std::string_view text_;
  std::size_t at_ = 0;
};

std::string citiesText(std::int64_t count) {
  return std::to_string(count) + (count == 1 ? " city" : " cities");
}

class Reader {
 public:
  Reader(LineSource& lines, std::int32_t cities) : lines_(lines), cities_(cities) {}

  TourReadReport read();

 private:
  // Keyword lines up to TOUR_SECTION; rest := what follows TOUR_SECTION on its line.
  bool readHeader(std::string_view& rest);
  bool keyword(const std::string& key, std::string_view value);
  void readSection(std::string_view rest);
  // False when the token ends the tour or a refusal was made.
  bool cityToken(std::string_view token);
  void finish(int endLine);

  bool refuse(ErrorCode code, TourFault fault, int line, std::string reason) {
    report_.code = code;
    report_.fault = fault;
    report_.line = line;
    report_.reason = std::move(reason);
    return false;
  }
  bool refused() const { return report_.fault != TourFault::None; }

  LineSource& lines_;
  std::int32_t cities_;
  TourReadReport report_;
  std::string line_;
  int dimensionLine_ = 0;
  std::vector<int> listedOnLine_;  // per city: the line it was first listed on, 0 when not yet
  int repeatedCity_ = -1;
  int repeatedLine_ = 0;
};

constexpr std::string_view kInstanceKeywords[] = {
    "NODE_COORD_SECTION", "EDGE_WEIGHT_SECTION", "DISPLAY_DATA_SECTION",
    "EDGE_WEIGHT_TYPE",   "EDGE_WEIGHT_FORMAT",  "NODE_COORD_TYPE",
};

constexpr std::string_view kGiveATour =
    "give the tour file (TYPE: TOUR, with a TOUR_SECTION), such as the instance's .opt.tour";

bool Reader::keyword(const std::string& key, std::string_view value) {
  const int line = lines_.number;
  for (const std::string_view instanceKeyword : kInstanceKeywords) {
    if (key == instanceKeyword) {
      return refuse(ErrorCode::FileFormatError, TourFault::NotTourFile, line,
                    key + ": this is a TSP instance, not a tour; " + std::string(kGiveATour));
    }
  }
  std::string_view rest = value;
  const std::string word = upperCase(nextWord(rest));
  if (key == "TYPE") {
    if (word == "TOUR") return true;
    if (word == "TSP" || word == "ATSP") {
      return refuse(ErrorCode::FileFormatError, TourFault::NotTourFile, line,
                    "TYPE " + word + ": this is a " + word + " instance, not a tour; " +
                        std::string(kGiveATour));
    }
    return refuse(ErrorCode::FileFormatError, TourFault::NotTourFile, line,
                  "TYPE " + shown(value) + ": not a tour file (TYPE: TOUR)");
  }
  if (key == "DIMENSION") {
    const std::optional<std::int64_t> n = wholeNumber(word);
    if (!n || !trimmed(rest).empty()) {
      return refuse(ErrorCode::FileReadFailed, TourFault::Unreadable, line,
                    "DIMENSION " + shown(value) + " is not a whole number");
    }
    if (dimensionLine_ != 0 && *n != report_.dimension) {
      return refuse(ErrorCode::FileReadFailed, TourFault::Unreadable, line,
                    "DIMENSION given twice with different values (line " +
                        std::to_string(dimensionLine_) + " and this one)");
    }
    if (*n != cities_) {
      return refuse(ErrorCode::CityIdOutOfRange, TourFault::Dimension, line,
                    "its DIMENSION " + std::to_string(*n) + " differs from the instance's " +
                        citiesText(cities_));
    }
    dimensionLine_ = line;
    report_.dimension = static_cast<int>(*n);
    return true;
  }
  // NAME, COMMENT and keywords TSPLIB does not define for tours say nothing about the tour.
  return true;
}

bool Reader::readHeader(std::string_view& rest) {
  while (lines_.next(line_)) {
    if (lines_.tooLong) {
      return refuse(ErrorCode::FileReadFailed, TourFault::Unreadable, lines_.number,
                    "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
    }
    std::string_view text = trimmed(line_);
    if (text.empty()) continue;
    // "KEY: value", "KEY : value" or "KEY value".
    std::size_t keyLength = 0;
    while (keyLength < text.size() && text[keyLength] != ':' && !isBlank(text[keyLength])) {
      ++keyLength;
    }
    const std::string key = upperCase(text.substr(0, keyLength));
    std::string_view value = trimmed(text.substr(keyLength));
    if (!value.empty() && value.front() == ':') value = trimmed(value.substr(1));
    if (key == "TOUR_SECTION") {
      rest = value;
      return true;
    }
    if (key == "EOF") {
      return refuse(ErrorCode::FileReadFailed, TourFault::Unreadable, lines_.number,
                    "EOF before any TOUR_SECTION: the file lists no tour");
    }
    if (!keyword(key, value)) return false;
  }
  if (lines_.failed) {
    return refuse(ErrorCode::FileReadFailed, TourFault::Unreadable, 0, "the file cannot be read");
  }
  if (lines_.number == 0) {
    return refuse(ErrorCode::FileReadFailed, TourFault::Unreadable, 0, "the file is empty");
  }
  return refuse(ErrorCode::FileReadFailed, TourFault::Unreadable, 0,
                "no TOUR_SECTION: the file lists no tour");
}

bool Reader::cityToken(std::string_view token) {
  const int line = lines_.number;
  if (upperCase(token) == "EOF") return false;
  const std::optional<std::int64_t> number = wholeNumber(token);
  if (!number) {
    return refuse(ErrorCode::FileReadFailed, TourFault::Unreadable, line,
                  shown(token) + " is not a city number");
  }
  if (*number == -1) return false;
  if (*number < 1 || *number > cities_) {
    const std::string value =
        *number > INT32_MAX || *number < INT32_MIN ? shown(token) : std::to_string(*number);
    return refuse(ErrorCode::CityIdOutOfRange, TourFault::OutOfRange, line,
                  "city " + value + " is out of range: the instance has " + citiesText(cities_) +
                      ", numbered 1 to " + std::to_string(cities_));
  }
  const int city = static_cast<int>(*number - 1);
  const bool full = report_.tour.size() == static_cast<std::size_t>(cities_);
  if (listedOnLine_[city] != 0 && repeatedCity_ < 0) {
    repeatedCity_ = city;
    repeatedLine_ = line;
  }
  if (listedOnLine_[city] == 0) listedOnLine_[city] = line;
  report_.tour.push_back(city);
  // A list longer than the instance holds a repeat, known by now: it is cut here, one entry past
  // the instance's size, so that no input makes it longer.
  return !full;
}

void Reader::readSection(std::string_view rest) {
  // The rest of the TOUR_SECTION line, then the lines after it.
  for (;;) {
    for (std::string_view token = nextWord(rest); !token.empty(); token = nextWord(rest)) {
      if (!cityToken(token)) {
        if (!refused()) finish(lines_.number);
        return;
      }
    }
    if (!lines_.next(line_)) break;
    if (lines_.tooLong) {
      refuse(ErrorCode::FileReadFailed, TourFault::Unreadable, lines_.number,
             "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
      return;
    }
    rest = line_;
  }
  if (lines_.failed) {
    refuse(ErrorCode::FileReadFailed, TourFault::Unreadable, 0, "the file cannot be read");
    return;
  }
  finish(lines_.number);
}

void Reader::finish(int endLine) {
  int missing = -1;
  for (int city = 0; city < cities_ && missing < 0; ++city) {
    if (listedOnLine_[city] == 0) missing = city;
  }
  if (repeatedCity_ >= 0) {
    const int first = listedOnLine_[repeatedCity_];
    std::string reason =
        "city " + std::to_string(repeatedCity_ + 1) + " is listed twice (" +
        (first == repeatedLine_ ? "both on this line" : "first on line " + std::to_string(first)) +
        ")";
    if (missing >= 0) reason += "; city " + std::to_string(missing + 1) + " is missing";
    refuse(ErrorCode::FileReadFailed, TourFault::Repeated, repeatedLine_, std::move(reason));
    return;
  }
  if (missing >= 0) {
    refuse(ErrorCode::FileReadFailed, TourFault::Missing, endLine,
           "city " + std::to_string(missing + 1) + " is missing: the tour ends after " +
               citiesText(static_cast<std::int64_t>(report_.tour.size())) + " of " +
               std::to_string(cities_));
  }
}

TourReadReport Reader::read() {
  if (cities_ < 1 || cities_ > kMaxInstanceCities) {
    refuse(ErrorCode::CityIdOutOfRange, TourFault::OutOfRange, 0,
           "an instance of " + citiesText(cities_) + " has no tour to read");
    return report_;
  }
  listedOnLine_.assign(static_cast<std::size_t>(cities_), 0);
  report_.tour.reserve(static_cast<std::size_t>(cities_));
  std::string_view rest;
  if (readHeader(rest)) readSection(rest);
  return report_;
}

}  // namespace

std::string TourReadReport::where() const {
  return line > 0 ? "line " + std::to_string(line) + ": " + reason : reason;
}

TourReadReport readTourStreamTolerant(std::FILE* stream, std::int32_t cities) {
  StreamLines lines(stream);
  return Reader(lines, cities).read();
}

TourReadReport readTourTextTolerant(std::string_view text, std::int32_t cities) {
  TextLines lines(text);
  return Reader(lines, cities).read();
}

TourReadReport readTourFileTolerant(const FileName& file, std::int32_t cities) {
  TourReadReport report;
  std::error_code error;
  if (file.present && std::filesystem::is_directory(file.location, error)) {
    report.code = ErrorCode::FileReadFailed;
    report.fault = TourFault::Unreadable;
    report.reason = "is a directory";
    return report;
  }
  std::FILE* stream = openTextFile(file, false);
  if (stream == nullptr) {
    report.code = ErrorCode::FileOpenFailed;
    report.fault = TourFault::Unreadable;
    report.reason = "the file cannot be opened (it may not exist)";
    return report;
  }
  report = readTourStreamTolerant(stream, cities);
  std::fclose(stream);
  return report;
}

}  // namespace ringmarch
