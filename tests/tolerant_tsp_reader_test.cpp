// The tolerant TSP reader: every distance rule against hand-computed values, every matrix layout
// against the same matrix written in full, keyword order, blank and case variants, each refusal
// with its code, line and reason, the object's limits, and the shipped TSPLIB files with their
// published optima.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "instance/problem_conversion.h"
#include "object/ringmarch_object.h"
#include "support/scratch_files.h"
#include "support/search_fixtures.h"
#include "support/tour_checker.h"
#include "tsplib/tolerant_tsp_reader.h"
#include "tsplib/tsp_file.h"

namespace ringmarch {
namespace {

using testing::dataFile;
using testing::emptyProblem;
using testing::fileNamed;
using testing::ScratchDirectory;

// Reads the text as a file, through a stream; the text in memory must read the same.
TspRead readText(const std::string& text) {
  std::FILE* stream = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), stream);
  std::rewind(stream);
  TspRead read = readTspStreamTolerant(stream, "text.tsp");
  std::fclose(stream);
  const TspRead fromMemory = readTspTextTolerant(text, "text.tsp");
  EXPECT_EQ(fromMemory.report.where(), read.report.where());
  EXPECT_EQ(fromMemory.instance.has_value(), read.instance.has_value());
  return read;
}

// The object's form of a read instance (start city, neighbour order, coordinates).
std::unique_ptr<ProblemData> problemRead(const std::string& text) {
  const TspRead read = readText(text);
  if (!read.instance) return nullptr;
  return problemOf(*read.instance);
}

std::string coordinateFile(const std::string& rule, const std::string& cities, int count) {
  return "NAME: t\nTYPE: TSP\nDIMENSION: " + std::to_string(count) + "\nEDGE_WEIGHT_TYPE: " + rule +
         "\nNODE_COORD_SECTION\n" + cities + "EOF\n";
}

TEST(TolerantReaderTest, DistanceRulesGiveTsplibsValues) {
  struct Case {
    std::string rule;
    std::string cities;  // two cities
    std::int32_t distance;
  };
  const std::vector<Case> cases = {
      {"EUC_2D", "1 0 0\n2 3 4\n", 5},
      {"EUC_2D", "1 0 0\n2 1 1\n", 1},    // 1.414 rounds down
      {"EUC_2D", "1 0 0\n2 0.5 0\n", 1},  // halves round up
      {"CEIL_2D", "1 0 0\n2 1 1\n", 2},
      {"CEIL_2D", "1 0 0\n2 3 4\n", 5},
      {"ATT", "1 0 0\n2 0 100\n", 32},  // sqrt(1000) = 31.6: rounds to 32
      {"ATT", "1 0 0\n2 0 10\n", 4},    // sqrt(10) = 3.16 rounds to 3, below: one more
      {"MAN_2D", "1 0 0\n2 3 4\n", 7},
      {"MAN_2D", "1 0 0\n2 1.2 1.2\n", 2},
      {"MAX_2D", "1 0 0\n2 3 4\n", 4},
      {"MAX_2D", "1 0 0\n2 1.5 0.4\n", 2},
      {"EUC_3D", "1 0 0 0\n2 2 3 6\n", 7},
      {"EUC_3D", "1 0 0 0\n2 0 0 2.5\n", 3},  // the third coordinate counts
      {"MAN_3D", "1 0 0 0\n2 1 2 2\n", 5},
      {"MAX_3D", "1 0 0 0\n2 1 2 2\n", 2},
      // burma14's first cities: 16.47 N 96.10 E, 16.47 N 94.44 E and 20.09 N 92.54 E.
      {"GEO", "1 16.47 96.10\n2 16.47 94.44\n", 153},
      {"GEO", "1 16.47 96.10\n2 20.09 92.54\n", 510},
      // Sydney and London: signs, and a distance of half the globe.
      {"GEO", "1 -33.52 151.13\n2 51.30 -0.07\n", 17014},
      // Two cities at one place: the rule's +1 gives 1, not a failure of acos.
      {"GEO", "1 0 0\n2 0 0\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule + ": " + c.cities);
    const TspRead read = readText(coordinateFile(c.rule, c.cities, 2));
    ASSERT_TRUE(read.instance) << read.report.where();
    const Instance& instance = *read.instance;
    EXPECT_EQ(instance.rule(), distanceRuleNamed(c.rule));
    EXPECT_EQ(instance.distance(0, 1), c.distance);
    EXPECT_EQ(instance.distance(1, 0), c.distance);
    EXPECT_EQ(instance.distance(0, 0), 0);
    EXPECT_EQ(read.report.edgeWeightType, c.rule);
    EXPECT_TRUE(instance.hasPicture());
  }
}

TEST(TolerantReaderTest, GeoCitiesAreDrawnWithLongitudeAsX) {
  const std::string text =
      coordinateFile("GEO", "1 16.47 96.10\n2 20.09 92.54\n3 22.39 93.37\n", 3);
  const TspRead read = readText(text);
  ASSERT_TRUE(read.instance);
  EXPECT_TRUE(read.report.geographic);
  EXPECT_EQ(read.instance->x(1), 20.09);  // the rule's own order: latitude first
  EXPECT_EQ(read.instance->pictureX(1), 92.54);
  EXPECT_EQ(read.instance->pictureY(1), 20.09);
  const std::unique_ptr<ProblemData> problem = problemRead(text);
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->rows[1].x, 92.54);
  EXPECT_EQ(problem->rows[1].y, 20.09);
  EXPECT_EQ(problem->startCity, 1);  // the westernmost city
  EXPECT_EQ(problem->minY, 16.47);
  EXPECT_EQ(problem->maxX, 96.10);
}

