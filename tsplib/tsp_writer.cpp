// The TSP file writer: node coordinates (EUC_2D) or a full distance matrix (EXPLICIT,
// FULL_MATRIX) with the coordinates as two-dimensional display data when the instance has them.
// Coordinates are written as whole numbers, truncated toward zero.
#include <string>

#include "tsplib/text_output.h"
#include "tsplib/tsp_file.h"

namespace ringmarch {
namespace {

void writeCityLines(std::FILE* stream, const ProblemData& problem) {
  for (int i = 0; i < problem.count; ++i) {
    const CityRow& row = problem.rows[i];
    std::fprintf(stream, " %3d %d %d\n", i + 1, truncateToInt32(row.x), truncateToInt32(row.y));
  }
}

void writeHead(std::FILE* stream, const ProblemData& problem, const std::string& name) {
  std::fprintf(stream, "NAME: %s\n", name.c_str());
  std::fprintf(stream, "TYPE: TSP\n");
  std::fprintf(stream, "COMMENT: \n");
  std::fprintf(stream, "DIMENSION: %d\n", problem.count);
}

void writeEuc2d(std::FILE* stream, const ProblemData& problem) {
  std::fprintf(stream, "EDGE_WEIGHT_TYPE: EUC_2D\n");
  std::fprintf(stream, "NODE_COORD_SECTION\n");
  writeCityLines(stream, problem);
  std::fprintf(stream, "EOF\n");
}

void writeFullMatrix(std::FILE* stream, const ProblemData& problem) {
  const bool display = problem.hasCoordinates == 1;
  std::fprintf(stream, "EDGE_WEIGHT_TYPE: EXPLICIT\n");
  std::fprintf(stream, "EDGE_WEIGHT_FORMAT: FULL_MATRIX\n");
  if (display) std::fprintf(stream, "DISPLAY_DATA_TYPE: TWOD_DISPLAY\n");
  std::fprintf(stream, "EDGE_WEIGHT_SECTION\n");
  for (int i = 0; i < problem.count; ++i) {
    for (int j = 0; j < problem.count; ++j) std::fprintf(stream, " %4d", problem.rows[i].dist[j]);
    std::fprintf(stream, "\n");
  }
  if (display) {
    std::fprintf(stream, "DISPLAY_DATA_SECTION\n");
    writeCityLines(stream, problem);
  }
  std::fprintf(stream, "EOF\n");
}

}  // namespace

void writeTspStream(const ProblemData& problem, std::FILE* stream, std::string_view name,
                    std::int32_t type) {
  writeHead(stream, problem, nameLineText(name));
  if (type == kTspFileEuc2d) {
    writeEuc2d(stream, problem);
  } else {
    writeFullMatrix(stream, problem);
  }
}

ErrorCode writeTspFile(ProblemData& problem, const FileName& file, std::int32_t type) {
  // An unknown layout is refused before the file is created, so an existing file of that name
  // is never replaced by a file that says nothing.
  if (type != kTspFileEuc2d && type != kTspFileFullMatrix) {
    return ErrorCode::FileTypeNotSupported;
  }
  std::FILE* stream = openTextFile(file, true);
  if (stream == nullptr) return ErrorCode::FileOpenFailed;
  copyText(problem.name, file.narrow);
  writeTspStream(problem, stream, file.narrow, type);
  return finishOutput(stream) ? ErrorCode::Success : ErrorCode::FileWriteFailed;
}

}  // namespace ringmarch
