// The TSP file reader: a strict line-oriented scanner with a fixed keyword order. DIMENSION comes
// first; EDGE_WEIGHT_TYPE, EDGE_WEIGHT_FORMAT and DISPLAY_DATA_TYPE follow it; a section line
// must match the whole line. The instance is replaced in place as the file is read, so a failed
// read leaves it partly replaced (the name, then the count, then what the section had filled).
#include <cstring>
#include <string>
#include <string_view>

#include "model/generation.h"
#include "tsplib/text_scanner.h"
#include "tsplib/tsp_file.h"

namespace ringmarch {
namespace {

enum class EdgeWeightKind { None, Explicit, Euc2d, Att, Geo };
enum class MatrixLayout { None, FullMatrix, UpperRow, LowerDiagRow };

constexpr std::string_view kEdgeWeightSection = "EDGE_WEIGHT_SECTION\n";
constexpr std::string_view kNodeCoordSection = "NODE_COORD_SECTION\n";
constexpr std::string_view kDisplayDataSection = "DISPLAY_DATA_SECTION\n";

// ATT pseudo-Euclidean distances use exactly this factor and plain rounding.
constexpr double kAttScale = 0.31706;

struct HeaderValues {
  EdgeWeightKind kind = EdgeWeightKind::None;
  MatrixLayout layout = MatrixLayout::None;
  bool twoDimensionalDisplay = false;
};

void readHeaderLine(std::string_view line, HeaderValues& header) {
  std::string_view word;
  if (matchWordKeyword(line, "EDGE_WEIGHT_TYPE", word) == KeywordMatch::Value) {
    if (word == "EUC_2D") header.kind = EdgeWeightKind::Euc2d;
    if (word == "ATT") header.kind = EdgeWeightKind::Att;
    if (word == "GEO") header.kind = EdgeWeightKind::Geo;
    if (word == "EXPLICIT") header.kind = EdgeWeightKind::Explicit;
  } else if (matchWordKeyword(line, "EDGE_WEIGHT_FORMAT", word) == KeywordMatch::Value) {
    if (word == "FULL_MATRIX") header.layout = MatrixLayout::FullMatrix;
    if (word == "UPPER_ROW") header.layout = MatrixLayout::UpperRow;
    if (word == "LOWER_DIAG_ROW") header.layout = MatrixLayout::LowerDiagRow;
  } else if (matchWordKeyword(line, "DISPLAY_DATA_TYPE", word) == KeywordMatch::Value) {
    if (word == "TWOD_DISPLAY") header.twoDimensionalDisplay = true;
  }
}

// A whole matrix of one file, filled before any row of the instance changes.
struct MatrixScratch {
  std::int32_t entry[kRowCount][kRowCount];
};

// FULL_MATRIX: each row is stored and sorted as soon as its entries are read, so a failure
// leaves the rows completed before it.
bool readFullMatrix(TextScanner& scanner, ProblemData& problem) {
  const int n = problem.count;
  std::int32_t row[kRowCount];
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      if (!scanner.readInteger(row[j])) return false;
    }
    std::memcpy(problem.rows[i].dist, row, static_cast<std::size_t>(n) * sizeof row[0]);
    sortNeighbourOrder(problem, i);
  }
  return true;
}

// UPPER_ROW (diagonal 0) and LOWER_DIAG_ROW (diagonal as read): every entry is read before any
// row of the instance changes, so a failure leaves the rows as they were.
bool readTriangle(TextScanner& scanner, ProblemData& problem, MatrixLayout layout) {
  const int n = problem.count;
  MatrixScratch scratch;
  for (int i = 0; i < n; ++i) {
    if (layout == MatrixLayout::UpperRow) {
      scratch.entry[i][i] = 0;
      for (int j = i + 1; j < n; ++j) {
        if (!scanner.readInteger(scratch.entry[i][j])) return false;
        scratch.entry[j][i] = scratch.entry[i][j];
      }
    } else {
      for (int j = 0; j <= i; ++j) {
        if (!scanner.readInteger(scratch.entry[i][j])) return false;
        scratch.entry[j][i] = scratch.entry[i][j];
      }
    }
  }
  for (int i = 0; i < n; ++i) {
    std::memcpy(problem.rows[i].dist, scratch.entry[i],
                static_cast<std::size_t>(n) * sizeof scratch.entry[i][0]);
    sortNeighbourOrder(problem, i);
  }
  return true;
}

bool readMatrix(TextScanner& scanner, ProblemData& problem, MatrixLayout layout) {
  return layout == MatrixLayout::FullMatrix ? readFullMatrix(scanner, problem)
                                            : readTriangle(scanner, problem, layout);
}

