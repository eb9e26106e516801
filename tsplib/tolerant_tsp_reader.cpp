// The tolerant reader: reads a TSP or ATSP file line by line (keywords in any order, sections
// collected as they come), then checks the header and builds the instance whole: a coordinate
// Instance for a distance rule, a matrix Instance for EXPLICIT. Reads the stream or bytes it is
// given and nothing else; a refusal is a value with its code, line and reason and no instance.
#include "tsplib/tolerant_tsp_reader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

#include "instance/distance_rule.h"
#include "instance/problem_conversion.h"
#include "tsplib/text_words.h"

namespace ringmarch {
namespace {

// Longest line taken; a matrix row of thousands of cities fits many times over.
constexpr std::size_t kMaxLineBytes = 1 << 20;
// Longest number token; longer runs are refused rather than parsed.
constexpr std::size_t kMaxTokenBytes = 511;
// Most entries a coordinate section keeps: a city number and three coordinates for each of the
// most cities. Further entries are only counted, so that a refusal can say how many there were.
// A section before DIMENSION keeps no more either: until the number of cities is known, memory
// stays bounded by this.
constexpr std::size_t kMaxCoordinateEntries = std::size_t{4} * kMaxInstanceCities;

// The distance rules are the instance layer's; the reader only names them.
using Rule = DistanceRule;
using Point = RulePoint;

enum class Layout {
  Full,
  UpperRow,
  LowerRow,
  UpperDiagRow,
  LowerDiagRow,
  UpperCol,
  LowerCol,
  UpperDiagCol,
  LowerDiagCol,
  Function,
};

enum class Section { None, Ignored, NodeCoord, EdgeWeight, DisplayData };

// The entries of one section as read. Coordinate sections keep them as written (city numbers
// become labels, and a refusal quotes them); the matrix keeps 32-bit numbers and remembers the
// first entry that is none, so that a large matrix costs 8 bytes an entry while it is read.
struct SectionData {
  int line = 0;           // the section line; 0 when the file has no such section
  std::size_t count = 0;  // entries seen, also those that were not kept
  int firstUnkeptLine = 0;
  bool unkeptBeforeDimension = false;  // entries dropped while the number of cities was unknown
  std::vector<int> lines;              // the line of each kept entry
  std::vector<std::string> texts;      // coordinate sections
  std::vector<std::int32_t> numbers;   // EDGE_WEIGHT_SECTION
  // The first kept matrix entry that is not a whole 32-bit number: its index and text.
  std::size_t firstBad = std::numeric_limits<std::size_t>::max();
  std::string firstBadText;
  bool firstBadBeyond32Bits = false;

  std::size_t kept() const { return lines.size(); }
};

// A refusal: thrown nowhere, carried up as a value.
struct Refusal {
  ErrorCode code;
  int line;
  std::string reason;
};

// The first run of non-blank bytes.
std::string_view firstWord(std::string_view text) {
  text = trimmed(text);
  std::size_t length = 0;
  while (length < text.size() && !isBlank(text[length])) ++length;
  return text.substr(0, length);
}

// Text for a message: cut long values, show bytes outside printable ASCII as '?'.
std::string shown(std::string_view text) {
  constexpr std::size_t kShownBytes = 40;
  std::string result;
  for (std::size_t i = 0; i < text.size() && i < kShownBytes; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    result.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  }
  if (text.size() > kShownBytes) result += "...";
  return "'" + result + "'";
}

std::optional<std::int64_t> wholeNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.size() > kMaxTokenBytes) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// A finite decimal number: sign, fraction and exponent optional; no hexadecimal, infinity or NaN.
std::optional<double> realNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.size() > kMaxTokenBytes) return std::nullopt;
  for (const char c : text) {
    const bool allowed =
        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    if (!allowed) return std::nullopt;
  }
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// The input's bytes, from an open stream (read in blocks) or from memory, counted against
// kMaxTspFileBytes: an endless stream ends there.
class ByteSource {
 public:
  explicit ByteSource(std::FILE* stream) : stream_(stream), block_(kBlockBytes) {}
  explicit ByteSource(std::string_view text) : view_(text) {}

  // The next byte, or EOF at the end, after a read error or beyond the size bound.
  int get() {
    if (at_ == view_.size() && !refill()) return EOF;
    if (++taken_ > kMaxTspFileBytes) {
      tooLarge = true;
      return EOF;
    }
    return static_cast<unsigned char>(view_[at_++]);
  }

  bool readFailed = false;
  int readError = 0;  // errno of the failed read
  bool tooLarge = false;

