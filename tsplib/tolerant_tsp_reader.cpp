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

#include "instance/distance_rule.h"
#include "model/generation.h"
#include "tsplib/text_words.h"

namespace ringmarch {
namespace {

// Longest line taken; a whole 127 x 127 matrix on one line fits many times over.
constexpr std::size_t kMaxLineBytes = 1 << 20;
// Longest number token; longer runs are refused rather than parsed.
constexpr std::size_t kMaxTokenBytes = 511;
// Most section entries kept: a full matrix of the largest instance. Further entries are only
// counted, so that a refusal can say how many there were.
constexpr std::size_t kMaxKeptTokens = static_cast<std::size_t>(kMaxCities) * kMaxCities;

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

struct Token {
  std::string text;
  int line;
};

struct SectionData {
  int line = 0;  // the section line; 0 when the file has no such section
  std::vector<Token> tokens;
  std::size_t count = 0;  // entries seen, also those beyond kMaxKeptTokens
  int firstUnkeptLine = 0;
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

// Reads the input line by line, counting lines; a carriage return before a newline is dropped.
class LineSource {
 public:
  explicit LineSource(std::FILE* stream) : stream_(stream) {}

  // False at the end of the input. tooLong is set for a line beyond kMaxLineBytes, which is the
  // file's refusal: the rest of it is not read (an endless line would never end); readFailed for
  // a read error.
  bool next(std::string& line) {
    line.clear();
    int c = std::getc(stream_);
    if (c == EOF) {
      readFailed = std::ferror(stream_) != 0;
      return false;
    }
    ++lineNumber;
    anyByte = true;
    while (c != EOF && c != '\n') {
      if (line.size() == kMaxLineBytes) {
        tooLong = true;
        return true;
      }
      line.push_back(static_cast<char>(c));
      c = std::getc(stream_);
    }
    if (c == EOF && std::ferror(stream_)) readFailed = true;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return !readFailed;
  }

  int lineNumber = 0;
  bool anyByte = false;
  bool tooLong = false;
  bool readFailed = false;

 private:
  std::FILE* stream_;
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

class Reader {
 public:
  Reader(std::FILE* stream, std::string_view name) : source_(stream), name_(name) {}

  std::optional<Refusal> read(ProblemData& result, TspReadReport& report);

 private:
  std::optional<Refusal> readLines();
  std::optional<Refusal> keywordLine(std::string_view line, bool& endOfData);
  std::optional<Refusal> keyword(const std::string& key, std::string_view value, int line);
  void dataLine(std::string_view line);
  std::optional<Refusal> checkHeader();
  std::optional<Refusal> build(ProblemData& problem, TspReadReport& report);
  std::optional<Refusal> readMatrix(ProblemData& problem);
  std::optional<Refusal> readPoints(const SectionData& data, const char* sectionName,
                                    int coordinates, std::vector<Point>& points,
                                    std::vector<std::string>& labels);
  std::optional<Refusal> countFits(const SectionData& data, const char* sectionName,
                                   std::size_t expected, const std::string& what);

