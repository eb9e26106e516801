// Published TSPLIB instances as they are distributed: which the strict reader takes, their sizes
// and distances, and their published optimal tours measured against them.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "object/ringmarch_object.h"
#include "support/scratch_files.h"
#include "support/tour_checker.h"
#include "tsplib/tour_file.h"
#include "tsplib/tsp_file.h"

namespace ringmarch {
namespace {

using testing::dataFile;
using testing::emptyProblem;
using testing::fileNamed;

struct IndexRow {
  std::string file;
  int dimension = 0;
  std::string edgeWeightType;
  int publishedOptimum = 0;
  std::string optimalTourFile;
};

std::vector<IndexRow> readIndex() {
  std::ifstream in(dataFile("INDEX.tsv"));
  std::vector<IndexRow> rows;
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    IndexRow row;
    std::string format;
    std::string display;
    fields >> row.file >> row.dimension >> row.edgeWeightType >> format >> display >>
        row.publishedOptimum >> row.optimalTourFile;
    if (!row.file.empty()) rows.push_back(row);
  }
  return rows;
}

// What the reader answers for each file: more than 127 cities are too many, GEO has no distance
// rule here (and these files announce no two-dimensional display data), and swiss42's section
// line carries trailing blanks.
ErrorCode expectedAnswer(const IndexRow& row) {
  if (row.dimension > kMaxCities) return ErrorCode::TooManyCities;
  if (row.edgeWeightType == "GEO") return ErrorCode::FileReadFailed;
  if (row.file == "swiss42.tsp") return ErrorCode::FileReadFailed;
  return ErrorCode::Success;
}

TEST(TsplibInstances, EachFileReadsOrIsRefusedAsExpected) {
  const std::vector<IndexRow> rows = readIndex();
  ASSERT_EQ(rows.size(), 34u);
  for (const IndexRow& row : rows) {
    auto problem = emptyProblem();
    const ErrorCode code = readTspFile(*problem, fileNamed(dataFile(row.file)));
    ASSERT_EQ(code, expectedAnswer(row)) << row.file;
    // The dimension is read first; a larger one keeps the count held before.
    EXPECT_EQ(problem->count, row.dimension > kMaxCities ? 0 : row.dimension) << row.file;
    if (code != ErrorCode::Success) continue;
    for (int i = 0; i < problem->count; ++i) {
      EXPECT_EQ(problem->rows[i].dist[i], 0) << row.file << " city " << i;
      for (int j = 0; j < problem->count; ++j) {
        ASSERT_EQ(problem->rows[i].dist[j], problem->rows[j].dist[i]) << row.file;
      }
      const int nearest = problem->rows[i].neighbourOrder[1];
      const int farthest = problem->rows[i].neighbourOrder[problem->count - 1];
      EXPECT_LE(problem->rows[i].dist[nearest], problem->rows[i].dist[farthest]) << row.file;
    }
  }
}

int euclidean(double x1, double y1, double x2, double y2) {
  return static_cast<int>(std::floor(std::hypot(x1 - x2, y1 - y2) + 0.5));
}

struct DistanceProbe {
  const char* file;
  int from;
  int to;
  int expected;
};

TEST(TsplibInstances, SpotCheckedDistances) {
  const std::vector<DistanceProbe> probes = {
      // Coordinates copied from the files' first lines.
      {"berlin52.tsp", 0, 1, euclidean(565.0, 575.0, 25.0, 185.0)},
      {"eil51.tsp", 0, 1, euclidean(37, 52, 49, 49)},
      {"kroA100.tsp", 0, 1, euclidean(1380, 939, 2848, 96)},
      {"st70.tsp", 1, 0, euclidean(64, 96, 80, 39)},
      // Matrix entries as they stand in the files.
      {"gr17.tsp", 1, 0, 633},
      {"gr17.tsp", 0, 2, 257},
      {"gr17.tsp", 2, 1, 390},
      {"brazil58.tsp", 0, 1, 2635},
      {"brazil58.tsp", 2, 0, 2713},
      {"bays29.tsp", 0, 28, 167},
      {"bays29.tsp", 1, 3, 137},
      {"dantzig42.tsp", 2, 0, 39},
      {"dantzig42.tsp", 2, 1, 45},
      {"fri26.tsp", 1, 0, 83},
  };
  std::map<std::string, std::unique_ptr<ProblemData>> loaded;
  for (const DistanceProbe& probe : probes) {
    auto& problem = loaded[probe.file];
    if (!problem) {
      problem = emptyProblem();
      ASSERT_EQ(readTspFile(*problem, fileNamed(dataFile(probe.file))), ErrorCode::Success);
    }
    EXPECT_EQ(problem->rows[probe.from].dist[probe.to], probe.expected)
        << probe.file << " " << probe.from << "-" << probe.to;
  }
}

TEST(TsplibInstances, DisplayDataGiveCoordinates) {
  auto problem = emptyProblem();
  ASSERT_EQ(readTspFile(*problem, fileNamed(dataFile("bayg29.tsp"))), ErrorCode::Success);
  EXPECT_EQ(problem->hasCoordinates, 1);
  EXPECT_EQ(problem->rows[0].x, 1150.0);
  EXPECT_EQ(problem->rows[1].y, 1660.0);
  ASSERT_EQ(readTspFile(*problem, fileNamed(dataFile("dantzig42.tsp"))), ErrorCode::Success);
  EXPECT_EQ(problem->rows[1].x, 166.0);
  ASSERT_EQ(readTspFile(*problem, fileNamed(dataFile("gr24.tsp"))), ErrorCode::Success);
  EXPECT_EQ(problem->hasCoordinates, 0) << "gr24 has no display data";
}

TEST(TsplibInstances, PublishedOptimalToursHaveThePublishedLength) {
  int measured = 0;
  for (const IndexRow& row : readIndex()) {
    if (row.optimalTourFile == "-" || expectedAnswer(row) != ErrorCode::Success) continue;
    ASSERT_TRUE(row.edgeWeightType == "EUC_2D" || row.edgeWeightType == "EXPLICIT") << row.file;
    auto problem = emptyProblem();
    ASSERT_EQ(readTspFile(*problem, fileNamed(dataFile(row.file))), ErrorCode::Success);
    TourRecord tour{};
    ASSERT_EQ(readTourFile(tour, *problem, fileNamed(dataFile(row.optimalTourFile))),
              ErrorCode::Success)
        << row.optimalTourFile;
    const std::vector<int> order(tour.order, tour.order + tour.count);
    EXPECT_EQ(testing::tourDefect(order, problem->count), "") << row.optimalTourFile;
    EXPECT_EQ(tour.length, row.publishedOptimum) << row.optimalTourFile;
    EXPECT_EQ(testing::closedTourLength(*problem, order), row.publishedOptimum);
    ++measured;
  }
  // Every published tour file the strict reader takes (rd100's lists ten cities a line and has no
  // DIMENSION, so it is not shipped).
  EXPECT_EQ(measured, 13);
}

TEST(TsplibInstances, TourOfAnotherSizeIsRefused) {
  auto problem = emptyProblem();
  ASSERT_EQ(readTspFile(*problem, fileNamed(dataFile("eil51.tsp"))), ErrorCode::Success);
  TourRecord tour{};
  EXPECT_EQ(readTourFile(tour, *problem, fileNamed(dataFile("berlin52.opt.tour"))),
            ErrorCode::CityIdOutOfRange);
}

// Read, solved, written as a tour and read back by another object: the published optimum
// throughout.
TEST(TsplibInstances, SolvedToursOfSmallInstancesSurviveTheTourFile) {
  testing::ScratchDirectory directory;
  for (const IndexRow& row : readIndex()) {
    if (row.dimension > 26 || expectedAnswer(row) != ErrorCode::Success) continue;
    RingmarchObject solver;
    ASSERT_EQ(solver.ReadTspFile(fileNamed(dataFile(row.file))), kSuccessResult) << row.file;
    std::int32_t length = 0;
    ASSERT_EQ(solver.Solve(&length), kSuccessResult) << row.file;
    EXPECT_EQ(length, row.publishedOptimum) << row.file;
    const std::string tourPath = directory.path(row.file + ".tour");
    ASSERT_EQ(solver.WriteTourFile(fileNamed(tourPath)), kSuccessResult);

    RingmarchObject reader;
    ASSERT_EQ(reader.ReadTspFile(fileNamed(dataFile(row.file))), kSuccessResult);
    ASSERT_EQ(reader.ReadTourFile(fileNamed(tourPath)), kSuccessResult) << row.file;
    std::int32_t readLength = 0;
    ASSERT_EQ(reader.Length(&readLength), kSuccessResult);
    EXPECT_EQ(readLength, row.publishedOptimum) << row.file;
  }
}

}  // namespace
}  // namespace ringmarch