 private:
  static constexpr std::size_t kBlockBytes = std::size_t{64} << 10;

  bool refill() {
    if (stream_ == nullptr || readFailed || tooLarge) return false;
    errno = 0;
    const std::size_t n = std::fread(block_.data(), 1, block_.size(), stream_);
    if (n == 0) {
      readFailed = std::ferror(stream_) != 0;
      readError = errno;
      return false;
    }
    view_ = std::string_view(block_.data(), n);
    at_ = 0;
    return true;
  }

  std::FILE* stream_ = nullptr;
  std::vector<char> block_;
  std::string_view view_;
  std::size_t at_ = 0;
  std::size_t taken_ = 0;
};

// Reads the input line by line, counting lines; a carriage return before a newline is dropped.
class LineSource {
 public:
  explicit LineSource(ByteSource& bytes) : bytes_(bytes) {}

  // False at the end of the input. tooLong is set for a line beyond kMaxLineBytes, which is the
  // file's refusal: the rest of it is not read (an endless line would never end).
  bool next(std::string& line) {
    line.clear();
    int c = bytes_.get();
    if (c == EOF) return false;
    ++lineNumber;
    anyByte = true;
    while (c != EOF && c != '\n') {
      if (line.size() == kMaxLineBytes) {
        tooLong = true;
        return true;
      }
      line.push_back(static_cast<char>(c));
      c = bytes_.get();
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return !bytes_.readFailed && !bytes_.tooLarge;
  }

  int lineNumber = 0;
  bool anyByte = false;
  bool tooLong = false;

 private:
  ByteSource& bytes_;
};

struct Keyword {
  int line = 0;
  std::string value;  // trimmed, as written
};

struct Header {
  Keyword name, type, dimension, edgeWeightType, edgeWeightFormat, nodeCoordType, displayDataType;
  int count = 0;
  bool atsp = false;
  Rule rule = Rule::Explicit;
  Layout layout = Layout::Function;
  bool layoutGiven = false;
  int nodeCoordinates = 0;  // 2 or 3 from NODE_COORD_TYPE, 0 when not given
  bool noDisplay = false;
};

// One of the values TSPLIB defines for a keyword.
template <typename T>
struct Choice {
  std::string_view name;
  T value;
};

template <typename T, std::size_t N>
std::optional<T> choose(const Choice<T> (&choices)[N], std::string_view word) {
  for (const Choice<T>& choice : choices) {
    if (choice.name == word) return choice.value;
  }
  return std::nullopt;
}

constexpr Choice<Rule> kRules[] = {
    {"EXPLICIT", Rule::Explicit}, {"EUC_2D", Rule::Euc2d}, {"EUC_3D", Rule::Euc3d},
    {"CEIL_2D", Rule::Ceil2d},    {"ATT", Rule::Att},      {"GEO", Rule::Geo},
    {"MAN_2D", Rule::Man2d},      {"MAN_3D", Rule::Man3d}, {"MAX_2D", Rule::Max2d},
    {"MAX_3D", Rule::Max3d},
};

constexpr Choice<Layout> kLayouts[] = {
    {"FULL_MATRIX", Layout::Full},
    {"UPPER_ROW", Layout::UpperRow},
    {"LOWER_ROW", Layout::LowerRow},
    {"UPPER_DIAG_ROW", Layout::UpperDiagRow},
    {"LOWER_DIAG_ROW", Layout::LowerDiagRow},
    {"UPPER_COL", Layout::UpperCol},
    {"LOWER_COL", Layout::LowerCol},
    {"UPPER_DIAG_COL", Layout::UpperDiagCol},
    {"LOWER_DIAG_COL", Layout::LowerDiagCol},
    {"FUNCTION", Layout::Function},
};

// How many entries a layout lists for n cities.
std::size_t entriesOf(Layout layout, std::size_t n) {
  switch (layout) {
    case Layout::Full:
      return n * n;
    case Layout::UpperRow:
    case Layout::LowerRow:
    case Layout::UpperCol:
    case Layout::LowerCol:
      return n * (n - 1) / 2;
    default:
      return n * (n + 1) / 2;
  }
}

// The (row, column) pairs of a layout in the order the file lists them.
template <typename Visit>
void forEachEntry(Layout layout, int n, Visit visit) {
  for (int a = 0; a < n; ++a) {
    switch (layout) {
      case Layout::Full:
        for (int b = 0; b < n; ++b) visit(a, b);
        break;
      case Layout::UpperRow:
        for (int b = a + 1; b < n; ++b) visit(a, b);
        break;
      case Layout::LowerRow:
        for (int b = 0; b < a; ++b) visit(a, b);
        break;
      case Layout::UpperDiagRow:
        for (int b = a; b < n; ++b) visit(a, b);
        break;
      case Layout::LowerDiagRow:
        for (int b = 0; b <= a; ++b) visit(a, b);
        break;
      // Column layouts: a is the column.
      case Layout::UpperCol:
        for (int b = 0; b < a; ++b) visit(b, a);
        break;
      case Layout::LowerCol:
        for (int b = a + 1; b < n; ++b) visit(b, a);
        break;
      case Layout::UpperDiagCol:
        for (int b = 0; b <= a; ++b) visit(b, a);
        break;
      case Layout::LowerDiagCol:
        for (int b = a; b < n; ++b) visit(b, a);
        break;
      case Layout::Function:
        return;
    }
  }
}

// The most cities a reading takes, and the most of an ATSP file (0: no limit of its own).
struct CityLimits {
  int cities = kMaxInstanceCities;
  int asymmetricCities = 0;
};

class Reader {
 public:
  Reader(ByteSource& bytes, std::string_view name, CityLimits limits)
      : bytes_(bytes), source_(bytes), name_(name), limits_(limits) {}