  LineSource source_;
  std::string name_;
  Header header_;
  Section section_ = Section::None;
  SectionData nodeCoord_, edgeWeight_, displayData_;
};

Refusal refuse(ErrorCode code, int line, std::string reason) {
  return Refusal{code, line, std::move(reason)};
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
    const std::optional<std::int64_t> n = wholeNumber(word);
    if (!n) {
      // A run of digits too long for any whole-number type still counts cities: too many.
      std::string_view digits = word;
      if (digits.starts_with('+')) digits.remove_prefix(1);
      if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos) {
        const std::string count =
            digits.size() > 40 ? std::string(digits.substr(0, 40)) + "..." : std::string(digits);
        return refuse(ErrorCode::TooManyCities, line,
                      count + " cities; at most " + std::to_string(kMaxCities));
      }
      return refuse(ErrorCode::FileReadFailed, line,
                    "DIMENSION " + shown(value) + " is not a whole number");
    }
    if (*n > kMaxCities) {
      return refuse(ErrorCode::TooManyCities, line,
                    std::to_string(*n) + " cities; at most " + std::to_string(kMaxCities));
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

void Reader::dataLine(std::string_view line) {
  SectionData* data = section_ == Section::NodeCoord     ? &nodeCoord_
                      : section_ == Section::EdgeWeight  ? &edgeWeight_
                      : section_ == Section::DisplayData ? &displayData_
                                                         : nullptr;
  if (data == nullptr) return;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && isBlank(line[at])) ++at;
    const std::size_t start = at;
    while (at < line.size() && !isBlank(line[at])) ++at;
    if (at == start) break;
    if (data->tokens.size() < kMaxKeptTokens) {
      data->tokens.push_back(
          Token{std::string(line.substr(start, at - start)), source_.lineNumber});
    } else if (data->firstUnkeptLine == 0) {
      data->firstUnkeptLine = source_.lineNumber;
    }
    ++data->count;
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
  if (source_.readFailed) {
    const bool directory = !source_.anyByte && errno == EISDIR;
    return refuse(ErrorCode::FileReadFailed, 0,
                  directory ? "is a directory" : "the file cannot be read");
  }
  if (!source_.anyByte) return refuse(ErrorCode::FileReadFailed, 0, "the file is empty");
  return std::nullopt;
}

std::optional<Refusal> Reader::checkHeader() {
  if (header_.dimension.line == 0) {
    return refuse(ErrorCode::FileReadFailed, 0,
                  "no DIMENSION line: the number of cities is missing");
  }
  if (header_.atsp && header_.count > kMaxAsymmetricCities) {
    return refuse(ErrorCode::TooManyCities, header_.dimension.line,
                  "an ATSP instance of " + std::to_string(header_.count) + " cities; at most " +
                      std::to_string(kMaxAsymmetricCities) +
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
    const int line = data.tokens.empty() ? data.line : data.tokens.back().line;
    return refuse(ErrorCode::FileReadFailed, line, "too few numbers: " + counts);
  }
  const int line =
      expected < data.tokens.size() ? data.tokens[expected].line : data.firstUnkeptLine;
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
  for (int k = 0; k < n; ++k) {
    const Token& labelToken = data.tokens[perCity * static_cast<std::size_t>(k)];
    const std::optional<std::int64_t> label = wholeNumber(labelToken.text);
    if (!label || *label < 1 || *label > n) {
      return refuse(ErrorCode::FileReadFailed, labelToken.line,
                    std::string(sectionName) + ": city number " + shown(labelToken.text) +
                        " is not one of 1 to " + std::to_string(n));
    }
    const int city = static_cast<int>(*label) - 1;
    if (lineOfCity[city] != 0) {
      return refuse(ErrorCode::FileReadFailed, labelToken.line,
                    std::string(sectionName) + ": city " + std::to_string(city + 1) +
                        " is listed twice (line " + std::to_string(lineOfCity[city]) +
                        " and this one)");
    }
    lineOfCity[city] = labelToken.line;
    labels[city] = labelToken.text;
    for (int c = 0; c < coordinates; ++c) {
      const Token& token = data.tokens[perCity * static_cast<std::size_t>(k) + 1 + c];
      const std::optional<double> value = realNumber(token.text);
      if (!value) {
        return refuse(ErrorCode::FileReadFailed, token.line,
                      std::string(sectionName) + ": coordinate " + shown(token.text) + " of city " +
                          std::to_string(city + 1) + " is not a number");
      }
      points[city].c[c] = *value;
    }
  }
  return std::nullopt;
}

std::optional<Refusal> Reader::readMatrix(ProblemData& problem) {
  const int n = header_.count;
  const std::size_t expected = entriesOf(header_.layout, static_cast<std::size_t>(n));
  if (auto refusal = countFits(edgeWeight_, "EDGE_WEIGHT_SECTION", expected,
                               upperCase(header_.edgeWeightFormat.value) + " layout")) {
    return refusal;
  }
  std::optional<Refusal> refusal;
  std::size_t next = 0;
  const bool full = header_.layout == Layout::Full;
  forEachEntry(header_.layout, n, [&](int i, int j) {
    const Token& token = edgeWeight_.tokens[next++];
    if (refusal) return;
    const std::optional<std::int64_t> value = wholeNumber(token.text);
    if (!value) {
      refusal = refuse(ErrorCode::FileReadFailed, token.line,
                       "EDGE_WEIGHT_SECTION: " + shown(token.text) + " is not a whole number");
      return;
    }
    if (*value < std::numeric_limits<std::int32_t>::min() ||
        *value > std::numeric_limits<std::int32_t>::max()) {
      refusal = refuse(ErrorCode::FileReadFailed, token.line,
                       "EDGE_WEIGHT_SECTION: " + shown(token.text) + " does not fit 32 bits");
      return;
    }
    const auto d = static_cast<std::int32_t>(*value);
    problem.rows[i].dist[j] = d;
    if (!full) problem.rows[j].dist[i] = d;
  });
  return refusal;
}

std::optional<Refusal> Reader::build(ProblemData& problem, TspReadReport& report) {
  const int n = header_.count;
  problem.count = n;
  copyText(problem.name, name_);
  for (int i = 0; i < n; ++i) copyText(problem.rows[i].name, std::to_string(i + 1));

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
  if (computed) {
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        std::int32_t d = 0;
        if (i != j && !ruleDistance(header_.rule, nodes[i], nodes[j], d)) {
          return refuse(ErrorCode::FileFormatError, nodeCoord_.line,
                        "the distance of city " + std::to_string(i + 1) + " and city " +
                            std::to_string(j + 1) + " does not fit 32 bits");
        }
        problem.rows[i].dist[j] = d;
      }
    }
  } else if (auto refusal = readMatrix(problem)) {
    return refusal;
  }

