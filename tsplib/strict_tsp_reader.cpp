// The strict reader over an Instance. Reads the bytes once into memory (a stream cannot be read
// twice), runs the component's reader over them into a problem of its own and converts it; on a
// refusal reads the same bytes with the tolerant reader and the strict line rules to say which
// line and why. Changes nothing outside its result; the code is always the component's.
#include "tsplib/strict_tsp_reader.h"

#include <cerrno>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "instance/problem_conversion.h"
#include "tsplib/text_scanner.h"
#include "tsplib/tsp_file.h"

namespace ringmarch {
namespace {

struct Explanation {
  int line = 0;
  std::string reason;
};

// The bytes of a line with blanks and tabs dropped and letters in upper case, as far as any
// keyword or section name reaches; one byte more shows that the line holds more than the name.
struct SqueezedLine {
  static constexpr std::size_t kKept = 24;
  char text[kKept + 1] = {};
  std::size_t size = 0;

  explicit SqueezedLine(std::string_view line) {
    for (const char c : line) {
      if (c == ' ' || c == '\t') continue;
      text[size++] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
      if (size == kKept + 1) break;
    }
  }
  std::string_view view() const { return {text, size}; }
};

// Calls visit(index, line) for each line of the bytes, without its line end (LF or CRLF); stops
// when visit answers false. Nothing is copied, so an input of millions of lines costs no memory.
template <typename Visit>
void forEachLine(std::string_view bytes, Visit visit) {
  std::size_t index = 0;
  for (std::size_t at = 0; at < bytes.size(); ++index) {
    std::size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!visit(index, line)) return;
    at = end + 1;
  }
}

constexpr std::string_view kReadsTolerantly = "the tolerant reader reads the file";

int lineNumberOf(std::size_t index) {
  return index < static_cast<std::size_t>(std::numeric_limits<int>::max())
             ? static_cast<int>(index) + 1
             : 0;
}

// The first line of a file that the tolerant reader takes but the strict reader's line rules do
// not: DIMENSION first, keywords in upper case from the first column, section lines alone.
Explanation strictLineRuleBroken(std::string_view bytes) {
  const Explanation general{
      0,
      "the file breaks the strict reader's line rules (DIMENSION before the other keywords, "
      "keywords in upper case from the first column, section lines without blanks); " +
          std::string(kReadsTolerantly)};
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t dimension = kNone;
  bool dimensionInPlace = false;
  forEachLine(bytes, [&](std::size_t index, std::string_view line) {
    if (!SqueezedLine(line).view().starts_with("DIMENSION")) return true;
    dimension = index;
    dimensionInPlace = line.starts_with("DIMENSION");
    return false;
  });
  if (dimension == kNone) return general;
  if (!dimensionInPlace) {
    return {lineNumberOf(dimension),
            "the strict reader needs DIMENSION in upper case from the first column; " +
                std::string(kReadsTolerantly)};
  }
  constexpr std::string_view kKeywords[] = {"EDGE_WEIGHT_TYPE", "EDGE_WEIGHT_FORMAT",
                                            "DISPLAY_DATA_TYPE"};
  constexpr std::string_view kSections[] = {"NODE_COORD_SECTION", "EDGE_WEIGHT_SECTION",
                                            "DISPLAY_DATA_SECTION"};
  Explanation broken;
  forEachLine(bytes, [&](std::size_t i, std::string_view line) {
    const SqueezedLine word(line);
    for (const std::string_view keyword : kKeywords) {
      if (!word.view().starts_with(keyword)) continue;
      if (i < dimension) {
        broken = {lineNumberOf(i), std::string(keyword) + " comes before DIMENSION (line " +
                                       std::to_string(dimension + 1) +
                                       "); the strict reader looks for it only after; " +
                                       std::string(kReadsTolerantly)};
        return false;
      }
      if (!line.starts_with(keyword)) {
        broken = {lineNumberOf(i), "the strict reader needs " + std::string(keyword) +
                                       " in upper case from the first column; " +
                                       std::string(kReadsTolerantly)};
        return false;
      }
    }
    for (const std::string_view section : kSections) {
      if (word.view() == section && line != section) {
        broken = {lineNumberOf(i),
                  "the strict reader needs the section line " + std::string(section) +
                      " alone, without blanks or other case; " + std::string(kReadsTolerantly)};
        return false;
      }
    }
    return true;
  });
  return broken.reason.empty() ? general : broken;
}

// The strict reader's DIMENSION line (the first line that matches it) and its value.
std::optional<std::pair<int, std::int32_t>> strictDimension(std::string_view bytes) {
  std::optional<std::pair<int, std::int32_t>> found;
  forEachLine(bytes, [&](std::size_t index, std::string_view line) {
    std::int32_t value = 0;
    if (matchIntegerKeyword(line, "DIMENSION", value) != KeywordMatch::Value) return true;
    found = {lineNumberOf(index), value};
    return false;
  });
  return found;
}

// Why the strict reader refused the bytes with strictCode, in words: the tolerant reader names
// the line and reason of a fault both would see; when it reads the file, the strict reader's
// narrower rules are why.
Explanation strictRefusal(std::string_view bytes, ErrorCode strictCode) {
  const TspRead tolerant = readTspTextTolerant(bytes, "");
  const TspReadReport& report = tolerant.report;
  if (strictCode == ErrorCode::TooManyCities) {
    if (const auto dimension = strictDimension(bytes)) {
      std::string reason = std::to_string(dimension->second) +
                           " cities; the strict reader takes at most " + std::to_string(kMaxCities);
      if (tolerant.instance) reason += " (" + std::string(kReadsTolerantly) + ")";
      return {dimension->first, reason};
    }
  }
  if (report.code == ErrorCode::TooManyCities && strictCode == ErrorCode::FileReadFailed) {
    // The strict reader reads DIMENSION as a 32-bit number and takes a larger one for damage.
    return {report.line,
            report.reason + "; the strict reader takes a DIMENSION beyond 32 bits for damage"};
  }
  if (!tolerant.instance) return {report.line, report.reason};
  const std::string& type = report.edgeWeightType;
  const std::string& format = report.edgeWeightFormat;
  if (type != "EUC_2D" && type != "ATT" && type != "EXPLICIT") {
    return {report.edgeWeightTypeLine, "EDGE_WEIGHT_TYPE " + type +
                                           " has no distance rule in the strict reader (" +
                                           std::string(kReadsTolerantly) + ")"};
  }
  if (type == "EXPLICIT" && format != "FULL_MATRIX" && format != "UPPER_ROW" &&
      format != "LOWER_DIAG_ROW") {
    return {report.edgeWeightFormatLine, "EDGE_WEIGHT_FORMAT " + format +
                                             " is not read by the strict reader (" +
                                             std::string(kReadsTolerantly) + ")"};
  }
  return strictLineRuleBroken(bytes);
}

TspRead refused(ErrorCode code, int line, std::string reason) {
  TspRead read;
  read.report.code = code;
  read.report.line = line;
  read.report.reason = std::move(reason);
  return read;
}

// The stream's bytes up to its end, at most kMaxTspFileBytes; a refusal when it fails or holds
// more.
std::optional<TspRead> readWhole(std::FILE* stream, std::string& bytes) {
  char block[1 << 16];
  errno = 0;
  for (;;) {
    const std::size_t n = std::fread(block, 1, sizeof block, stream);
    if (n == 0) break;
    if (bytes.size() + n > kMaxTspFileBytes) {
      return refused(ErrorCode::FileReadFailed, 0, inputTooLargeReason());
    }
    bytes.append(block, n);
  }
  if (std::ferror(stream) != 0) {
    return refused(ErrorCode::FileReadFailed, 0, cannotBeReadReason(errno));
  }
  return std::nullopt;
}

}  // namespace