  std::optional<Refusal> read(TspRead& result);

 private:
  std::optional<Refusal> readLines();
  std::optional<Refusal> keywordLine(std::string_view line, bool& endOfData);
  std::optional<Refusal> keyword(const std::string& key, std::string_view value, int line);
  void dataLine(std::string_view line);
  std::size_t keepLimit(const SectionData& data) const;
  std::optional<Refusal> checkHeader();
  std::optional<Refusal> build(TspRead& result);
  std::optional<Refusal> readMatrix(std::vector<std::int32_t>& matrix);
  std::optional<Refusal> readPoints(const SectionData& data, const char* sectionName,
                                    int coordinates, std::vector<Point>& points,
                                    std::vector<std::string>& labels);
  std::optional<Refusal> countFits(const SectionData& data, const char* sectionName,
                                   std::size_t expected, const std::string& what);

  ByteSource& bytes_;
  LineSource source_;
  std::string name_;
  CityLimits limits_;
  Header header_;
  Section section_ = Section::None;
  SectionData nodeCoord_, edgeWeight_, displayData_;
};

Refusal refuse(ErrorCode code, int line, std::string reason) {
  return Refusal{code, line, std::move(reason)};
}

std::string citiesText(std::int64_t count) {
  return std::to_string(count) + (count == 1 ? " city" : " cities");
}

std::optional<Refusal> Reader::keyword(const std::string& key, std::string_view value, int line) {
  auto store = [&](Keyword& field) -> std::optional<Refusal> {
    if (field.line != 0 && field.value != value) {
      return refuse(ErrorCode::FileFormatError, line,
                    key + " given twice (line " + std::to_string(field.line) + " and this one)");
    }
    field.line = line;
    field.value = std::string(value);
    return std::nullopt;
  };
  const std::string word = upperCase(firstWord(value));
  if (key == "NAME") return store(header_.name);
  if (key == "TYPE") {
    if (auto refusal = store(header_.type)) return refusal;
    if (word == "TSP") return std::nullopt;
    if (word == "ATSP") {
      header_.atsp = true;
      return std::nullopt;
    }
    return refuse(ErrorCode::FileFormatError, line,
                  "TYPE " + shown(value) + ": this solver solves TSP and ATSP instances");
  }
  if (key == "DIMENSION") {
    if (auto refusal = store(header_.dimension)) return refusal;
    const std::string most = "; at most " + std::to_string(limits_.cities);
    const std::optional<std::int64_t> n = wholeNumber(word);
    if (!n) {
      // A run of digits too long for any whole-number type still counts cities: too many.
      std::string_view digits = word;
      if (digits.starts_with('+')) digits.remove_prefix(1);
      if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos) {
        const std::string count =
            digits.size() > 40 ? std::string(digits.substr(0, 40)) + "..." : std::string(digits);
        return refuse(ErrorCode::TooManyCities, line, count + " cities" + most);
      }
      return refuse(ErrorCode::FileReadFailed, line,
                    "DIMENSION " + shown(value) + " is not a whole number");
    }
    if (*n > limits_.cities) {
      return refuse(ErrorCode::TooManyCities, line, std::to_string(*n) + " cities" + most);
    }
    if (*n < 1) {
      return refuse(ErrorCode::FileReadFailed, line,
                    "DIMENSION " + std::to_string(*n) + ": the file declares no cities");
    }
    header_.count = static_cast<int>(*n);
    return std::nullopt;
  }
  if (key == "EDGE_WEIGHT_TYPE") {
    if (auto refusal = store(header_.edgeWeightType)) return refusal;
    if (const auto rule = choose(kRules, word)) {
      header_.rule = *rule;
      return std::nullopt;
    }
    if (word == "XRAY1" || word == "XRAY2" || word == "SPECIAL") {
      return refuse(ErrorCode::FileFormatError, line,
                    "EDGE_WEIGHT_TYPE " + word +
                        " needs a distance function of its own, which this solver does not have");
    }
    return refuse(ErrorCode::FileFormatError, line, "unknown EDGE_WEIGHT_TYPE " + shown(value));
  }
  if (key == "EDGE_WEIGHT_FORMAT") {
    if (auto refusal = store(header_.edgeWeightFormat)) return refusal;
    const auto layout = choose(kLayouts, word);
    if (!layout) {
      return refuse(ErrorCode::FileFormatError, line, "unknown EDGE_WEIGHT_FORMAT " + shown(value));
    }
    header_.layout = *layout;
    header_.layoutGiven = true;
    return std::nullopt;
  }
  if (key == "NODE_COORD_TYPE") {
    if (auto refusal = store(header_.nodeCoordType)) return refusal;
    if (word == "TWOD_COORDS") header_.nodeCoordinates = 2;
    if (word == "THREED_COORDS") header_.nodeCoordinates = 3;
    if (header_.nodeCoordinates == 0 && word != "NO_COORDS") {
      return refuse(ErrorCode::FileFormatError, line, "unknown NODE_COORD_TYPE " + shown(value));
    }
    return std::nullopt;
  }
  if (key == "DISPLAY_DATA_TYPE") {
    if (auto refusal = store(header_.displayDataType)) return refusal;
    if (word == "NO_DISPLAY") header_.noDisplay = true;
    if (word != "COORD_DISPLAY" && word != "TWOD_DISPLAY" && word != "NO_DISPLAY") {
      return refuse(ErrorCode::FileFormatError, line, "unknown DISPLAY_DATA_TYPE " + shown(value));
    }
    return std::nullopt;
  }
  // COMMENT, CAPACITY, EDGE_DATA_FORMAT and keywords TSPLIB does not define are not needed.
  return std::nullopt;
}