// A 5-city symmetric matrix and its entries in a layout, one row of the layout per line.
constexpr int kLayoutCities = 5;
constexpr std::int32_t kMatrix[kLayoutCities][kLayoutCities] = {
    {0, 3, 8, 2, 9}, {3, 0, 4, 7, 1}, {8, 4, 0, 6, 5}, {2, 7, 6, 0, 11}, {9, 1, 5, 11, 0}};

std::string layoutEntries(const std::string& layout) {
  const bool columns = layout.ends_with("_COL");
  const bool diagonal = layout.find("DIAG") != std::string::npos;
  const bool upper = layout.starts_with("UPPER");
  std::string text;
  for (int a = 0; a < kLayoutCities; ++a) {
    for (int b = 0; b < kLayoutCities; ++b) {
      const bool take = layout == "FULL_MATRIX" || (a == b && diagonal) ||
                        (upper ? (columns ? b < a : b > a) : (columns ? b > a : b < a));
      // Rows list (a, b); columns list (b, a), that is column a.
      if (take) text += std::to_string(columns ? kMatrix[b][a] : kMatrix[a][b]) + " ";
    }
    text += "\n";
  }
  return text;
}

TEST(TolerantReaderTest, EveryMatrixLayoutGivesTheFullMatrix) {
  for (const char* layout :
       {"FULL_MATRIX", "UPPER_ROW", "LOWER_ROW", "UPPER_DIAG_ROW", "LOWER_DIAG_ROW", "UPPER_COL",
        "LOWER_COL", "UPPER_DIAG_COL", "LOWER_DIAG_COL"}) {
    SCOPED_TRACE(layout);
    const std::string text =
        "NAME: m\nTYPE: TSP\nDIMENSION: 5\nEDGE_WEIGHT_TYPE: EXPLICIT\n"
        "EDGE_WEIGHT_FORMAT: " +
        std::string(layout) + "\nEDGE_WEIGHT_SECTION\n" + layoutEntries(layout) + "EOF\n";
    const TspRead read = readText(text);
    ASSERT_TRUE(read.instance) << read.report.where();
    EXPECT_EQ(read.report.edgeWeightFormat, layout);
    EXPECT_FALSE(read.report.asymmetric);
    EXPECT_EQ(read.instance->size(), kLayoutCities);
    EXPECT_TRUE(read.instance->isExplicit());
    EXPECT_FALSE(read.instance->hasPicture());
    for (int i = 0; i < kLayoutCities; ++i) {
      for (int j = 0; j < kLayoutCities; ++j) {
        EXPECT_EQ(read.instance->distance(i, j), kMatrix[i][j]) << i << "," << j;
      }
    }
    const std::unique_ptr<ProblemData> problem = problemRead(text);
    ASSERT_TRUE(problem);
    // Row 1's nearest city is 4 (distance 1).
    EXPECT_EQ(problem->rows[1].neighbourOrder[1], 4);
  }
}

