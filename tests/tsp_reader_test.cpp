// The TSP reader: keyword forms and order, section lines, the three matrix layouts, coordinates,
// line pieces of 511 bytes, number ranges, and what a failed read leaves of the instance.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/generation.h"
#include "support/scratch_files.h"
#include "tsplib/tsp_file.h"

namespace ringmarch {
namespace {

using testing::emptyProblem;
using testing::fileNamed;
using testing::ScratchDirectory;

std::string joinLines(const std::vector<std::string>& lines, std::string_view end = "\n") {
  std::string text;
  for (const std::string& line : lines) text += line + std::string(end);
  return text;
}

// The three-city EUC_2D file: (0,0), (3,4), (0,4).
const std::vector<std::string> kThreeCities = {"NAME: x",
                                               "TYPE: TSP",
                                               "DIMENSION: 3",
                                               "EDGE_WEIGHT_TYPE: EUC_2D",
                                               "NODE_COORD_SECTION",
                                               "1 0 0",
                                               "2 3 4",
                                               "3 0 4",
                                               "EOF"};

std::vector<std::vector<int>> distanceMatrix(const ProblemData& problem) {
  std::vector<std::vector<int>> matrix;
  for (int i = 0; i < problem.count; ++i) {
    matrix.emplace_back(problem.rows[i].dist, problem.rows[i].dist + problem.count);
  }
  return matrix;
}

std::vector<int> neighbourOrderOf(const ProblemData& problem, int city) {
  return {problem.rows[city].neighbourOrder, problem.rows[city].neighbourOrder + problem.count};
}

// An instance that looks held before the read: 5 cities with recognisable values everywhere.
void fillOldInstance(ProblemData& problem) {
  problem.count = 5;
  copyText(problem.name, "old");
  problem.hasCoordinates = 1;
  problem.startCity = 4;
  problem.minX = problem.minY = -1.0;
  problem.maxX = problem.maxY = 99.0;
  for (int i = 0; i < kRowCount; ++i) {
    for (int j = 0; j < kRowCount; ++j) problem.rows[i].dist[j] = 77;
    copyText(problem.rows[i].name, "old");
    problem.rows[i].x = 55.0;
    problem.rows[i].y = 66.0;
  }
}

class TspReaderTest : public ::testing::Test {
 protected:
  ErrorCode read(std::string_view text) {
    path_ = directory_.write("in.tsp", text);
    return readTspFile(*problem_, fileNamed(path_));
  }
  ErrorCode readLines(const std::vector<std::string>& lines) { return read(joinLines(lines)); }