std::optional<Refusal> Reader::keywordLine(std::string_view line, bool& endOfData) {
  const int number = source_.lineNumber;
  std::string_view keyText;
  std::string_view value;
  const std::size_t colon = line.find(':');
  if (colon != std::string_view::npos) {
    keyText = trimmed(line.substr(0, colon));
    value = trimmed(line.substr(colon + 1));
  } else {
    keyText = firstWord(line);
    value = trimmed(trimmed(line).substr(keyText.size()));
  }
  const std::string key = upperCase(keyText);
  auto startSection = [&](SectionData& data, Section kind) -> std::optional<Refusal> {
    if (data.line != 0) {
      return refuse(ErrorCode::FileReadFailed, number,
                    key + " given twice (line " + std::to_string(data.line) + " and this one)");
    }
    data.line = number;
    section_ = kind;
    return std::nullopt;
  };
  if (key == "EOF") {
    endOfData = true;
    return std::nullopt;
  }
  if (key == "NODE_COORD_SECTION") return startSection(nodeCoord_, Section::NodeCoord);
  if (key == "EDGE_WEIGHT_SECTION") return startSection(edgeWeight_, Section::EdgeWeight);
  if (key == "DISPLAY_DATA_SECTION") return startSection(displayData_, Section::DisplayData);
  if (key == "FIXED_EDGES_SECTION") {
    return refuse(ErrorCode::FileFormatError, number,
                  "FIXED_EDGES_SECTION: this solver cannot keep edges fixed in the tour");
  }
  if (key.ends_with("_SECTION")) {
    // DEPOT_SECTION, DEMAND_SECTION, EDGE_DATA_SECTION, TOUR_SECTION: nothing a TSP needs.
    section_ = Section::Ignored;
    return std::nullopt;
  }
  section_ = Section::None;
  return keyword(key, value, number);
}

// The most entries a section keeps: as many as the header already known can need, so that a
// file that lists far more costs no memory for them.
std::size_t Reader::keepLimit(const SectionData& data) const {
  if (header_.count < 1) return kMaxCoordinateEntries;
  const auto n = static_cast<std::size_t>(header_.count);
  if (&data != &edgeWeight_) return 4 * n;
  return std::min(entriesOf(header_.layoutGiven ? header_.layout : Layout::Full, n),
                  kMaxMatrixEntries);
}