TEST(TolerantReaderTest, KeywordOrderBlanksAndCaseDoNotMatter) {
  const std::string section = "NODE_COORD_SECTION\n1 0 0\n2 3 4\n3 0 4\n";
  const std::vector<std::string> variants = {
      "NAME: x\nTYPE: TSP\nDIMENSION: 3\nEDGE_WEIGHT_TYPE: EUC_2D\n" + section + "EOF\n",
      // DIMENSION after the weight type, as many tools write it, and no EOF.
      "EDGE_WEIGHT_TYPE: EUC_2D\nTYPE: TSP\nDIMENSION: 3\n" + section,
      // Blanks around keywords, colons, values and the section name; "KEY : value".
      "  NAME : x  \n\tDIMENSION :   3 \n EDGE_WEIGHT_TYPE :EUC_2D\t\n  NODE_COORD_SECTION   \n"
      "  1   0  0  \n 2 3 4\n 3 0 4 \n EOF \n",
      // Lower case keywords and values, CRLF line ends, unknown keywords ignored.
      "name: x\r\ntype: tsp\r\ndimension: 3\r\nedge_weight_type: euc_2d\r\nVENDOR_NOTE: ok\r\n"
      "node_coord_type: twod_coords\r\ndisplay_data_type: coord_display\r\nnode_coord_section\r\n"
      "1 0 0\r\n2 3 4\r\n3 0 4\r\neof\r\n",
      // Cities listed out of order: the city number decides.
      "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n3 0 4\n1 0 0\n2 3 4\n",
      // Blank lines anywhere, a keyword without a colon, and data after EOF ignored.
      "\nDIMENSION 3\n\nEDGE_WEIGHT_TYPE: EUC_2D\n\n" + section + "\nEOF\ngarbage\n",
  };
  for (std::size_t v = 0; v < variants.size(); ++v) {
    SCOPED_TRACE("variant " + std::to_string(v));
    const TspRead read = readText(variants[v]);
    ASSERT_TRUE(read.instance) << read.report.where();
    const Instance& instance = *read.instance;
    ASSERT_EQ(instance.size(), 3);
    const std::int32_t expected[3][3] = {{0, 5, 4}, {5, 0, 3}, {4, 3, 0}};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) EXPECT_EQ(instance.distance(i, j), expected[i][j]);
    }
    EXPECT_EQ(instance.pictureX(2), 0);
    EXPECT_EQ(instance.pictureY(2), 4);
  }
}

TEST(TolerantReaderTest, DisplayDataAndDiagonalOfExplicitMatrices) {
  const std::string text =
      "DISPLAY_DATA_TYPE: TWOD_DISPLAY\nDIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\n"
      "EDGE_WEIGHT_FORMAT: LOWER_DIAG_ROW\nDISPLAY_DATA_SECTION\n1 5 6\n2 -1 2.5\n3 7 0\n"
      "EDGE_WEIGHT_SECTION\n9999\n5 9999\n4 3 9999\n";
  const TspRead read = readText(text);
  ASSERT_TRUE(read.instance) << read.report.where();
  const TspReadReport& report = read.report;
  const std::unique_ptr<ProblemData> problem = problemOf(*read.instance);
  EXPECT_EQ(problem->hasCoordinates, 1);
  EXPECT_EQ(problem->rows[1].x, -1);
  EXPECT_EQ(problem->rows[1].y, 2.5);
  EXPECT_EQ(problem->startCity, 1);
  // The diagonal is kept as read, as the strict reader keeps it (the distance check names it).
  for (int i = 0; i < 3; ++i) EXPECT_EQ(problem->rows[i].dist[i], 9999);
  EXPECT_EQ(problem->rows[2].dist[1], 3);
  EXPECT_EQ(problem->rows[0].dist[2], 4);
  EXPECT_TRUE(report.notes.empty());
}

