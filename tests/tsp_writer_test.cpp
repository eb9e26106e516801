// The TSP writer: exact bytes of both layouts, refused types, failed writes, and round trips
// through the reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "model/generation.h"
#include "support/scratch_files.h"
#include "tsplib/tsp_file.h"

namespace ringmarch {
namespace {

using testing::emptyProblem;
using testing::fileContents;
using testing::fileExists;
using testing::fileNamed;
using testing::ScratchDirectory;

// Two cities at (0, 0) and (3, 4), 5 apart.
std::unique_ptr<ProblemData> twoCities() {
  auto problem = emptyProblem();
  problem->count = 2;
  resetBounds(*problem);
  setPosition(*problem, 0, 0.0, 0.0);
  setPosition(*problem, 1, 3.0, 4.0);
  computeDistances(*problem, 1.0);
  return problem;
}

class TspWriterTest : public ::testing::Test {
 protected:
  ScratchDirectory directory_;
};

TEST_F(TspWriterTest, EuclideanLayoutBytes) {
  auto problem = twoCities();
  const std::string path = directory_.path("a.tsp");
  ASSERT_EQ(writeTspFile(*problem, fileNamed(path), kTspFileEuc2d), ErrorCode::Success);
  EXPECT_EQ(fileContents(path), "NAME: " + path +
                                    "\nTYPE: TSP\nCOMMENT: \nDIMENSION: 2\n"
                                    "EDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n"
                                    "   1 0 0\n   2 3 4\nEOF\n");
  EXPECT_STREQ(problem->name, path.c_str());
}

TEST_F(TspWriterTest, FullMatrixLayoutBytes) {
  auto problem = twoCities();
  const std::string path = directory_.path("m.tsp");
  ASSERT_EQ(writeTspFile(*problem, fileNamed(path), kTspFileFullMatrix), ErrorCode::Success);
  EXPECT_EQ(fileContents(path), "NAME: " + path +
                                    "\nTYPE: TSP\nCOMMENT: \nDIMENSION: 2\n"
                                    "EDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
                                    "DISPLAY_DATA_TYPE: TWOD_DISPLAY\nEDGE_WEIGHT_SECTION\n"
                                    "    0    5\n    5    0\n"
                                    "DISPLAY_DATA_SECTION\n   1 0 0\n   2 3 4\nEOF\n");
}

TEST_F(TspWriterTest, FullMatrixWithoutCoordinatesHasNoDisplayData) {
  auto problem = emptyProblem();
  problem->count = 3;
  const int entries[3][3] = {{0, 12345, -1}, {7, 0, 1000}, {2147483647, -2147483647 - 1, 0}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) problem->rows[i].dist[j] = entries[i][j];
  }
  const std::string path = directory_.path("m.tsp");
  ASSERT_EQ(writeTspFile(*problem, fileNamed(path), kTspFileFullMatrix), ErrorCode::Success);
  EXPECT_EQ(fileContents(path), "NAME: " + path +
                                    "\nTYPE: TSP\nCOMMENT: \nDIMENSION: 3\n"
                                    "EDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
                                    "EDGE_WEIGHT_SECTION\n"
                                    "    0 12345   -1\n    7    0 1000\n"
                                    " 2147483647 -2147483648    0\nEOF\n");
}

TEST_F(TspWriterTest, CoordinatesAreTruncatedTowardZero) {
  auto problem = emptyProblem();
  problem->count = 3;
  resetBounds(*problem);
  setPosition(*problem, 0, -2.7, 12.9);
  setPosition(*problem, 1, 1e12, -1e12);
  setPosition(*problem, 2, 999.999, -0.5);
  const std::string path = directory_.path("t.tsp");
  ASSERT_EQ(writeTspFile(*problem, fileNamed(path), kTspFileEuc2d), ErrorCode::Success);
  const std::string text = fileContents(path);
  EXPECT_NE(text.find("\n   1 -2 12\n   2 2147483647 -2147483648\n   3 999 0\nEOF\n"),
            std::string::npos)
      << text;
}

TEST_F(TspWriterTest, CityNumbersWiderThanTheirField) {
  auto problem = emptyProblem();
  generateInstance(*problem, 127, 7);
  const std::string path = directory_.path("g.tsp");
  ASSERT_EQ(writeTspFile(*problem, fileNamed(path), kTspFileEuc2d), ErrorCode::Success);
  const std::string text = fileContents(path);
  EXPECT_NE(text.find("\n  99 "), std::string::npos);
  EXPECT_NE(text.find("\n 100 "), std::string::npos);
  EXPECT_NE(text.find("\n 127 "), std::string::npos);
}

TEST_F(TspWriterTest, UnsupportedTypeTouchesNoFile) {
  for (const std::int32_t type : {0, 3, -1}) {
    auto problem = twoCities();
    copyText(problem->name, "kept");
    const std::string fresh = directory_.path("fresh" + std::to_string(type) + ".tsp");
    EXPECT_EQ(writeTspFile(*problem, fileNamed(fresh), type), ErrorCode::FileTypeNotSupported);
    EXPECT_FALSE(fileExists(fresh)) << type;
    const std::string existing = directory_.write("existing.tsp", "precious");
    EXPECT_EQ(writeTspFile(*problem, fileNamed(existing), type), ErrorCode::FileTypeNotSupported);
    EXPECT_EQ(fileContents(existing), "precious");
    EXPECT_STREQ(problem->name, "kept");
  }
}

TEST_F(TspWriterTest, FailedOpensAndWrites) {
  auto problem = twoCities();
  copyText(problem->name, "kept");
  EXPECT_EQ(writeTspFile(*problem, fileNamed(directory_.path("no/such/dir.tsp")), kTspFileEuc2d),
            ErrorCode::FileOpenFailed);
  EXPECT_EQ(writeTspFile(*problem, FileName{}, kTspFileEuc2d), ErrorCode::FileOpenFailed);
  EXPECT_STREQ(problem->name, "kept");
  if (std::filesystem::exists("/dev/full")) {
    for (const std::int32_t type : {kTspFileEuc2d, kTspFileFullMatrix}) {
      EXPECT_EQ(writeTspFile(*problem, fileNamed("/dev/full"), type), ErrorCode::FileWriteFailed);
    }
  }
}

TEST_F(TspWriterTest, LineBreaksInTheNameDoNotStartLines) {
  auto problem = twoCities();
  const std::string path = directory_.path("x\nDIMENSION: 9\r.tsp");
  ASSERT_EQ(writeTspFile(*problem, fileNamed(path), kTspFileEuc2d), ErrorCode::Success);
  const std::string text = fileContents(path);
  EXPECT_EQ(text.substr(0, text.find('\n')), "NAME: " + directory_.path("x?DIMENSION: 9?.tsp"));
  auto reread = emptyProblem();
  ASSERT_EQ(readTspFile(*reread, fileNamed(path)), ErrorCode::Success);
  EXPECT_EQ(reread->count, 2);
}

void expectSameCities(const ProblemData& read, const ProblemData& written) {
  ASSERT_EQ(read.count, written.count);
  for (int i = 0; i < written.count; ++i) {
    EXPECT_EQ(read.rows[i].x, truncateToWhole(written.rows[i].x)) << i;
    EXPECT_EQ(read.rows[i].y, truncateToWhole(written.rows[i].y)) << i;
    for (int j = 0; j < written.count; ++j) {
      ASSERT_EQ(read.rows[i].dist[j], written.rows[i].dist[j]) << i << "," << j;
    }
  }
}

TEST_F(TspWriterTest, RoundTripsThroughTheReader) {
  for (const std::int32_t type : {kTspFileEuc2d, kTspFileFullMatrix}) {
    auto written = emptyProblem();
    generateInstance(*written, 60, 1234u + static_cast<unsigned>(type));
    const std::string path = directory_.path("round.tsp");
    ASSERT_EQ(writeTspFile(*written, fileNamed(path), type), ErrorCode::Success);
    auto read = emptyProblem();
    ASSERT_EQ(readTspFile(*read, fileNamed(path)), ErrorCode::Success) << type;
    expectSameCities(*read, *written);
    EXPECT_EQ(read->hasCoordinates, 1);
    EXPECT_EQ(read->startCity, written->startCity);
    EXPECT_EQ(read->minX, written->minX);
    EXPECT_EQ(read->maxY, written->maxY);
  }
}

TEST_F(TspWriterTest, FullMatrixRoundTripKeepsAnAsymmetricMatrix) {
  auto written = emptyProblem();
  written->count = 4;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) written->rows[i].dist[j] = (i * 7 + j * 13) % 11 - 3;
  }
  const std::string path = directory_.path("asym.tsp");
  ASSERT_EQ(writeTspFile(*written, fileNamed(path), kTspFileFullMatrix), ErrorCode::Success);
  auto read = emptyProblem();
  ASSERT_EQ(readTspFile(*read, fileNamed(path)), ErrorCode::Success);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_EQ(read->rows[i].dist[j], written->rows[i].dist[j]);
  }
  EXPECT_EQ(read->hasCoordinates, 0);
}

TEST_F(TspWriterTest, FractionalCoordinatesReadBackAsWholeNumbers) {
  auto written = emptyProblem();
  written->count = 2;
  resetBounds(*written);
  setPosition(*written, 0, 0.9, 0.0);
  setPosition(*written, 1, 3.7, 4.2);
  computeDistances(*written, 1.0);
  const std::string path = directory_.path("f.tsp");
  ASSERT_EQ(writeTspFile(*written, fileNamed(path), kTspFileEuc2d), ErrorCode::Success);
  auto read = emptyProblem();
  ASSERT_EQ(readTspFile(*read, fileNamed(path)), ErrorCode::Success);
  EXPECT_EQ(read->rows[1].x, 3.0);
  EXPECT_EQ(read->rows[1].y, 4.0);
  EXPECT_EQ(read->rows[0].dist[1], 5) << "distances are recomputed from the whole numbers";
}

}  // namespace
}  // namespace ringmarch