void Reader::dataLine(std::string_view line) {
  SectionData* data = section_ == Section::NodeCoord     ? &nodeCoord_
                      : section_ == Section::EdgeWeight  ? &edgeWeight_
                      : section_ == Section::DisplayData ? &displayData_
                                                         : nullptr;
  if (data == nullptr) return;
  const std::size_t limit = keepLimit(*data);
  const bool matrix = data == &edgeWeight_;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && isBlank(line[at])) ++at;
    const std::size_t start = at;
    while (at < line.size() && !isBlank(line[at])) ++at;
    if (at == start) break;
    const std::string_view token = line.substr(start, at - start);
    ++data->count;
    if (data->kept() >= limit) {
      if (data->firstUnkeptLine == 0) data->firstUnkeptLine = source_.lineNumber;
      if (header_.count < 1) data->unkeptBeforeDimension = true;
      continue;
    }
    data->lines.push_back(source_.lineNumber);
    if (!matrix) {
      data->texts.emplace_back(token);
      continue;
    }
    const std::optional<std::int64_t> value = wholeNumber(token);
    const bool fits = value && *value >= std::numeric_limits<std::int32_t>::min() &&
                      *value <= std::numeric_limits<std::int32_t>::max();
    if (!fits && data->firstBad == std::numeric_limits<std::size_t>::max()) {
      data->firstBad = data->numbers.size();
      data->firstBadText = shown(token);
      data->firstBadBeyond32Bits = value.has_value();
    }
    data->numbers.push_back(fits ? static_cast<std::int32_t>(*value) : 0);
  }
}

bool looksLikeData(std::string_view line) {
  const char c = line.front();
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
}

