// The tolerant TOUR reader: published layouts it must take, and for every refusal the code, the
// kind, the line and the words a user needs; the stream, file and text entries agree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scratch_files.h"
#include "tsplib/tolerant_tour_reader.h"

namespace ringmarch {
namespace {

using testing::fileNamed;
using testing::ScratchDirectory;

struct AcceptedCase {
  const char* what;
  std::string text;
  std::int32_t cities;
  std::vector<std::int32_t> tour;  // 0-based
  int dimension;
};

TEST(TolerantTourReader, TakesToursAsTheyArePublished) {
  const std::vector<AcceptedCase> cases = {
      {"no DIMENSION, several cities a line, -1 then EOF",
       "NAME : t\nTYPE : TOUR\nCOMMENT : five\nTOUR_SECTION\n   1  3  5\n  2  4\n-1\nEOF\n",
       5,
       {0, 2, 4, 1, 3},
       -1},
      {"keywords in other case and order, KEY value, blanks and CRLF",
       "  dimension   4 \r\n\ttype:tour\r\n\r\n  Tour_Section  \r\n4 3\t2 1\r\n",
       4,
       {3, 2, 1, 0},
       4},
      {"cities on the section line, EOF as the end",
       "TOUR_SECTION: 2 1 3 EOF trailing words",
       3,
       {1, 0, 2},
       -1},
      {"ends with the input, no line end", "DIMENSION : 3\nTOUR_SECTION\n3\n1\n2", 3, {2, 0, 1}, 3},
      {"a second tour after -1 is not read",
       "TOUR_SECTION\n1 2 3 -1\n3 2 1 -1\n",
       3,
       {0, 1, 2},
       -1},
      {"signs and leading zeros", "TOUR_SECTION\n+001 02 3\n", 3, {0, 1, 2}, -1},
      {"unknown keywords are skipped",
       "CAPACITY : 9\nX_Y: z\nTOUR_SECTION\n2 1 3\n",
       3,
       {1, 0, 2},
       -1},
  };
  ScratchDirectory directory;
  for (const AcceptedCase& c : cases) {
    SCOPED_TRACE(c.what);
    const TourReadReport text = readTourTextTolerant(c.text, c.cities);
    EXPECT_EQ(text.code, ErrorCode::Success) << text.where();
    EXPECT_EQ(text.fault, TourFault::None);
    EXPECT_EQ(text.tour, c.tour);
    EXPECT_EQ(text.dimension, c.dimension);
    EXPECT_TRUE(text.reason.empty());
    const TourReadReport file =
        readTourFileTolerant(fileNamed(directory.write("t.tour", c.text)), c.cities);
    EXPECT_EQ(file.code, ErrorCode::Success) << file.where();
    EXPECT_EQ(file.tour, c.tour);
  }
}

struct RefusedCase {
  const char* what;
  std::string text;
  std::int32_t cities;
  ErrorCode code;
  TourFault fault;
  int line;
  std::string reason;  // the whole reason
};

TEST(TolerantTourReader, SaysWhyATourIsRefused) {
  const std::vector<RefusedCase> cases = {
      {"repeated city", "TOUR_SECTION\n1 2\n3 2\n-1\n", 4, ErrorCode::FileReadFailed,
       TourFault::Repeated, 3, "city 2 is listed twice (first on line 2); city 4 is missing"},
      {"repeat on one line, nothing missing", "TOUR_SECTION\n1 2 3 3\n", 3,
       ErrorCode::FileReadFailed, TourFault::Repeated, 2,
       "city 3 is listed twice (both on this line)"},
      {"missing city at -1", "TOUR_SECTION\n1\n3\n-1\n", 3, ErrorCode::FileReadFailed,
       TourFault::Missing, 4, "city 2 is missing: the tour ends after 2 cities of 3"},
      {"missing city at the end of the input", "TOUR_SECTION\n2 3\n\n", 3,
       ErrorCode::FileReadFailed, TourFault::Missing, 3,
       "city 1 is missing: the tour ends after 2 cities of 3"},
      {"city beyond the instance", "TOUR_SECTION\n1 2\n4\n", 3, ErrorCode::CityIdOutOfRange,
       TourFault::OutOfRange, 3,
       "city 4 is out of range: the instance has 3 cities, numbered 1 to 3"},
      {"city 0", "TOUR_SECTION 0 1 2\n", 3, ErrorCode::CityIdOutOfRange, TourFault::OutOfRange, 1,
       "city 0 is out of range: the instance has 3 cities, numbered 1 to 3"},
      {"a negative city other than -1", "TOUR_SECTION\n-2\n", 3, ErrorCode::CityIdOutOfRange,
       TourFault::OutOfRange, 2,
       "city -2 is out of range: the instance has 3 cities, numbered 1 to 3"},
      {"a number beyond every integer", "TOUR_SECTION\n1 99999999999999999999999\n", 3,
       ErrorCode::CityIdOutOfRange, TourFault::OutOfRange, 2,
       "city '99999999999999999999999' is out of range: the instance has 3 cities, numbered 1 "
       "to 3"},
      {"DIMENSION of another size", "NAME: x\nDIMENSION : 14\nTOUR_SECTION\n1 2 3\n", 3,
       ErrorCode::CityIdOutOfRange, TourFault::Dimension, 2,
       "its DIMENSION 14 differs from the instance's 3 cities"},
      {"DIMENSION twice", "DIMENSION: 3\nDIMENSION: 4\nTOUR_SECTION\n1 2 3\n", 3,
       ErrorCode::FileReadFailed, TourFault::Unreadable, 2,
       "DIMENSION given twice with different values (line 1 and this one)"},
      {"DIMENSION not a number", "DIMENSION: three\nTOUR_SECTION\n1 2 3\n", 3,
       ErrorCode::FileReadFailed, TourFault::Unreadable, 1,
       "DIMENSION 'three' is not a whole number"},
      {"a word among the cities", "TOUR_SECTION\n1 2\nthree\n", 3, ErrorCode::FileReadFailed,
       TourFault::Unreadable, 3, "'three' is not a city number"},
      {"a TSP file", "NAME: x\ntype : tsp\nDIMENSION: 3\nNODE_COORD_SECTION\n1 0 0\n", 3,
       ErrorCode::FileFormatError, TourFault::NotTourFile, 2,
       "TYPE TSP: this is a TSP instance, not a tour; give the tour file (TYPE: TOUR, with a "
       "TOUR_SECTION), such as the instance's .opt.tour"},
      {"a TSP file without TYPE", "DIMENSION: 3\nNODE_COORD_SECTION\n1 0 0\n", 3,
       ErrorCode::FileFormatError, TourFault::NotTourFile, 2,
       "NODE_COORD_SECTION: this is a TSP instance, not a tour; give the tour file (TYPE: TOUR, "
       "with a TOUR_SECTION), such as the instance's .opt.tour"},
      {"an ATSP file", "TYPE: ATSP\n", 3, ErrorCode::FileFormatError, TourFault::NotTourFile, 1,
       "TYPE ATSP: this is a ATSP instance, not a tour; give the tour file (TYPE: TOUR, with a "
       "TOUR_SECTION), such as the instance's .opt.tour"},
      {"another TYPE", "TYPE: HCP\n", 3, ErrorCode::FileFormatError, TourFault::NotTourFile, 1,
       "TYPE 'HCP': not a tour file (TYPE: TOUR)"},
      {"no TOUR_SECTION", "NAME: x\nDIMENSION: 3\n", 3, ErrorCode::FileReadFailed,
       TourFault::Unreadable, 0, "no TOUR_SECTION: the file lists no tour"},
      {"EOF before the section", "NAME: x\nEOF\nTOUR_SECTION\n1 2 3\n", 3,
       ErrorCode::FileReadFailed, TourFault::Unreadable, 2,
       "EOF before any TOUR_SECTION: the file lists no tour"},
      {"empty file", "", 3, ErrorCode::FileReadFailed, TourFault::Unreadable, 0,
       "the file is empty"},
      {"instance without cities", "TOUR_SECTION\n-1\n", 0, ErrorCode::CityIdOutOfRange,
       TourFault::OutOfRange, 0, "an instance of 0 cities has no tour to read"},
  };
  ScratchDirectory directory;
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.what);
    const TourReadReport report = readTourTextTolerant(c.text, c.cities);
    EXPECT_EQ(report.code, c.code);
    EXPECT_EQ(report.fault, c.fault);
    EXPECT_EQ(report.line, c.line);
    EXPECT_EQ(report.reason, c.reason);
    EXPECT_EQ(report.where(),
              c.line > 0 ? "line " + std::to_string(c.line) + ": " + c.reason : c.reason);
    EXPECT_LE(report.tour.size(), static_cast<std::size_t>(c.cities > 0 ? c.cities + 1 : 0));
    // The file entry reads the same bytes the same way.
    const TourReadReport file =
        readTourFileTolerant(fileNamed(directory.write("t.tour", c.text)), c.cities);
    EXPECT_EQ(file.code, report.code);
    EXPECT_EQ(file.line, report.line);
    EXPECT_EQ(file.reason, report.reason);
    EXPECT_EQ(file.tour, report.tour);
  }
}