  // Where the cities are drawn: display data when given, otherwise the node coordinates.
  std::vector<Point> display = nodes;
  if (displayData_.line != 0 && !header_.noDisplay) {
    std::vector<std::string> displayLabels;
    if (auto refusal =
            readPoints(displayData_, "DISPLAY_DATA_SECTION", 2, display, displayLabels)) {
      return refusal;
    }
    if (labels.empty()) labels = displayLabels;
  } else if (header_.noDisplay && !computed) {
    display.clear();
  }
  report.geographic = header_.rule == Rule::Geo && displayData_.line == 0;
  if (!display.empty()) {
    resetBounds(problem);
    for (int i = 0; i < n; ++i) {
      CityRow& row = problem.rows[i];
      row.x = report.geographic ? display[i].c[1] : display[i].c[0];
      row.y = report.geographic ? display[i].c[0] : display[i].c[1];
      copyText(row.name, labels[i]);
      if (row.x < problem.minX) problem.startCity = i;
      extendBounds(problem, row.x, row.y);
    }
    problem.hasCoordinates = 1;
  }
  for (int i = 0; i < n && !report.asymmetric; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (problem.rows[i].dist[j] != problem.rows[j].dist[i]) {
        report.asymmetric = true;
        break;
      }
    }
  }
  if (report.asymmetric && n > kMaxAsymmetricCities) {
    report.notes.push_back("the matrix is not symmetric, and its " + std::to_string(n) +
                           " cities are more than the " + std::to_string(kMaxAsymmetricCities) +
                           " an asymmetric instance may have to be solved exactly");
  }
  for (int i = 0; i < n; ++i) sortNeighbourOrder(problem, i);
  return std::nullopt;
}

std::optional<Refusal> Reader::read(ProblemData& result, TspReadReport& report) {
  if (auto refusal = readLines()) return refusal;
  if (auto refusal = checkHeader()) return refusal;
  report.nameKeyword = header_.name.value;
  report.type = header_.atsp ? "ATSP" : "TSP";
  report.edgeWeightType = upperCase(firstWord(header_.edgeWeightType.value));
  report.edgeWeightTypeLine = header_.edgeWeightType.line;
  report.edgeWeightFormat = upperCase(firstWord(header_.edgeWeightFormat.value));
  // Built apart, so that a refused file leaves the instance as it was.
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  if (auto refusal = build(*problem, report)) return refusal;
  result = *problem;
  return std::nullopt;
}

}  // namespace

std::string TspReadReport::where() const {
  return line > 0 ? "line " + std::to_string(line) + ": " + reason : reason;
}

TspReadReport readTspStreamTolerant(ProblemData& problem, std::FILE* stream,
                                    std::string_view name) {
  TspReadReport report;
  Reader reader(stream, name);
  errno = 0;
  if (const std::optional<Refusal> refusal = reader.read(problem, report)) {
    TspReadReport refused;
    refused.code = refusal->code;
    refused.line = refusal->line;
    refused.reason = refusal->reason;
    return refused;
  }
  return report;
}

TspReadReport readTspFileTolerant(ProblemData& problem, const FileName& file) {
  std::error_code error;
  if (file.present && std::filesystem::is_directory(file.location, error)) {
    TspReadReport report;
    report.code = ErrorCode::FileReadFailed;
    report.reason = "is a directory";
    return report;
  }
  std::FILE* stream = openTextFile(file, false);
  if (stream == nullptr) {
    TspReadReport report;
    report.code = ErrorCode::FileOpenFailed;
    report.reason = "the file cannot be opened (it may not exist)";
    return report;
  }
  TspReadReport report = readTspStreamTolerant(problem, stream, file.narrow);
  std::fclose(stream);
  return report;
}

}  // namespace ringmarch