std::optional<Refusal> Reader::readLines() {
  std::string text;
  bool endOfData = false;
  while (!endOfData && source_.next(text)) {
    if (source_.tooLong) {
      return refuse(ErrorCode::FileReadFailed, source_.lineNumber,
                    "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
    }
    const std::string_view line = trimmed(text);
    if (line.empty()) continue;
    if (looksLikeData(line)) {
      if (section_ == Section::None) {
        return refuse(ErrorCode::FileReadFailed, source_.lineNumber,
                      "numbers outside a section (a section line such as NODE_COORD_SECTION or "
                      "EDGE_WEIGHT_SECTION is missing)");
      }
      dataLine(line);
      continue;
    }
    if (auto refusal = keywordLine(line, endOfData)) return refusal;
  }
  if (bytes_.tooLarge) return refuse(ErrorCode::FileReadFailed, 0, inputTooLargeReason());
  if (bytes_.readFailed) {
    const bool directory = !source_.anyByte && bytes_.readError == EISDIR;
    return refuse(ErrorCode::FileReadFailed, 0,
                  directory ? std::string("is a directory") : cannotBeReadReason(bytes_.readError));
  }
  if (!source_.anyByte) return refuse(ErrorCode::FileReadFailed, 0, "the file is empty");
  return std::nullopt;
}

std::optional<Refusal> Reader::checkHeader() {
  if (header_.dimension.line == 0) {
    return refuse(ErrorCode::FileReadFailed, 0,
                  "no DIMENSION line: the number of cities is missing");
  }
  for (const auto& [data, name] : {std::pair{&nodeCoord_, "NODE_COORD_SECTION"},
                                   std::pair{&edgeWeight_, "EDGE_WEIGHT_SECTION"},
                                   std::pair{&displayData_, "DISPLAY_DATA_SECTION"}}) {
    if (!data->unkeptBeforeDimension) continue;
    return refuse(ErrorCode::FileReadFailed, data->firstUnkeptLine,
                  std::string(name) + " lists more than " + std::to_string(kMaxCoordinateEntries) +
                      " numbers before the DIMENSION line (line " +
                      std::to_string(header_.dimension.line) +
                      "); a section that long needs DIMENSION before it");
  }
  if (header_.atsp && limits_.asymmetricCities > 0 && header_.count > limits_.asymmetricCities) {
    return refuse(ErrorCode::TooManyCities, header_.dimension.line,
                  "an ATSP instance of " + std::to_string(header_.count) + " cities; at most " +
                      std::to_string(limits_.asymmetricCities) +
                      " (it is solved as a symmetric instance of twice the cities)");
  }
  if (header_.edgeWeightType.line == 0) {
    return refuse(ErrorCode::FileFormatError, 0,
                  "no EDGE_WEIGHT_TYPE line: the distance rule is missing");
  }
  const int typeLine = header_.edgeWeightType.line;
  if (header_.rule == Rule::Explicit) {
    if (!header_.layoutGiven) {
      return refuse(ErrorCode::FileFormatError, typeLine,
                    "EDGE_WEIGHT_TYPE EXPLICIT needs an EDGE_WEIGHT_FORMAT line");
    }
    if (header_.layout == Layout::Function) {
      return refuse(ErrorCode::FileFormatError, header_.edgeWeightFormat.line,
                    "EDGE_WEIGHT_FORMAT FUNCTION with EDGE_WEIGHT_TYPE EXPLICIT names no distance "
                    "rule");
    }
    const std::size_t entries = entriesOf(header_.layout, static_cast<std::size_t>(header_.count));
    if (entries > kMaxMatrixEntries) {
      return refuse(ErrorCode::TooManyCities, header_.dimension.line,
                    citiesText(header_.count) + ": an explicit matrix of them lists " +
                        std::to_string(entries) + " numbers in the " +
                        upperCase(firstWord(header_.edgeWeightFormat.value)) +
                        " layout, more than a file of at most " +
                        std::to_string(kMaxTspFileBytes >> 20) + " MiB can hold (" +
                        std::to_string(kMaxMatrixEntries) + ")");
    }
    if (edgeWeight_.line == 0) {
      return refuse(ErrorCode::FileReadFailed, 0,
                    "no EDGE_WEIGHT_SECTION: EDGE_WEIGHT_TYPE EXPLICIT (line " +
                        std::to_string(typeLine) + ") needs the matrix");
    }
  } else {
    if (isThreeDimensional(header_.rule) && header_.nodeCoordinates == 2) {
      return refuse(ErrorCode::FileFormatError, header_.nodeCoordType.line,
                    "NODE_COORD_TYPE TWOD_COORDS does not fit EDGE_WEIGHT_TYPE " +
                        upperCase(header_.edgeWeightType.value));
    }
    if (nodeCoord_.line == 0) {
      return refuse(ErrorCode::FileReadFailed, 0,
                    "no NODE_COORD_SECTION: EDGE_WEIGHT_TYPE " +
                        upperCase(header_.edgeWeightType.value) + " (line " +
                        std::to_string(typeLine) + ") computes distances from it");
    }
  }
  return std::nullopt;
}

std::optional<Refusal> Reader::countFits(const SectionData& data, const char* sectionName,
                                         std::size_t expected, const std::string& what) {
  if (data.count == expected) return std::nullopt;
  const std::string counts = std::string(sectionName) + " holds " + std::to_string(data.count) +
                             (data.count == 1 ? " number" : " numbers") + "; " +
                             std::to_string(header_.count) + " cities need " +
                             std::to_string(expected) + " (" + what + ")";
  if (data.count < expected) {
    const int line = data.lines.empty() ? data.line : data.lines.back();
    return refuse(ErrorCode::FileReadFailed, line, "too few numbers: " + counts);
  }
  const int line = expected < data.kept() ? data.lines[expected] : data.firstUnkeptLine;
  return refuse(ErrorCode::FileReadFailed, line, "too many numbers: " + counts);
}

std::optional<Refusal> Reader::readPoints(const SectionData& data, const char* sectionName,
                                          int coordinates, std::vector<Point>& points,
                                          std::vector<std::string>& labels) {
  const int n = header_.count;
  const std::size_t perCity = static_cast<std::size_t>(coordinates) + 1;
  if (auto refusal =
          countFits(data, sectionName, perCity * static_cast<std::size_t>(n),
                    "a city number and " + std::to_string(coordinates) + " coordinates each")) {
    return refusal;
  }
  points.assign(static_cast<std::size_t>(n), Point{});
  labels.assign(static_cast<std::size_t>(n), std::string());
  std::vector<int> lineOfCity(static_cast<std::size_t>(n), 0);
  for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) {
    const std::size_t at = perCity * k;
    const std::string& labelText = data.texts[at];
    const int labelLine = data.lines[at];
    const std::optional<std::int64_t> label = wholeNumber(labelText);
    if (!label || *label < 1 || *label > n) {
      return refuse(ErrorCode::FileReadFailed, labelLine,
                    std::string(sectionName) + ": city number " + shown(labelText) +
                        " is not one of 1 to " + std::to_string(n));
    }
    const auto city = static_cast<std::size_t>(*label - 1);
    if (lineOfCity[city] != 0) {
      return refuse(ErrorCode::FileReadFailed, labelLine,
                    std::string(sectionName) + ": city " + std::to_string(city + 1) +
                        " is listed twice (line " + std::to_string(lineOfCity[city]) +
                        " and this one)");
    }
    lineOfCity[city] = labelLine;
    labels[city] = labelText;
    for (int c = 0; c < coordinates; ++c) {
      const std::size_t entry = at + 1 + static_cast<std::size_t>(c);
      const std::optional<double> value = realNumber(data.texts[entry]);
      if (!value) {
        return refuse(ErrorCode::FileReadFailed, data.lines[entry],
                      std::string(sectionName) + ": coordinate " + shown(data.texts[entry]) +
                          " of city " + std::to_string(city + 1) + " is not a number");
      }
      points[city].c[c] = *value;
    }
  }
  return std::nullopt;
}

