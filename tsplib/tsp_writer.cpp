// The TSP file writer: node coordinates (EUC_2D) or a full distance matrix (EXPLICIT,
// FULL_MATRIX) with the coordinates as two-dimensional display data when the instance has them.
// Coordinates are written as whole numbers, truncated toward zero. The object's problem and an
// Instance are written by the same text, through a view of each that gives the count, the
// distances and the drawing coordinates.
#include <string>

#include "tsplib/text_output.h"
#include "tsplib/tsp_file.h"

namespace ringmarch {
namespace {

struct ProblemView {
  const ProblemData& problem;
  int count() const { return problem.count; }
  bool hasCoordinates() const { return problem.hasCoordinates == 1; }
  double x(int city) const { return problem.rows[city].x; }
  double y(int city) const { return problem.rows[city].y; }
  std::int32_t distance(int from, int to) const { return problem.rows[from].dist[to]; }
};

struct InstanceView {
  const Instance& instance;
  int count() const { return instance.size(); }
  bool hasCoordinates() const { return instance.hasPicture(); }
  double x(int city) const { return instance.pictureX(city); }
  double y(int city) const { return instance.pictureY(city); }
  std::int32_t distance(int from, int to) const { return instance.distance(from, to); }
};

template <typename View>
void writeCityLines(std::FILE* stream, const View& view) {
  for (int i = 0; i < view.count(); ++i) {
    std::fprintf(stream, " %3d %d %d\n", i + 1, truncateToInt32(view.x(i)),
                 truncateToInt32(view.y(i)));
  }
}

template <typename View>
void writeText(std::FILE* stream, const View& view, std::string_view name, std::int32_t type) {
  std::fprintf(stream, "NAME: %s\n", nameLineText(name).c_str());
  std::fprintf(stream, "TYPE: TSP\n");
  std::fprintf(stream, "COMMENT: \n");
  std::fprintf(stream, "DIMENSION: %d\n", view.count());
  if (type == kTspFileEuc2d) {
    std::fprintf(stream, "EDGE_WEIGHT_TYPE: EUC_2D\n");
    std::fprintf(stream, "NODE_COORD_SECTION\n");
    writeCityLines(stream, view);
    std::fprintf(stream, "EOF\n");
    return;
  }
  const bool display = view.hasCoordinates();
  std::fprintf(stream, "EDGE_WEIGHT_TYPE: EXPLICIT\n");
  std::fprintf(stream, "EDGE_WEIGHT_FORMAT: FULL_MATRIX\n");
  if (display) std::fprintf(stream, "DISPLAY_DATA_TYPE: TWOD_DISPLAY\n");
  std::fprintf(stream, "EDGE_WEIGHT_SECTION\n");
  for (int i = 0; i < view.count(); ++i) {
    for (int j = 0; j < view.count(); ++j) std::fprintf(stream, " %4d", view.distance(i, j));
    std::fprintf(stream, "\n");
  }
  if (display) {
    std::fprintf(stream, "DISPLAY_DATA_SECTION\n");
    writeCityLines(stream, view);
  }
  std::fprintf(stream, "EOF\n");
}

}  // namespace

void writeTspStream(const ProblemData& problem, std::FILE* stream, std::string_view name,
                    std::int32_t type) {
  writeText(stream, ProblemView{problem}, name, type);
}

void writeTspStream(const Instance& instance, std::FILE* stream, std::string_view name,
                    std::int32_t type) {
  writeText(stream, InstanceView{instance}, name, type);
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