TEST(TolerantReaderTest, AsymmetricMatricesAreReadAndMarked) {
  const TspRead read = readText(
      "TYPE: ATSP\nDIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: "
      "FULL_MATRIX\nEDGE_WEIGHT_SECTION\n0 1 9\n9 0 1\n1 9 0\n");
  ASSERT_TRUE(read.instance) << read.report.where();
  EXPECT_EQ(read.report.type, "ATSP");
  EXPECT_TRUE(read.report.asymmetric);
  EXPECT_FALSE(read.instance->isSymmetric());
  EXPECT_EQ(read.instance->distance(0, 1), 1);
  EXPECT_EQ(read.instance->distance(1, 0), 9);
}

std::string repeated(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

TEST(TolerantReaderTest, RefusalsNameTheCodeLineAndReason) {
  struct Case {
    std::string text;
    ErrorCode code;
    int line;
    std::string reason;
  };
  const std::string matrixHead =
      "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: UPPER_ROW\n";
  const std::vector<Case> cases = {
      {"", ErrorCode::FileReadFailed, 0, "the file is empty"},
      {"NAME: x\nTYPE: HCP\nDIMENSION: 3\n", ErrorCode::FileFormatError, 2,
       "TYPE 'HCP': this solver solves TSP and ATSP instances"},
      {"TYPE: CVRP\n", ErrorCode::FileFormatError, 1,
       "TYPE 'CVRP': this solver solves TSP and ATSP instances"},
      {"NAME: big\nDIMENSION: 100001\n", ErrorCode::TooManyCities, 2,
       "100001 cities; at most 100000"},
      {"DIMENSION: 2147483648\n", ErrorCode::TooManyCities, 1, "2147483648 cities; at most 100000"},
      {"DIMENSION: 99999999999999999999999\n", ErrorCode::TooManyCities, 1,
       "99999999999999999999999 cities; at most 100000"},
      // A matrix beyond what the largest input holds is refused before any entry is stored.
      {"DIMENSION: 20000\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
       "EDGE_WEIGHT_SECTION\n0 1\n",
       ErrorCode::TooManyCities, 1,
       "20000 cities: an explicit matrix of them lists 400000000 numbers in the FULL_MATRIX "
       "layout, more than a file of at most 256 MiB can hold (134217728)"},
      {"DIMENSION: 16385\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: UPPER_ROW\n",
       ErrorCode::TooManyCities, 1,
       "16385 cities: an explicit matrix of them lists 134225920 numbers in the UPPER_ROW "
       "layout, more than a file of at most 256 MiB can hold (134217728)"},
      // One city fewer fits: the file is then refused for what it lacks.
      {"DIMENSION: 16384\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: UPPER_ROW\n"
       "EDGE_WEIGHT_SECTION\n5\n",
       ErrorCode::FileReadFailed, 5,
       "too few numbers: EDGE_WEIGHT_SECTION holds 1 number; 16384 cities need 134209536 "
       "(UPPER_ROW layout)"},
      {"DIMENSION: 3\nEDGE_WEIGHT_TYPE: SPECIAL\n", ErrorCode::FileFormatError, 2,
       "EDGE_WEIGHT_TYPE SPECIAL needs a distance function of its own, which this solver does "
       "not have"},
      {"DIMENSION: 3\nEDGE_WEIGHT_TYPE: XRAY1\n", ErrorCode::FileFormatError, 2,
       "EDGE_WEIGHT_TYPE XRAY1 needs a distance function of its own, which this solver does not "
       "have"},
      {"DIMENSION: 3\nEDGE_WEIGHT_TYPE: EUC_4D\n", ErrorCode::FileFormatError, 2,
       "unknown EDGE_WEIGHT_TYPE 'EUC_4D'"},
      {"DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FUNCTION\n"
       "EDGE_WEIGHT_SECTION\n1 2 3\n",
       ErrorCode::FileFormatError, 3,
       "EDGE_WEIGHT_FORMAT FUNCTION with EDGE_WEIGHT_TYPE EXPLICIT names no distance rule"},
      {"DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_SECTION\n1 2 3\n",
       ErrorCode::FileFormatError, 2, "EDGE_WEIGHT_TYPE EXPLICIT needs an EDGE_WEIGHT_FORMAT line"},
      {"DIMENSION: 3\nEDGE_WEIGHT_FORMAT: DIAGONAL\n", ErrorCode::FileFormatError, 2,
       "unknown EDGE_WEIGHT_FORMAT 'DIAGONAL'"},
      {"DIMENSION: 3\nDISPLAY_DATA_TYPE: THREED\n", ErrorCode::FileFormatError, 2,
       "unknown DISPLAY_DATA_TYPE 'THREED'"},
      {"NAME: x\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n", ErrorCode::FileReadFailed,
       0, "no DIMENSION line: the number of cities is missing"},
      {"DIMENSION: 3\nNODE_COORD_SECTION\n1 0 0\n2 0 1\n3 1 1\n", ErrorCode::FileFormatError, 0,
       "no EDGE_WEIGHT_TYPE line: the distance rule is missing"},
      {"DIMENSION: 3\nEDGE_WEIGHT_TYPE: GEO\nEOF\n", ErrorCode::FileReadFailed, 0,
       "no NODE_COORD_SECTION: EDGE_WEIGHT_TYPE GEO (line 2) computes distances from it"},
      {matrixHead + "EOF\n", ErrorCode::FileReadFailed, 0,
       "no EDGE_WEIGHT_SECTION: EDGE_WEIGHT_TYPE EXPLICIT (line 2) needs the matrix"},
      {"DIMENSION: x3\n", ErrorCode::FileReadFailed, 1, "DIMENSION 'x3' is not a whole number"},
      {"DIMENSION: 0\n", ErrorCode::FileReadFailed, 1, "DIMENSION 0: the file declares no cities"},
      {"DIMENSION: 3\nDIMENSION: 4\n", ErrorCode::FileFormatError, 2,
       "DIMENSION given twice (line 1 and this one)"},
      {"DIMENSION: 3\n1 2 3\n", ErrorCode::FileReadFailed, 2,
       "numbers outside a section (a section line such as NODE_COORD_SECTION or "
       "EDGE_WEIGHT_SECTION is missing)"},
      {matrixHead + "EDGE_WEIGHT_SECTION\n5 4\nEOF\n", ErrorCode::FileReadFailed, 5,
       "too few numbers: EDGE_WEIGHT_SECTION holds 2 numbers; 3 cities need 3 (UPPER_ROW "
       "layout)"},
      {matrixHead + "EDGE_WEIGHT_SECTION\n5 4\n3\n7\n", ErrorCode::FileReadFailed, 7,
       "too many numbers: EDGE_WEIGHT_SECTION holds 4 numbers; 3 cities need 3 (UPPER_ROW "
       "layout)"},
      {matrixHead + "EDGE_WEIGHT_SECTION\n5 4.5 3\n", ErrorCode::FileReadFailed, 5,
       "EDGE_WEIGHT_SECTION: '4.5' is not a whole number"},
      {matrixHead + "EDGE_WEIGHT_SECTION\n5 4 3000000000\n", ErrorCode::FileReadFailed, 5,
       "EDGE_WEIGHT_SECTION: '3000000000' does not fit 32 bits"},
      {"DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n2 0\nEOF\n",
       ErrorCode::FileReadFailed, 5,
       "too few numbers: NODE_COORD_SECTION holds 5 numbers; 2 cities need 6 (a city number and "
       "2 coordinates each)"},
      {"DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_3D\nNODE_COORD_SECTION\n1 0 0 0\n2 0 0\n",
       ErrorCode::FileReadFailed, 5,
       "too few numbers: NODE_COORD_SECTION holds 7 numbers; 2 cities need 8 (a city number and "
       "3 coordinates each)"},
      {"DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n3 1 1\n",
       ErrorCode::FileReadFailed, 5, "NODE_COORD_SECTION: city number '3' is not one of 1 to 2"},
      {"DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n1 1 1\n",
       ErrorCode::FileReadFailed, 5,
       "NODE_COORD_SECTION: city 1 is listed twice (line 4 and this one)"},
      {"DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n2 1 0x10\n",
       ErrorCode::FileReadFailed, 5,
       "NODE_COORD_SECTION: coordinate '0x10' of city 2 is not a number"},
      {"DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n2 1 inf\n",
       ErrorCode::FileReadFailed, 5,
       "NODE_COORD_SECTION: coordinate 'inf' of city 2 is not a number"},
      {"DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n2 1e300 0\n",
       ErrorCode::FileFormatError, 3,
       "the coordinates lie so far apart that distances could exceed the 32-bit range"},
      {"DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_3D\nNODE_COORD_TYPE: TWOD_COORDS\n",
       ErrorCode::FileFormatError, 3,
       "NODE_COORD_TYPE TWOD_COORDS does not fit EDGE_WEIGHT_TYPE EUC_3D"},
      {"DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D\nFIXED_EDGES_SECTION\n1 2\n-1\n",
       ErrorCode::FileFormatError, 3,
       "FIXED_EDGES_SECTION: this solver cannot keep edges fixed in the tour"},
      {"DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n2 1 1\n"
       "NODE_COORD_SECTION\n",
       ErrorCode::FileReadFailed, 6, "NODE_COORD_SECTION given twice (line 3 and this one)"},
      {"DIMENSION: 2\n" + std::string(1100000, 'A') + "\n", ErrorCode::FileReadFailed, 2,
       "the line is longer than 1048576 bytes"},
      // Until DIMENSION is known a section keeps no more than the largest coordinate section.
      {"EDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\nEDGE_WEIGHT_SECTION\n" +
           std::string(200000, '7') + "\n" + repeated("1 ", 400001) + "\nDIMENSION: 700\n",
       ErrorCode::FileReadFailed, 5,
       "EDGE_WEIGHT_SECTION lists more than 400000 numbers before the DIMENSION line (line 6); a "
       "section that long needs DIMENSION before it"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 200));
    const TspRead read = readText(c.text);
    EXPECT_EQ(read.report.code, c.code);
    EXPECT_EQ(read.report.line, c.line);
    EXPECT_EQ(read.report.reason, c.reason);
    EXPECT_FALSE(read.instance);
    // The object's read refuses alike and leaves its instance as it was.
    auto problem = emptyProblem();
    problem->count = 7;
    std::FILE* stream = std::tmpfile();
    std::fwrite(c.text.data(), 1, c.text.size(), stream);
    std::rewind(stream);
    const TspReadReport report = readTspStreamTolerant(*problem, stream, "text.tsp");
    std::fclose(stream);
    EXPECT_NE(report.code, ErrorCode::Success);
    EXPECT_EQ(problem->count, 7);
  }
}