std::optional<Refusal> Reader::readMatrix(std::vector<std::int32_t>& matrix) {
  const int n = header_.count;
  const auto side = static_cast<std::size_t>(n);
  const std::size_t expected = entriesOf(header_.layout, side);
  if (auto refusal = countFits(edgeWeight_, "EDGE_WEIGHT_SECTION", expected,
                               upperCase(header_.edgeWeightFormat.value) + " layout")) {
    return refusal;
  }
  if (edgeWeight_.firstBad < expected) {
    const std::string& text = edgeWeight_.firstBadText;
    return refuse(ErrorCode::FileReadFailed, edgeWeight_.lines[edgeWeight_.firstBad],
                  "EDGE_WEIGHT_SECTION: " + text +
                      (edgeWeight_.firstBadBeyond32Bits ? " does not fit 32 bits"
                                                        : " is not a whole number"));
  }
  std::vector<std::int32_t>& entries = edgeWeight_.numbers;
  if (header_.layout == Layout::Full) {
    matrix = std::move(entries);
  } else {
    matrix.assign(side * side, 0);
    std::size_t next = 0;
    forEachEntry(header_.layout, n, [&](int i, int j) {
      const std::int32_t d = entries[next++];
      matrix[static_cast<std::size_t>(i) * side + static_cast<std::size_t>(j)] = d;
      matrix[static_cast<std::size_t>(j) * side + static_cast<std::size_t>(i)] = d;
    });
  }
  // The entries are in the matrix now; their copies and lines are not needed any more.
  std::vector<std::int32_t>().swap(entries);
  std::vector<int>().swap(edgeWeight_.lines);
  return std::nullopt;
}

std::optional<Refusal> Reader::build(TspRead& result) {
  TspReadReport& report = result.report;
  const int n = header_.count;
  std::vector<Point> nodes;
  std::vector<std::string> labels;
  const bool computed = header_.rule != Rule::Explicit;
  if (nodeCoord_.line != 0) {
    const int coordinates =
        isThreeDimensional(header_.rule) || header_.nodeCoordinates == 3 ? 3 : 2;
    if (auto refusal = readPoints(nodeCoord_, "NODE_COORD_SECTION", coordinates, nodes, labels)) {
      return refusal;
    }
  }
  std::optional<Instance> instance;
  std::string reason;
  if (computed) {
    std::vector<double> x(nodes.size()), y(nodes.size()), z;
    if (isThreeDimensional(header_.rule)) z.resize(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      x[i] = nodes[i].c[0];
      y[i] = nodes[i].c[1];
      if (!z.empty()) z[i] = nodes[i].c[2];
    }
    instance =
        Instance::fromCoordinates(header_.rule, std::move(x), std::move(y), std::move(z), &reason);
    if (!instance) return refuse(ErrorCode::FileFormatError, nodeCoord_.line, reason);
  } else {
    std::vector<std::int32_t> matrix;
    if (auto refusal = readMatrix(matrix)) return refusal;
    instance = Instance::fromMatrix(n, std::move(matrix), &reason);
    if (!instance) return refuse(ErrorCode::FileReadFailed, edgeWeight_.line, reason);
  }

  // Where the cities are drawn: display data when given, otherwise the node coordinates (which a
  // coordinate rule always draws from).
  const bool displayData = displayData_.line != 0 && !header_.noDisplay;
  std::vector<Point> display;
  if (displayData) {
    std::vector<std::string> displayLabels;
    if (auto refusal =
            readPoints(displayData_, "DISPLAY_DATA_SECTION", 2, display, displayLabels)) {
      return refusal;
    }
    if (labels.empty()) labels = std::move(displayLabels);
  } else if (!computed && !header_.noDisplay) {
    display = nodes;
  }
  if (!display.empty()) {
    std::vector<double> x(display.size()), y(display.size());
    for (std::size_t i = 0; i < display.size(); ++i) {
      x[i] = display[i].c[0];
      y[i] = display[i].c[1];
    }
    instance->setDisplayCoordinates(std::move(x), std::move(y));
  }
  // Cities are named by their numbers as the file writes them, where the file draws them.
  if (instance->hasPicture()) instance->labels = std::move(labels);
  instance->name = name_;
  report.geographic = header_.rule == Rule::Geo && !displayData;
  report.asymmetric = !instance->isSymmetric();
  if (report.asymmetric && n > kMaxAsymmetricCities) {
    report.notes.push_back("the matrix is not symmetric, and its " + std::to_string(n) +
                           " cities are more than the " + std::to_string(kMaxAsymmetricCities) +
                           " an asymmetric instance may have to be solved exactly");
  }
  result.instance = std::move(instance);
  return std::nullopt;
}

