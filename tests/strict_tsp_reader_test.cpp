// The strict reader over an Instance: where the component's reader takes a file the instance is
// the component's own (distances, labels, drawing coordinates, start city once converted back),
// from a file, a stream and bytes alike; where it refuses, the code is the component's and the
// line and reason say why.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "instance/problem_conversion.h"
#include "support/scratch_files.h"
#include "tsplib/strict_tsp_reader.h"
#include "tsplib/tsp_file.h"

namespace ringmarch {
namespace {

using testing::dataFile;
using testing::emptyProblem;
using testing::fileContents;
using testing::fileNamed;
using testing::ScratchDirectory;

// The problem as the search sees it: everything but the city names (the component leaves an
// explicit matrix's names empty, the conversion numbers them).
void expectSameProblem(const ProblemData& a, const ProblemData& b) {
  ASSERT_EQ(a.count, b.count);
  EXPECT_EQ(a.startCity, b.startCity);
  EXPECT_EQ(a.hasCoordinates, b.hasCoordinates);
  EXPECT_STREQ(a.name, b.name);
  EXPECT_EQ(a.minX, b.minX);
  EXPECT_EQ(a.maxY, b.maxY);
  for (int i = 0; i < a.count; ++i) {
    const std::size_t row = sizeof(std::int32_t) * static_cast<std::size_t>(a.count);
    EXPECT_EQ(std::memcmp(a.rows[i].dist, b.rows[i].dist, row), 0) << i;
    EXPECT_EQ(std::memcmp(a.rows[i].neighbourOrder, b.rows[i].neighbourOrder, row), 0) << i;
    EXPECT_EQ(a.rows[i].x, b.rows[i].x) << i;
    EXPECT_EQ(a.rows[i].y, b.rows[i].y) << i;
    if (b.rows[i].name[0] != '\0') {
      EXPECT_STREQ(a.rows[i].name, b.rows[i].name);
    }
  }
}

TEST(StrictInstanceReaderTest, ReadsTheComponentsOwnInstanceFromFilesStreamsAndBytes) {
  for (const char* file : {"gr17.tsp", "bayg29.tsp", "bays29.tsp", "dantzig42.tsp", "berlin52.tsp",
                           "brazil58.tsp", "kroA100.tsp", "pr124.tsp"}) {
    SCOPED_TRACE(file);
    const std::string path = dataFile(file);
    auto component = emptyProblem();
    ASSERT_EQ(readTspFile(*component, fileNamed(path)), ErrorCode::Success);

    const TspRead read = readTspFileStrict(fileNamed(path));
    ASSERT_TRUE(read.instance) << read.report.where();
    EXPECT_TRUE(read.instance->isExplicit());
    EXPECT_EQ(read.report.nameKeyword, strictNameOf(fileContents(path)));
    const std::unique_ptr<ProblemData> converted = problemOf(*read.instance);
    ASSERT_TRUE(converted);
    expectSameProblem(*converted, *component);

    const std::string bytes = fileContents(path);
    const TspRead fromBytes = readTspTextStrict(bytes, path);
    std::FILE* stream = std::fopen(path.c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    const TspRead fromStream = readTspStreamStrict(stream, path);
    std::fclose(stream);
    for (const TspRead* other : {&fromBytes, &fromStream}) {
      ASSERT_TRUE(other->instance);
      const std::unique_ptr<ProblemData> again = problemOf(*other->instance);
      expectSameProblem(*again, *component);
    }
  }
}

TEST(StrictInstanceReaderTest, RefusalsKeepTheComponentsCodeAndSayWhere) {
  struct Case {
    const char* what;
    std::string text;
    ErrorCode code;
    int line;
    std::string reason;
  };
  const std::string matrix = "EDGE_WEIGHT_SECTION\n0 1 2\n1 0 3\n2 3 0\nEOF\n";
  const std::string euc = "EDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n1 0 0\n2 3 4\n3 6 0\n";
  const std::vector<Case> cases = {
      {"section line with blanks",
       "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
       "EDGE_WEIGHT_SECTION  \n0 1 2\n1 0 3\n2 3 0\n",
       ErrorCode::FileReadFailed, 4,
       "the strict reader needs the section line EDGE_WEIGHT_SECTION alone, without blanks or "
       "other case; the tolerant reader reads the file"},
      {"GEO", "DIMENSION: 3\nEDGE_WEIGHT_TYPE: GEO\nNODE_COORD_SECTION\n1 0 0\n2 3 4\n3 6 0\n",
       ErrorCode::FileReadFailed, 2,
       "EDGE_WEIGHT_TYPE GEO has no distance rule in the strict reader (the tolerant reader "
       "reads the file)"},
      {"a layout it does not read",
       "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: UPPER_COL\n"
       "EDGE_WEIGHT_SECTION\n1 2 3\n",
       ErrorCode::FileFormatError, 3,
       "EDGE_WEIGHT_FORMAT UPPER_COL is not read by the strict reader (the tolerant reader reads "
       "the file)"},
      {"lower-case DIMENSION", "dimension: 3\n" + euc, ErrorCode::FileReadFailed, 1,
       "the strict reader needs DIMENSION in upper case from the first column; the tolerant "
       "reader reads the file"},
      {"weight type before DIMENSION",
       "EDGE_WEIGHT_TYPE: EUC_2D\nDIMENSION: 3\nNODE_COORD_SECTION\n1 0 0\n2 3 4\n3 6 0\n",
       ErrorCode::FileFormatError, 1,
       "EDGE_WEIGHT_TYPE comes before DIMENSION (line 2); the strict reader looks for it only "
       "after; the tolerant reader reads the file"},
      {"more cities than it takes, read tolerantly",
       "NAME: big\nDIMENSION: 128\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n" +
           [] {
             std::string cities;
             for (int i = 1; i <= 128; ++i)
               cities += std::to_string(i) + " " + std::to_string(i) + " 0\n";
             return cities;
           }(),
       ErrorCode::TooManyCities, 2,
       "128 cities; the strict reader takes at most 127 (the tolerant reader reads the file)"},
      {"more cities than it takes, refused tolerantly too", "DIMENSION: 200\n",
       ErrorCode::TooManyCities, 1, "200 cities; the strict reader takes at most 127"},
      {"DIMENSION beyond 32 bits", "DIMENSION: 3000000000\n" + euc, ErrorCode::FileReadFailed, 1,
       "3000000000 cities; at most 100000; the strict reader takes a DIMENSION beyond 32 bits "
       "for damage"},
      {"a fault both readers see",
       "DIMENSION: 3\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n"
       "EDGE_WEIGHT_SECTION\n0 1 2\n1 0 x\n2 3 0\n",
       ErrorCode::FileReadFailed, 6, "EDGE_WEIGHT_SECTION: 'x' is not a whole number"},
      // The component holds such a file as an instance of no cities; an Instance has one at
      // least.
      {"no cities",
       "DIMENSION: -5\nEDGE_WEIGHT_TYPE: EXPLICIT\nEDGE_WEIGHT_FORMAT: FULL_MATRIX\n" + matrix,
       ErrorCode::FileReadFailed, 1, "DIMENSION -5: the file declares no cities"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TspRead read = readTspTextStrict(c.text, "t.tsp");
    EXPECT_FALSE(read.instance);
    EXPECT_EQ(read.report.code, c.code);
    EXPECT_EQ(read.report.line, c.line);
    EXPECT_EQ(read.report.reason, c.reason);
    // The code is the component's own answer, wherever it refuses.
    auto component = emptyProblem();
    const ErrorCode code = readTspText(*component, c.text, "t.tsp");
    if (code != ErrorCode::Success) {
      EXPECT_EQ(code, c.code);
    }
  }
}

TEST(StrictInstanceReaderTest, FilesThatCannotBeOpenedOrAreDirectories) {
  ScratchDirectory directory;
  const TspRead missing = readTspFileStrict(fileNamed(directory.path("none.tsp")));
  EXPECT_EQ(missing.report.code, ErrorCode::FileOpenFailed);
  EXPECT_EQ(missing.report.reason, "the file cannot be opened (No such file or directory)");
  const TspRead folder = readTspFileStrict(fileNamed(directory.path("")));
  EXPECT_EQ(folder.report.code, ErrorCode::FileReadFailed);
  EXPECT_EQ(folder.report.where(), "is a directory");
}

TEST(StrictInstanceReaderTest, NameLineForms) {
  EXPECT_EQ(strictNameOf("NAME: a280\nTYPE: TSP\n"), "a280");
  EXPECT_EQ(strictNameOf("TYPE: TSP\nNAME : gr 17 \r\n"), "gr 17");
  EXPECT_EQ(strictNameOf("NAMES: x\nNAME:y"), "y");
  EXPECT_EQ(strictNameOf("COMMENT: NAME: z\n"), "");
  EXPECT_EQ(strictNameOf("NAME:   \n"), "");
  EXPECT_EQ(strictNameOf(""), "");
}

}  // namespace
}  // namespace ringmarch