// An endless line of 'x' (up to a hard end, so that a reader that reads it all still ends),
// counting the bytes taken from it.
struct EndlessLine {
  std::size_t taken = 0;
  static constexpr std::size_t kHardEnd = std::size_t{64} << 20;

  static ssize_t read(void* cookie, char* buffer, std::size_t size) {
    auto* line = static_cast<EndlessLine*>(cookie);
    const std::size_t n = std::min(size, kHardEnd - line->taken);
    std::memset(buffer, 'x', n);
    line->taken += n;
    return static_cast<ssize_t>(n);
  }
};

TEST(TolerantReaderTest, AnOverlongLineIsRefusedWithoutReadingItsRest) {
  EndlessLine line;
  std::FILE* stream = ::fopencookie(&line, "r", {EndlessLine::read, nullptr, nullptr, nullptr});
  ASSERT_NE(stream, nullptr);
  const TspRead read = readTspStreamTolerant(stream, "endless");
  std::fclose(stream);
  EXPECT_EQ(read.report.code, ErrorCode::FileReadFailed);
  EXPECT_EQ(read.report.where(), "line 1: the line is longer than 1048576 bytes");
  // The cap and one buffer of the stream, not the 64 MiB that were there.
  EXPECT_LT(line.taken, std::size_t{2} << 20);
}