std::optional<Refusal> Reader::read(TspRead& result) {
  if (auto refusal = readLines()) return refusal;
  if (auto refusal = checkHeader()) return refusal;
  TspReadReport& report = result.report;
  report.nameKeyword = header_.name.value;
  report.type = header_.atsp ? "ATSP" : "TSP";
  report.edgeWeightType = upperCase(firstWord(header_.edgeWeightType.value));
  report.edgeWeightTypeLine = header_.edgeWeightType.line;
  report.edgeWeightFormat = upperCase(firstWord(header_.edgeWeightFormat.value));
  report.edgeWeightFormatLine = header_.edgeWeightFormat.line;
  report.dimensionLine = header_.dimension.line;
  return build(result);
}

TspRead readWith(ByteSource& bytes, std::string_view name, CityLimits limits) {
  TspRead result;
  Reader reader(bytes, name, limits);
  if (const std::optional<Refusal> refusal = reader.read(result)) {
    TspRead refused;
    refused.report.code = refusal->code;
    refused.report.line = refusal->line;
    refused.report.reason = refusal->reason;
    return refused;
  }
  return result;
}

TspRead readOpened(const FileName& file, CityLimits limits) {
  TspRead refused;
  std::error_code error;
  if (file.present && std::filesystem::is_directory(file.location, error)) {
    refused.report.code = ErrorCode::FileReadFailed;
    refused.report.reason = "is a directory";
    return refused;
  }
  errno = 0;
  std::FILE* stream = openTextFile(file, false);
  if (stream == nullptr) {
    refused.report.code = ErrorCode::FileOpenFailed;
    refused.report.reason = cannotBeOpenedReason(file.present ? errno : ENOENT);
    return refused;
  }
  ByteSource bytes(stream);
  TspRead read = readWith(bytes, file.narrow, limits);
  std::fclose(stream);
  return read;
}

// The object's limits, and its problem of a read instance.
constexpr CityLimits kObjectLimits{kMaxCities, kMaxAsymmetricCities};

TspReadReport intoProblem(TspRead read, ProblemData& problem) {
  if (!read.instance) return read.report;
  const std::unique_ptr<ProblemData> made = problemOf(*read.instance);
  if (!made) {
    TspReadReport refused;
    refused.code = ErrorCode::OutOfMemory;
    refused.reason = "no memory for the instance";
    return refused;
  }
  problem = *made;
  return read.report;
}

}  // namespace

std::string TspReadReport::where() const {
  return line > 0 ? "line " + std::to_string(line) + ": " + reason : reason;
}

std::string cannotBeOpenedReason(int error) {
  return "the file cannot be opened (" + std::generic_category().message(error) + ")";
}

std::string cannotBeReadReason(int error) {
  return "the file cannot be read (" + std::generic_category().message(error) + ")";
}

std::string inputTooLargeReason() {
  return "more than " + std::to_string(kMaxTspFileBytes >> 20) +
         " MiB: the most an input may hold; reading stopped there";
}

TspRead readTspFileTolerant(const FileName& file) {
  return readOpened(file, CityLimits{});
}

TspRead readTspStreamTolerant(std::FILE* stream, std::string_view name) {
  ByteSource bytes(stream);
  return readWith(bytes, name, CityLimits{});
}

TspRead readTspTextTolerant(std::string_view text, std::string_view name) {
  ByteSource bytes(text);
  return readWith(bytes, name, CityLimits{});
}

TspReadReport readTspFileTolerant(ProblemData& problem, const FileName& file) {
  return intoProblem(readOpened(file, kObjectLimits), problem);
}

TspReadReport readTspStreamTolerant(ProblemData& problem, std::FILE* stream,
                                    std::string_view name) {
  ByteSource bytes(stream);
  return intoProblem(readWith(bytes, name, kObjectLimits), problem);
}

}  // namespace ringmarch