// One "<label> <x> <y>" entry per city, in city order whatever the labels say. Labels longer
// than a name field are cut. The start city is the first city with the smallest x.
bool readCoordinates(TextScanner& scanner, ProblemData& problem) {
  resetBounds(problem);
  std::string label;
  for (int i = 0; i < problem.count; ++i) {
    double x = 0.0;
    double y = 0.0;
    if (!scanner.readWord(label, kTextCapacity - 1) || !scanner.readReal(x) ||
        !scanner.readReal(y)) {
      return false;
    }
    CityRow& row = problem.rows[i];
    copyText(row.name, label);
    row.x = x;
    row.y = y;
    if (x < problem.minX) problem.startCity = i;
    extendBounds(problem, x, y);
  }
  return true;
}

// The header ends at the first section line. A display section ends it too once two-dimensional
// display data were announced, so display data placed before the matrix are read, not skipped.
bool endsHeader(std::string_view line, const HeaderValues& header) {
  return line == kEdgeWeightSection || line == kNodeCoordSection ||
         (header.twoDimensionalDisplay && line == kDisplayDataSection);
}

ErrorCode readSections(TextScanner& scanner, ProblemData& problem, const HeaderValues& header,
                       std::string_view line) {
  const bool coordinateKind =
      header.kind == EdgeWeightKind::Euc2d || header.kind == EdgeWeightKind::Att;
  // Display data describe an explicit matrix only; node coordinates carry their own.
  const bool wantDisplay = header.twoDimensionalDisplay && header.kind == EdgeWeightKind::Explicit;
  bool matrixRead = false;
  bool displayRead = false;
  for (;;) {
    if (header.kind == EdgeWeightKind::Explicit && !matrixRead && line == kEdgeWeightSection) {
      if (!readMatrix(scanner, problem, header.layout)) return ErrorCode::FileReadFailed;
      matrixRead = true;
    } else if (coordinateKind && line == kNodeCoordSection) {
      if (!readCoordinates(scanner, problem)) return ErrorCode::FileReadFailed;
      problem.hasCoordinates = 1;
      const double scale = header.kind == EdgeWeightKind::Att ? kAttScale : 1.0;
      // Distances beyond the 32-bit range have no value to store: such a file is refused.
      if (!computeDistances(problem, scale)) return ErrorCode::FileFormatError;
      return ErrorCode::Success;
    } else if (header.twoDimensionalDisplay && line == kDisplayDataSection) {
      // GEO has no distance rule here: its display data cannot make a usable instance.
      if (header.kind == EdgeWeightKind::Geo) return ErrorCode::FileFormatError;
      if (wantDisplay && !displayRead) {
        if (!readCoordinates(scanner, problem)) return ErrorCode::FileReadFailed;
        problem.hasCoordinates = 1;
        displayRead = true;
      }
    }
    if (matrixRead && (!wantDisplay || displayRead)) {
      if (!wantDisplay) {
        // The rows' coordinates belong to the instance held before: they no longer describe
        // these cities.
        problem.hasCoordinates = 0;
      }
      return ErrorCode::Success;
    }
    if (!scanner.readLine(line)) return ErrorCode::FileReadFailed;
  }
}

ErrorCode readTsp(TextScanner& scanner, ProblemData& problem, std::string_view name) {
  copyText(problem.name, name);

  std::string_view line;
  for (;;) {
    if (!scanner.readLine(line)) return ErrorCode::FileReadFailed;
    std::int32_t dimension = 0;
    const KeywordMatch match = matchIntegerKeyword(line, "DIMENSION", dimension);
    if (match == KeywordMatch::OutOfRange) return ErrorCode::FileReadFailed;
    if (match == KeywordMatch::Value) {
      // The count never reaches 128: a larger dimension keeps the count held before.
      if (dimension > kMaxCities) return ErrorCode::TooManyCities;
      problem.count = dimension;
      break;
    }
  }
  // The start city must name a city of the new instance (0 when it has none).
  if (problem.startCity < 0 || problem.startCity >= problem.count) problem.startCity = 0;

  HeaderValues header;
  for (;;) {
    if (!scanner.readLine(line)) return ErrorCode::FileReadFailed;
    readHeaderLine(line, header);
    if (endsHeader(line, header)) break;
  }
  if (header.kind == EdgeWeightKind::None) return ErrorCode::FileFormatError;
  if (header.kind == EdgeWeightKind::Explicit && header.layout == MatrixLayout::None) {
    return ErrorCode::FileFormatError;
  }
  return readSections(scanner, problem, header, line);
}

}  // namespace

ErrorCode readTspStream(ProblemData& problem, std::FILE* stream, std::string_view name) {
  TextScanner scanner(stream);
  return readTsp(scanner, problem, name);
}

ErrorCode readTspText(ProblemData& problem, std::string_view bytes, std::string_view name) {
  TextScanner scanner(bytes);
  return readTsp(scanner, problem, name);
}

ErrorCode readTspFile(ProblemData& problem, const FileName& file) {
  std::FILE* stream = openTextFile(file, false);
  if (stream == nullptr) return ErrorCode::FileOpenFailed;
  const ErrorCode code = readTspStream(problem, stream, file.narrow);
  std::fclose(stream);
  return code;
}

}  // namespace ringmarch