TEST(TolerantTourReader, ListsWithRepeatsStayWithinTheInstance) {
  // Endless repeats are cut one past the instance's size; the first repeat is what is reported.
  std::string text = "TOUR_SECTION\n";
  for (int k = 0; k < 10000; ++k) text += "1 2 ";
  const TourReadReport report = readTourTextTolerant(text, 3);
  EXPECT_EQ(report.fault, TourFault::Repeated);
  EXPECT_EQ(report.reason, "city 1 is listed twice (both on this line); city 3 is missing");
  EXPECT_EQ(report.tour, (std::vector<std::int32_t>{0, 1, 0, 1}));
  // A repeat after every city is listed is kept in the tour, so the list shows it.
  const TourReadReport late = readTourTextTolerant("TOUR_SECTION\n5 4 3 2 1\n2 1\n-1\n", 5);
  EXPECT_EQ(late.fault, TourFault::Repeated);
  EXPECT_EQ(late.line, 3);
  EXPECT_EQ(late.reason, "city 2 is listed twice (first on line 2)");
  EXPECT_EQ(late.tour, (std::vector<std::int32_t>{4, 3, 2, 1, 0, 1}));
}

TEST(TolerantTourReader, BytesThatAreNoTextAreNamedNotRead) {
  const std::string text = std::string("TOUR_SECTION\n1 \x01\x02") + '\0' + "\n";
  const TourReadReport report = readTourTextTolerant(text, 3);
  EXPECT_EQ(report.fault, TourFault::Unreadable);
  EXPECT_EQ(report.line, 2);
  EXPECT_EQ(report.reason,
            "'??"
            "?' is not a city number");
  const std::string longLine = "TOUR_SECTION\n" + std::string((1 << 20) + 5, '1');
  const TourReadReport tooLong = readTourTextTolerant(longLine, 3);
  EXPECT_EQ(tooLong.fault, TourFault::Unreadable);
  EXPECT_EQ(tooLong.line, 2);
  EXPECT_EQ(tooLong.reason, "the line is longer than 1048576 bytes");
}

TEST(TolerantTourReader, MissingFilesAndDirectoriesAreRefused) {
  ScratchDirectory directory;
  const TourReadReport missing = readTourFileTolerant(fileNamed(directory.path("none.tour")), 3);
  EXPECT_EQ(missing.code, ErrorCode::FileOpenFailed);
  const TourReadReport folder = readTourFileTolerant(fileNamed(directory.path("")), 3);
  EXPECT_EQ(folder.code, ErrorCode::FileReadFailed);
  EXPECT_EQ(folder.reason, "is a directory");
}

}  // namespace
}  // namespace ringmarch