TEST(TolerantReaderTest, FilesThatCannotBeOpenedOrAreDirectories) {
  ScratchDirectory directory;
  const TspRead missing = readTspFileTolerant(fileNamed(directory.path("no.tsp")));
  EXPECT_EQ(missing.report.code, ErrorCode::FileOpenFailed);
  EXPECT_EQ(missing.report.reason, "the file cannot be opened (No such file or directory)");
  const TspRead folder = readTspFileTolerant(fileNamed(directory.path("")));
  EXPECT_EQ(folder.report.code, ErrorCode::FileReadFailed);
  EXPECT_EQ(folder.report.where(), "is a directory");
}

TEST(TolerantReaderTest, ObjectReadsTolerantlyWithinItsOwnLimits) {
  ScratchDirectory directory;
  RingmarchObject object;
  struct Case {
    std::string text;
    std::string where;
  };
  const std::vector<Case> cases = {
      {"DIMENSION: 128\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n",
       "line 1: 128 cities; at most 127"},
      {"TYPE: ATSP\nDIMENSION: 64\nEDGE_WEIGHT_TYPE: EXPLICIT\n",
       "line 2: an ATSP instance of 64 cities; at most 63 (it is solved as a symmetric instance "
       "of twice the cities)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string big = directory.write("big.tsp", c.text);
    TspReadReport report;
    EXPECT_EQ(object.ReadTspFileTolerant(fileNamed(big), &report), 0x80040306u);
    EXPECT_EQ(report.where(), c.where);
    EXPECT_EQ(lastError().code, ErrorCode::TooManyCities);
    EXPECT_EQ(object.state(), ObjectState::NoInstance);
  }

  ASSERT_EQ(object.ReadTspFileTolerant(fileNamed(dataFile("burma14.tsp"))), kSuccessResult);
  EXPECT_EQ(object.state(), ObjectState::InstanceReady);
  std::int32_t length = 0;
  ASSERT_EQ(object.Solve(&length), kSuccessResult);
  EXPECT_EQ(length, 3323);
}

// Every shipped TSPLIB file with its published optimum.
struct Shipped {
  const char* file;
  int cities;
  std::int32_t optimum;
  bool solveInSuite;  // small enough for the unit suite to solve
};
const std::vector<Shipped> kShipped = {
    {"burma14.tsp", 14, 3323, true},    {"ulysses16.tsp", 16, 6859, true},
    {"ulysses22.tsp", 22, 7013, true},  {"gr17.tsp", 17, 2085, false},
    {"gr21.tsp", 21, 2707, false},      {"gr24.tsp", 24, 1272, false},
    {"fri26.tsp", 26, 937, false},      {"bayg29.tsp", 29, 1610, false},
    {"bays29.tsp", 29, 2020, false},    {"dantzig42.tsp", 42, 699, false},
    {"swiss42.tsp", 42, 1273, true},    {"eil51.tsp", 51, 426, false},
    {"berlin52.tsp", 52, 7542, false},  {"brazil58.tsp", 58, 25395, false},
    {"st70.tsp", 70, 675, false},       {"eil76.tsp", 76, 538, false},
    {"pr76.tsp", 76, 108159, false},    {"kroA100.tsp", 100, 21282, false},
    {"kroB100.tsp", 100, 22141, false}, {"kroC100.tsp", 100, 20749, false},
    {"rd100.tsp", 100, 7910, false},    {"eil101.tsp", 101, 629, false},
    {"lin105.tsp", 105, 14379, false},  {"pr107.tsp", 107, 44303, false},
    {"pr124.tsp", 124, 59030, false},
};

TEST(TolerantReaderTest, EveryShippedFileReadsAndAgreesWithTheStrictReader) {
  for (const Shipped& s : kShipped) {
    SCOPED_TRACE(s.file);
    auto tolerant = emptyProblem();
    const TspReadReport report = readTspFileTolerant(*tolerant, fileNamed(dataFile(s.file)));
    ASSERT_EQ(report.code, ErrorCode::Success) << report.where();
    EXPECT_EQ(tolerant->count, s.cities);
    EXPECT_FALSE(report.asymmetric);
    // The object's form is that of the instance read.
    const TspRead read = readTspFileTolerant(fileNamed(dataFile(s.file)));
    ASSERT_TRUE(read.instance);
    const std::unique_ptr<ProblemData> converted = problemOf(*read.instance);
    EXPECT_EQ(std::memcmp(converted.get(), tolerant.get(), sizeof(ProblemData)), 0);
    auto strict = emptyProblem();
    if (readTspFile(*strict, fileNamed(dataFile(s.file))) != ErrorCode::Success) continue;
    // Where the strict reader reads a file too, both give the same instance.
    for (int i = 0; i < s.cities; ++i) {
      for (int j = 0; j < s.cities; ++j) {
        ASSERT_EQ(tolerant->rows[i].dist[j], strict->rows[i].dist[j]) << i << "," << j;
      }
    }
    EXPECT_EQ(tolerant->hasCoordinates, strict->hasCoordinates);
    EXPECT_EQ(tolerant->startCity, strict->startCity);
  }
}

TEST(TolerantReaderTest, FilesTheStrictReaderRefusesSolveToTheirPublishedOptima) {
  for (const Shipped& s : kShipped) {
    if (!s.solveInSuite) continue;
    SCOPED_TRACE(s.file);
    auto problem = emptyProblem();
    ASSERT_EQ(readTspFileTolerant(*problem, fileNamed(dataFile(s.file))).code, ErrorCode::Success);
    const testing::SolveOutcome outcome = testing::solveProblem(*problem);
    ASSERT_EQ(outcome.code, ErrorCode::Success);
    ASSERT_EQ(testing::tourDefect(outcome.order, s.cities), "");
    EXPECT_EQ(testing::closedTourLength(*problem, outcome.order), s.optimum);
    EXPECT_EQ(outcome.length, s.optimum);
  }
}

TEST(TolerantReaderTest, WrittenAgainAsAMatrixReadsBackToTheSameDistances) {
  ScratchDirectory directory;
  for (const char* file : {"burma14.tsp", "swiss42.tsp", "bayg29.tsp"}) {
    SCOPED_TRACE(file);
    auto original = emptyProblem();
    ASSERT_EQ(readTspFileTolerant(*original, fileNamed(dataFile(file))).code, ErrorCode::Success);
    const std::string path = directory.path(std::string("copy-") + file);
    ASSERT_EQ(writeTspFile(*original, fileNamed(path), kTspFileFullMatrix), ErrorCode::Success);
    for (const bool strict : {false, true}) {
      auto copy = emptyProblem();
      const ErrorCode code = strict ? readTspFile(*copy, fileNamed(path))
                                    : readTspFileTolerant(*copy, fileNamed(path)).code;
      ASSERT_EQ(code, ErrorCode::Success);
      ASSERT_EQ(copy->count, original->count);
      for (int i = 0; i < original->count; ++i) {
        for (int j = 0; j < original->count; ++j) {
          ASSERT_EQ(copy->rows[i].dist[j], original->rows[i].dist[j]);
        }
        EXPECT_EQ(copy->rows[i].x, truncateToWhole(original->rows[i].x));
      }
    }
  }
}

}  // namespace
}  // namespace ringmarch