std::string strictNameOf(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.starts_with("NAME")) continue;
    line.remove_prefix(4);
    const std::size_t colon = line.find_first_not_of(" \t");
    if (colon == std::string_view::npos || line[colon] != ':') continue;
    line.remove_prefix(colon + 1);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = line.find_last_not_of(" \t\r");
    return std::string(line.substr(first, last - first + 1));
  }
  return {};
}

TspRead readTspTextStrict(std::string_view bytes, std::string_view name) {
  std::unique_ptr<ProblemData> problem(new (std::nothrow) ProblemData);
  if (!problem) return refused(ErrorCode::OutOfMemory, 0, "no memory for the instance");
  initProblemData(*problem);
  const ErrorCode code = readTspText(*problem, bytes, name);
  if (code != ErrorCode::Success) {
    Explanation why = strictRefusal(bytes, code);
    return refused(code, why.line, std::move(why.reason));
  }
  if (problem->count < 1) {
    // The component holds an instance of no cities here; the tolerant reader names the line.
    const TspRead tolerant = readTspTextTolerant(bytes, "");
    if (!tolerant.instance) {
      return refused(ErrorCode::FileReadFailed, tolerant.report.line, tolerant.report.reason);
    }
    return refused(ErrorCode::FileReadFailed, 0, "the file declares no cities");
  }
  TspRead read;
  std::string reason;
  read.instance = instanceOf(*problem, &reason);
  if (!read.instance) return refused(ErrorCode::OutOfMemory, 0, reason);
  read.report.nameKeyword = strictNameOf(bytes);
  read.report.type = "TSP";
  read.report.asymmetric = !read.instance->isSymmetric();
  return read;
}

TspRead readTspStreamStrict(std::FILE* stream, std::string_view name) {
  std::string bytes;
  if (std::optional<TspRead> failed = readWhole(stream, bytes)) return std::move(*failed);
  return readTspTextStrict(bytes, name);
}

TspRead readTspFileStrict(const FileName& file) {
  std::error_code error;
  if (file.present && std::filesystem::is_directory(file.location, error)) {
    return refused(ErrorCode::FileReadFailed, 0, "is a directory");
  }
  errno = 0;
  std::FILE* stream = openTextFile(file, false);
  if (stream == nullptr) {
    return refused(ErrorCode::FileOpenFailed, 0,
                   cannotBeOpenedReason(file.present ? errno : ENOENT));
  }
  TspRead read = readTspStreamStrict(stream, file.narrow);
  std::fclose(stream);
  return read;
}

}  // namespace ringmarch