  ScratchDirectory directory_;
  std::string path_;
  std::unique_ptr<ProblemData> problem_ = emptyProblem();
};

TEST_F(TspReaderTest, ReadsTheThreeCityEuclideanFile) {
  ASSERT_EQ(readLines(kThreeCities), ErrorCode::Success);
  const ProblemData& p = *problem_;
  EXPECT_EQ(p.count, 3);
  EXPECT_EQ(distanceMatrix(p), (std::vector<std::vector<int>>{{0, 5, 4}, {5, 0, 3}, {4, 3, 0}}));
  EXPECT_EQ(neighbourOrderOf(p, 0), (std::vector<int>{0, 2, 1}));
  EXPECT_EQ(neighbourOrderOf(p, 1), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(p.minX, 0.0);
  EXPECT_EQ(p.maxX, 3.0);
  EXPECT_EQ(p.minY, 0.0);
  EXPECT_EQ(p.maxY, 4.0);
  EXPECT_EQ(p.startCity, 0);
  EXPECT_EQ(p.hasCoordinates, 1);
  EXPECT_STREQ(p.rows[0].name, "1");
  EXPECT_STREQ(p.rows[2].name, "3");
  EXPECT_STREQ(p.name, path_.c_str());
}

struct HeaderCase {
  const char* label;
  std::vector<std::string> lines;
  ErrorCode expected;
};

// Replaces the DIMENSION and EDGE_WEIGHT_TYPE lines of the three-city file.
std::vector<std::string> threeCitiesWith(const std::string& dimensionLine,
                                         const std::string& typeLine) {
  std::vector<std::string> lines = kThreeCities;
  lines[2] = dimensionLine;
  lines[3] = typeLine;
  return lines;
}

TEST_F(TspReaderTest, HeaderFormsAndOrder) {
  const std::string euc = "EDGE_WEIGHT_TYPE: EUC_2D";
  const std::vector<HeaderCase> cases = {
      {"blank before colon", threeCitiesWith("DIMENSION : 3", euc), ErrorCode::Success},
      {"no blanks", threeCitiesWith("DIMENSION:3", euc), ErrorCode::Success},
      {"tabs around colon", threeCitiesWith("DIMENSION\t:\t3", euc), ErrorCode::Success},
      {"explicit plus sign", threeCitiesWith("DIMENSION: +3", euc), ErrorCode::Success},
      {"text after the number", threeCitiesWith("DIMENSION: 3 cities", euc), ErrorCode::Success},
      {"type with blank before colon", threeCitiesWith("DIMENSION: 3", "EDGE_WEIGHT_TYPE : EUC_2D"),
       ErrorCode::Success},
      {"type without blanks", threeCitiesWith("DIMENSION: 3", "EDGE_WEIGHT_TYPE:EUC_2D"),
       ErrorCode::Success},
      {"leading blank hides the dimension", threeCitiesWith(" DIMENSION: 3", euc),
       ErrorCode::FileReadFailed},
      {"lower-case keyword", threeCitiesWith("dimension: 3", euc), ErrorCode::FileReadFailed},
      {"dimension value on the next line", threeCitiesWith("DIMENSION:", euc),
       ErrorCode::FileReadFailed},
      {"lower-case type value", threeCitiesWith("DIMENSION: 3", "EDGE_WEIGHT_TYPE: euc_2d"),
       ErrorCode::FileFormatError},
      {"type value with a suffix", threeCitiesWith("DIMENSION: 3", "EDGE_WEIGHT_TYPE: EUC_2DX"),
       ErrorCode::FileFormatError},
      {"CEIL_2D", threeCitiesWith("DIMENSION: 3", "EDGE_WEIGHT_TYPE: CEIL_2D"),
       ErrorCode::FileFormatError},
      {"MAN_2D", threeCitiesWith("DIMENSION: 3", "EDGE_WEIGHT_TYPE: MAN_2D"),
       ErrorCode::FileFormatError},
      {"type before dimension",
       {"NAME: x", "EDGE_WEIGHT_TYPE: EUC_2D", "DIMENSION: 3", "NODE_COORD_SECTION", "1 0 0",
        "2 3 4", "3 0 4"},
       ErrorCode::FileFormatError},
      {"type on the dimension line", threeCitiesWith("DIMENSION: 3", "COMMENT: none"),
       ErrorCode::FileFormatError},
      {"section line with trailing blank",
       {"DIMENSION: 3", "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION ", "1 0 0", "2 3 4",
        "3 0 4", "EOF"},
       ErrorCode::FileReadFailed},
      {"section line with leading blank",
       {"DIMENSION: 3", "EDGE_WEIGHT_TYPE: EUC_2D", " NODE_COORD_SECTION", "1 0 0", "2 3 4",
        "3 0 4", "EOF"},
       ErrorCode::FileReadFailed},
      {"trailing-blank section line then a proper one",
       {"DIMENSION: 3", "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION ", "NODE_COORD_SECTION",
        "1 0 0", "2 3 4", "3 0 4"},
       ErrorCode::Success},
      {"explicit without format",
       {"DIMENSION: 2", "EDGE_WEIGHT_TYPE: EXPLICIT", "EDGE_WEIGHT_SECTION", "0 1", "1 0"},
       ErrorCode::FileFormatError},
      {"explicit with FUNCTION format",
       {"DIMENSION: 2", "EDGE_WEIGHT_TYPE: EXPLICIT", "EDGE_WEIGHT_FORMAT: FUNCTION",
        "EDGE_WEIGHT_SECTION", "0 1", "1 0"},
       ErrorCode::FileFormatError},
      {"no edge weight type",
       {"DIMENSION: 3", "NODE_COORD_SECTION", "1 0 0", "2 3 4", "3 0 4"},
       ErrorCode::FileFormatError},
      {"no section",
       {"DIMENSION: 3", "EDGE_WEIGHT_TYPE: EUC_2D", "EOF"},
       ErrorCode::FileReadFailed},
      {"no dimension", {"NAME: x", "EDGE_WEIGHT_TYPE: EUC_2D"}, ErrorCode::FileReadFailed},
      {"empty file", {}, ErrorCode::FileReadFailed},
      {"dimension 128", threeCitiesWith("DIMENSION: 128", euc), ErrorCode::TooManyCities},
      {"dimension 2147483647", threeCitiesWith("DIMENSION: 2147483647", euc),
       ErrorCode::TooManyCities},
      {"dimension beyond 32 bits", threeCitiesWith("DIMENSION: 2147483648", euc),
       ErrorCode::FileReadFailed},
      {"negative dimension beyond 32 bits", threeCitiesWith("DIMENSION: -2147483649", euc),
       ErrorCode::FileReadFailed},
      {"endless dimension digits", threeCitiesWith("DIMENSION: " + std::string(400, '9'), euc),
       ErrorCode::FileReadFailed},
      {"too few coordinates",
       {"DIMENSION: 3", "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION", "1 0 0", "2 3 4"},
       ErrorCode::FileReadFailed},
  };
  for (const HeaderCase& c : cases) {
    problem_ = emptyProblem();
    EXPECT_EQ(readLines(c.lines), c.expected) << c.label;
  }
}

TEST_F(TspReaderTest, FirstDimensionLineWithANumberCounts) {
  ASSERT_EQ(readLines({"DIMENSION: many", "DIMENSION : 2", "DIMENSION: 3",
                       "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION", "1 0 0", "2 3 4"}),
            ErrorCode::Success);
  EXPECT_EQ(problem_->count, 2);
}

TEST_F(TspReaderTest, LastRecognisedTypeAndFormatWin) {
  ASSERT_EQ(readLines({"DIMENSION: 2", "EDGE_WEIGHT_TYPE: EUC_2D", "EDGE_WEIGHT_TYPE: EXPLICIT",
                       "EDGE_WEIGHT_TYPE: SPECIAL", "EDGE_WEIGHT_FORMAT: UPPER_ROW",
                       "EDGE_WEIGHT_FORMAT: FULL_MATRIX", "EDGE_WEIGHT_FORMAT: UPPER_COL",
                       "EDGE_WEIGHT_SECTION", "0 8", "9 0"}),
            ErrorCode::Success);
  EXPECT_EQ(distanceMatrix(*problem_), (std::vector<std::vector<int>>{{0, 8}, {9, 0}}));
}

TEST_F(TspReaderTest, DimensionOf127IsAccepted) {
  std::vector<std::string> lines = {"DIMENSION: 127", "EDGE_WEIGHT_TYPE: EUC_2D",
                                    "NODE_COORD_SECTION"};
  for (int i = 0; i < 127; ++i) {
    lines.push_back(std::to_string(i + 1) + " " + std::to_string(i * 3) + " 0");
  }
  ASSERT_EQ(readLines(lines), ErrorCode::Success);
  EXPECT_EQ(problem_->count, 127);
  EXPECT_EQ(problem_->rows[126].dist[0], 378);
  EXPECT_EQ(problem_->rows[0].neighbourOrder[126], 126);
}

TEST_F(TspReaderTest, ZeroOrNegativeDimensionGivesNoCities) {
  for (const char* dimension : {"DIMENSION: 0", "DIMENSION: -5"}) {
    problem_ = emptyProblem();
    fillOldInstance(*problem_);
    ASSERT_EQ(readLines({dimension, "EDGE_WEIGHT_TYPE: EXPLICIT", "EDGE_WEIGHT_FORMAT: UPPER_ROW",
                         "EDGE_WEIGHT_SECTION"}),
              ErrorCode::Success)
        << dimension;
    EXPECT_LE(problem_->count, 0);
    EXPECT_EQ(problem_->startCity, 0);
    EXPECT_EQ(problem_->rows[0].dist[1], 77) << "no row is written for an empty instance";
  }
}

struct LayoutCase {
  const char* layout;
  const char* entries;
  std::vector<std::vector<int>> expected;
};

TEST_F(TspReaderTest, MatrixLayouts) {
  const std::vector<LayoutCase> cases = {
      {"UPPER_ROW", "5 4\n3", {{0, 5, 4}, {5, 0, 3}, {4, 3, 0}}},
      {"LOWER_DIAG_ROW", "0 5 0 4 3 0", {{0, 5, 4}, {5, 0, 3}, {4, 3, 0}}},
      {"LOWER_DIAG_ROW", "7\n5 8\n4 3 9", {{7, 5, 4}, {5, 8, 3}, {4, 3, 9}}},
      {"FULL_MATRIX", "0 1 2\n3 0 4 5 6 0", {{0, 1, 2}, {3, 0, 4}, {5, 6, 0}}},
      {"FULL_MATRIX",
       "+1 -2 2147483647 -2147483648 0 0\n0 0 0",
       {{1, -2, 2147483647}, {-2147483648, 0, 0}, {0, 0, 0}}},
  };
  for (const LayoutCase& c : cases) {
    problem_ = emptyProblem();
    ASSERT_EQ(readLines({"NAME: m", "DIMENSION: 3", "EDGE_WEIGHT_TYPE: EXPLICIT",
                         std::string("EDGE_WEIGHT_FORMAT: ") + c.layout, "EDGE_WEIGHT_SECTION",
                         c.entries, "EOF"}),
              ErrorCode::Success)
        << c.layout << " " << c.entries;
    EXPECT_EQ(distanceMatrix(*problem_), c.expected) << c.layout << " " << c.entries;
    for (int i = 0; i < 3; ++i) {
      const std::vector<int> order = neighbourOrderOf(*problem_, i);
      for (int k = 1; k < 3; ++k) {
        const int before = problem_->rows[i].dist[order[k - 1]];
        const int here = problem_->rows[i].dist[order[k]];
        EXPECT_TRUE(before < here || (before == here && order[k - 1] < order[k]))
            << c.layout << " row " << i;
      }
    }
  }
}

TEST_F(TspReaderTest, MatrixEntriesThatCannotBeRead) {
  for (const char* entries :
       {"5 4", "5 4 x", "5 4 2147483648", "5 4 -2147483649", "5 4 3.5", "5 4 - 3", "5 4 0x3",
        "5 4 "
        "99999999999999999999999"}) {
    problem_ = emptyProblem();
    // "3.5" and "0x3" read 3 and 0 as the last entry; only the trailing text is left over.
    const bool lastEntryReadable =
        std::strcmp(entries, "5 4 3.5") == 0 || std::strcmp(entries, "5 4 0x3") == 0;
    EXPECT_EQ(readLines({"DIMENSION: 3", "EDGE_WEIGHT_TYPE: EXPLICIT",
                         "EDGE_WEIGHT_FORMAT: UPPER_ROW", "EDGE_WEIGHT_SECTION", entries}),
              lastEntryReadable ? ErrorCode::Success : ErrorCode::FileReadFailed)
        << entries;
  }
}

TEST_F(TspReaderTest, FailedFullMatrixKeepsTheRowsCompletedBeforeIt) {
  fillOldInstance(*problem_);
  ASSERT_EQ(
      readLines({"DIMENSION: 3", "EDGE_WEIGHT_TYPE: EXPLICIT", "EDGE_WEIGHT_FORMAT: FULL_MATRIX",
                 "EDGE_WEIGHT_SECTION", "0 1 2", "3 0 4", "5 6"}),
      ErrorCode::FileReadFailed);
  EXPECT_EQ(problem_->count, 3);
  EXPECT_STREQ(problem_->name, path_.c_str());
  EXPECT_EQ(problem_->rows[0].dist[2], 2);
  EXPECT_EQ(problem_->rows[1].dist[0], 3);
  EXPECT_EQ(problem_->rows[2].dist[0], 77) << "the failing row must not be partly written";
  EXPECT_EQ(problem_->rows[2].dist[1], 77);
}

TEST_F(TspReaderTest, FailedTriangleChangesNoRow) {
  for (const char* layout : {"UPPER_ROW", "LOWER_DIAG_ROW"}) {
    problem_ = emptyProblem();
    fillOldInstance(*problem_);
    ASSERT_EQ(
        readLines({"DIMENSION: 3", "EDGE_WEIGHT_TYPE: EXPLICIT",
                   std::string("EDGE_WEIGHT_FORMAT: ") + layout, "EDGE_WEIGHT_SECTION", "0 5"}),
        ErrorCode::FileReadFailed);
    EXPECT_EQ(problem_->count, 3);
    EXPECT_STREQ(problem_->name, path_.c_str());
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) EXPECT_EQ(problem_->rows[i].dist[j], 77) << layout;
    }
  }
}

TEST_F(TspReaderTest, FailedCoordinatesKeepTheCitiesReadSoFar) {
  fillOldInstance(*problem_);
  ASSERT_EQ(readLines({"DIMENSION: 3", "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION", "a 10 20",
                       "b -4 7", "c 1"}),
            ErrorCode::FileReadFailed);
  const ProblemData& p = *problem_;
  EXPECT_EQ(p.count, 3);
  EXPECT_STREQ(p.rows[0].name, "a");
  EXPECT_STREQ(p.rows[1].name, "b");
  EXPECT_STREQ(p.rows[2].name, "old");
  EXPECT_EQ(p.rows[1].x, -4.0);
  EXPECT_EQ(p.rows[2].x, 55.0);
  EXPECT_EQ(p.startCity, 1);
  EXPECT_EQ(p.minX, -4.0) << "bounds are reset, then widened by the cities read";
  EXPECT_EQ(p.maxX, 10.0);
  EXPECT_EQ(p.maxY, 20.0);
  EXPECT_EQ(p.rows[0].dist[1], 77) << "no distance is computed";
}

TEST_F(TspReaderTest, WhatEarlyFailuresLeave) {
  fillOldInstance(*problem_);
  EXPECT_EQ(readTspFile(*problem_, fileNamed(directory_.path("missing.tsp"))),
            ErrorCode::FileOpenFailed);
  EXPECT_STREQ(problem_->name, "old");
  EXPECT_EQ(readTspFile(*problem_, FileName{}), ErrorCode::FileOpenFailed);
  EXPECT_STREQ(problem_->name, "old");

  EXPECT_EQ(readLines({"NAME: x"}), ErrorCode::FileReadFailed);
  EXPECT_STREQ(problem_->name, path_.c_str());
  EXPECT_EQ(problem_->count, 5);

  fillOldInstance(*problem_);
  EXPECT_EQ(readLines({"DIMENSION: 500"}), ErrorCode::TooManyCities);
  EXPECT_STREQ(problem_->name, path_.c_str());
  EXPECT_EQ(problem_->count, 5) << "a refused dimension keeps the count held before";

  fillOldInstance(*problem_);
  EXPECT_EQ(readLines({"DIMENSION: 2", "EDGE_WEIGHT_TYPE: CEIL_2D", "NODE_COORD_SECTION"}),
            ErrorCode::FileFormatError);
  EXPECT_EQ(problem_->count, 2);
  EXPECT_EQ(problem_->startCity, 0) << "the old start city 4 is no city of 2";
  EXPECT_EQ(problem_->rows[0].dist[1], 77);
}

TEST_F(TspReaderTest, CoordinateForms) {
  ASSERT_EQ(readLines({"DIMENSION: 4", "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION",
                       "7 12.5 -3e2", "x1 +.5 5.", "city -0.25E+1 1e-3", "9 1.5", "2"}),
            ErrorCode::Success);
  const ProblemData& p = *problem_;
  EXPECT_STREQ(p.rows[0].name, "7");
  EXPECT_EQ(p.rows[0].x, 12.5);
  EXPECT_EQ(p.rows[0].y, -300.0);
  EXPECT_EQ(p.rows[1].x, 0.5);
  EXPECT_EQ(p.rows[1].y, 5.0);
  EXPECT_STREQ(p.rows[2].name, "city");
  EXPECT_EQ(p.rows[2].x, -2.5);
  EXPECT_EQ(p.rows[2].y, 0.001);
  EXPECT_STREQ(p.rows[3].name, "9") << "entries are a token stream across line breaks";
  EXPECT_EQ(p.rows[3].y, 2.0);
  EXPECT_EQ(p.startCity, 2);
  EXPECT_EQ(p.minY, -300.0);
}

TEST_F(TspReaderTest, CoordinatesThatAreRefused) {
  for (const char* y :
       {"nan", "inf", "-infinity", "1e999", "-1e400", "0x10", "1e", "1e+", "-", ".", "e5", "abc"}) {
    problem_ = emptyProblem();
    EXPECT_EQ(readLines({"DIMENSION: 2", "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION", "1 0 0",
                         std::string("2 1 ") + y}),
              ErrorCode::FileReadFailed)
        << y;
  }
}

TEST_F(TspReaderTest, OverlongNumberTokenIsRefused) {
  const std::string longFraction = "1." + std::string(600, '0');
  EXPECT_EQ(readLines({"DIMENSION: 1", "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION",
                       "1 " + longFraction + " 0"}),
            ErrorCode::FileReadFailed);
  problem_ = emptyProblem();
  const std::string fitting = "1." + std::string(400, '0');
  EXPECT_EQ(readLines({"DIMENSION: 1", "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION",
                       "1 " + fitting + " 0"}),
            ErrorCode::Success);
  EXPECT_EQ(problem_->rows[0].x, 1.0);
}

TEST_F(TspReaderTest, LongLabelIsCutTo255Bytes) {
  const std::string label(700, 'L');
  ASSERT_EQ(readLines({"DIMENSION: 2", "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION",
                       label + " 1 2", "2 3 4"}),
            ErrorCode::Success);
  EXPECT_EQ(std::string(problem_->rows[0].name), std::string(255, 'L'));
  EXPECT_EQ(problem_->rows[0].x, 1.0);
  EXPECT_EQ(problem_->rows[1].x, 3.0);
}

TEST_F(TspReaderTest, AttDistancesUseTheFixedScale) {
  ASSERT_EQ(readLines({"DIMENSION: 3", "EDGE_WEIGHT_TYPE: ATT", "NODE_COORD_SECTION", "1 0 0",
                       "2 0 100", "3 1000 0"}),
            ErrorCode::Success);
  EXPECT_EQ(problem_->rows[0].dist[1], 32);
  // 1000 * 0.31706 = 317.06; 1/sqrt(10) would give 316.
  EXPECT_EQ(problem_->rows[0].dist[2], 317);
}

TEST_F(TspReaderTest, DistancesBeyond32BitsAreRefused) {
  EXPECT_EQ(readLines({"DIMENSION: 2", "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION", "1 0 0",
                       "2 3e9 0"}),
            ErrorCode::FileFormatError);
  problem_ = emptyProblem();
  EXPECT_EQ(readLines({"DIMENSION: 2", "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION",
                       "1 -1e308 -1e308", "2 1e308 1e308"}),
            ErrorCode::FileFormatError);
  problem_ = emptyProblem();
  EXPECT_EQ(readLines({"DIMENSION: 2", "EDGE_WEIGHT_TYPE: EUC_2D", "NODE_COORD_SECTION", "1 0 0",
                       "2 2147483647 0"}),
            ErrorCode::Success);
  EXPECT_EQ(problem_->rows[0].dist[1], 2147483647);
}

const std::vector<std::string> kExplicitWithDisplay = {"DIMENSION: 3",
                                                       "EDGE_WEIGHT_TYPE: EXPLICIT",
                                                       "EDGE_WEIGHT_FORMAT: UPPER_ROW",
                                                       "DISPLAY_DATA_TYPE: TWOD_DISPLAY",
                                                       "EDGE_WEIGHT_SECTION",
                                                       "10 20",
                                                       "30",
                                                       "DISPLAY_DATA_SECTION",
                                                       "1 5 1",
                                                       "2 2 8",
                                                       "3 2 3",
                                                       "EOF"};

TEST_F(TspReaderTest, ExplicitMatrixWithDisplayData) {
  fillOldInstance(*problem_);
  ASSERT_EQ(readLines(kExplicitWithDisplay), ErrorCode::Success);
  const ProblemData& p = *problem_;
  EXPECT_EQ(distanceMatrix(p),
            (std::vector<std::vector<int>>{{0, 10, 20}, {10, 0, 30}, {20, 30, 0}}));
  EXPECT_EQ(p.hasCoordinates, 1);
  EXPECT_EQ(p.rows[2].y, 3.0);
  EXPECT_EQ(p.startCity, 1);
  EXPECT_EQ(p.minX, 2.0);
  EXPECT_EQ(p.maxY, 8.0);
}

TEST_F(TspReaderTest, DisplayDataBeforeTheMatrixAreReadWithIt) {
  std::vector<std::string> lines = {"DIMENSION: 3",
                                    "EDGE_WEIGHT_TYPE: EXPLICIT",
                                    "EDGE_WEIGHT_FORMAT: UPPER_ROW",
                                    "DISPLAY_DATA_TYPE: TWOD_DISPLAY",
                                    "DISPLAY_DATA_SECTION",
                                    "1 5 1",
                                    "2 2 8",
                                    "3 2 3",
                                    "EDGE_WEIGHT_SECTION",
                                    "10 20",
                                    "30",
                                    "EOF"};
  ASSERT_EQ(readLines(lines), ErrorCode::Success);
  EXPECT_EQ(distanceMatrix(*problem_),
            (std::vector<std::vector<int>>{{0, 10, 20}, {10, 0, 30}, {20, 30, 0}}));
  EXPECT_EQ(problem_->hasCoordinates, 1);
  EXPECT_EQ(problem_->rows[1].y, 8.0);
}

TEST_F(TspReaderTest, AnnouncedDisplayDataMustFollow) {
  std::vector<std::string> lines(kExplicitWithDisplay.begin(), kExplicitWithDisplay.begin() + 7);
  fillOldInstance(*problem_);
  EXPECT_EQ(readLines(lines), ErrorCode::FileReadFailed);
  EXPECT_EQ(problem_->rows[0].dist[1], 10) << "the matrix was stored before the failure";
}

TEST_F(TspReaderTest, DisplayDataWithoutAnnouncementAreIgnored) {
  std::vector<std::string> lines = kExplicitWithDisplay;
  lines[3] = "DISPLAY_DATA_TYPE: COORD_DISPLAY";
  fillOldInstance(*problem_);
  ASSERT_EQ(readLines(lines), ErrorCode::Success);
  EXPECT_EQ(problem_->hasCoordinates, 0);
  EXPECT_EQ(problem_->rows[0].x, 55.0);
}

TEST_F(TspReaderTest, ExplicitWithoutDisplayDropsTheOldCoordinateFlag) {
  struct Case {
    int oldStart;
    int expectedStart;
  };
  for (const Case c : {Case{4, 0}, Case{1, 1}, Case{-3, 0}}) {
    problem_ = emptyProblem();
    fillOldInstance(*problem_);
    problem_->startCity = c.oldStart;
    ASSERT_EQ(readLines({"DIMENSION: 3", "EDGE_WEIGHT_TYPE: EXPLICIT",
                         "EDGE_WEIGHT_FORMAT: UPPER_ROW", "EDGE_WEIGHT_SECTION", "1 2 3"}),
              ErrorCode::Success);
    EXPECT_EQ(problem_->hasCoordinates, 0);
    EXPECT_EQ(problem_->startCity, c.expectedStart) << "old start " << c.oldStart;
    EXPECT_STREQ(problem_->rows[0].name, "old");
  }
}

TEST_F(TspReaderTest, GeoFilesAreRefused) {
  EXPECT_EQ(readLines({"DIMENSION: 2", "EDGE_WEIGHT_TYPE: GEO", "NODE_COORD_SECTION",
                       "1 38.24 20.42", "2 39.57 26.15", "EOF"}),
            ErrorCode::FileReadFailed);
  fillOldInstance(*problem_);
  EXPECT_EQ(readLines({"DIMENSION: 2", "EDGE_WEIGHT_TYPE: GEO", "DISPLAY_DATA_TYPE: TWOD_DISPLAY",
                       "NODE_COORD_SECTION", "1 38.24 20.42", "2 39.57 26.15",
                       "DISPLAY_DATA_SECTION", "1 38 20", "2 39 26", "EOF"}),
            ErrorCode::FileFormatError);
  EXPECT_EQ(problem_->rows[0].x, 55.0) << "nothing of a GEO instance is taken";
}

TEST_F(TspReaderTest, EuclideanFileIgnoresDisplayData) {
  ASSERT_EQ(readLines({"DIMENSION: 2", "EDGE_WEIGHT_TYPE: EUC_2D",
                       "DISPLAY_DATA_TYPE: TWOD_DISPLAY", "DISPLAY_DATA_SECTION", "1 100 100",
                       "2 200 200", "NODE_COORD_SECTION", "1 0 0", "2 3 4", "EOF"}),
            ErrorCode::Success);
  EXPECT_EQ(problem_->rows[0].dist[1], 5);
  EXPECT_EQ(problem_->rows[1].x, 3.0);
}

TEST_F(TspReaderTest, CrlfFileReadsLikeTheLfFile) {
  std::vector<std::string> lines = {"NAME: c",
                                    "DIMENSION: 3",
                                    "EDGE_WEIGHT_TYPE: EXPLICIT",
                                    "EDGE_WEIGHT_FORMAT: LOWER_DIAG_ROW",
                                    "DISPLAY_DATA_TYPE: TWOD_DISPLAY",
                                    "EDGE_WEIGHT_SECTION",
                                    "0 5 0",
                                    "4 3 0",
                                    "DISPLAY_DATA_SECTION",
                                    "a 1 2",
                                    "b 3 4",
                                    "c 5 6",
                                    "EOF"};
  ASSERT_EQ(read(joinLines(lines, "\r\n")), ErrorCode::Success);
  auto crlf = std::move(problem_);
  problem_ = emptyProblem();
  ASSERT_EQ(read(joinLines(lines, "\n")), ErrorCode::Success);
  EXPECT_EQ(std::memcmp(crlf.get(), problem_.get(), sizeof(ProblemData)), 0);
  EXPECT_STREQ(crlf->rows[2].name, "c");
}

TEST_F(TspReaderTest, LoneCarriageReturnsStayInTheLine) {
  EXPECT_EQ(read("DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\r\r\n1 0 0 2 3 4\n"),
            ErrorCode::FileReadFailed);
  problem_ = emptyProblem();
  EXPECT_EQ(read("DIMENSION: 2\rEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0 2 3 4\n"),
            ErrorCode::FileFormatError)
      << "a lone carriage return ends no line: the type is on the dimension line";
}

TEST_F(TspReaderTest, LongLinesAreReadIn511BytePieces) {
  const std::string tail = "EDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n2 3 4\n";
  // A comment of exactly 511 bytes, then DIMENSION on a line of its own piece.
  const std::string comment = "COMMENT: " + std::string(511 - 9, 'c');
  ASSERT_EQ(comment.size(), 511u);
  EXPECT_EQ(read(comment + "DIMENSION: 2\n" + tail), ErrorCode::Success)
      << "the piece after 511 bytes counts as a line of its own";

  // The value "2" as the 511th byte belongs to the first piece.
  problem_ = emptyProblem();
  const std::string fits = "DIMENSION:" + std::string(500, ' ') + "2";
  ASSERT_EQ(fits.size(), 511u);
  EXPECT_EQ(read(fits + "\n" + tail), ErrorCode::Success);
  EXPECT_EQ(problem_->count, 2);

  // One blank more pushes it into the next piece, where it is no DIMENSION line.
  problem_ = emptyProblem();
  EXPECT_EQ(read("DIMENSION:" + std::string(501, ' ') + "2\n" + tail), ErrorCode::FileReadFailed);

  // A section line whose newline falls into the next piece is no section line.
  problem_ = emptyProblem();
  const std::string padded = std::string(511 - 18, 'p') + "NODE_COORD_SECTION";
  EXPECT_EQ(read("DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D\n" + padded + "\n1 0 0\n2 3 4\n"),
            ErrorCode::FileReadFailed);
}

TEST_F(TspReaderTest, NulByteEndsTheLineForMatching) {
  const std::string text = std::string("DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D") + '\0' +
                           "junk\nNODE_COORD_SECTION\n1 0 0\n2 3 4\n";
  EXPECT_EQ(read(text), ErrorCode::Success);
  problem_ = emptyProblem();
  const std::string section = std::string("DIMENSION: 2\nEDGE_WEIGHT_TYPE: EUC_2D\n") +
                              "NODE_COORD_SECTION" + '\0' + "\n1 0 0\n2 3 4\n";
  EXPECT_EQ(read(section), ErrorCode::FileReadFailed);
}

TEST_F(TspReaderTest, LongPathIsCutInTheName) {
  const std::string longName(300, 'n');
  const std::string text = joinLines(kThreeCities);
  std::unique_ptr<ProblemData> problem = emptyProblem();
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  std::fwrite(text.data(), 1, text.size(), stream);
  std::rewind(stream);
  EXPECT_EQ(readTspStream(*problem, stream, longName), ErrorCode::Success);
  std::fclose(stream);
  EXPECT_EQ(std::string(problem->name), std::string(255, 'n'));
}

TEST_F(TspReaderTest, ReadingADirectoryFails) {
  const std::string directoryPath = directory_.path("sub");
  std::filesystem::create_directories(directoryPath);
  const ErrorCode code = readTspFile(*problem_, fileNamed(directoryPath));
  EXPECT_TRUE(code == ErrorCode::FileOpenFailed || code == ErrorCode::FileReadFailed);
}

}  // namespace
}  // namespace ringmarch
