// TOUR files: the reader's dimension and section rules, entries outside the instance, short
// tours, lengths measured against the instance, exact bytes of the writer, and round trips.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "model/generation.h"
#include "support/scratch_files.h"
#include "support/tour_checker.h"
#include "tsplib/tour_file.h"

namespace ringmarch {
namespace {

using testing::emptyProblem;
using testing::fileContents;
using testing::fileNamed;
using testing::ScratchDirectory;

// Four cities with distinct distances: d(i, j) = 10 * (i + j) + |i - j|.
std::unique_ptr<ProblemData> fourCities() {
  auto problem = emptyProblem();
  problem->count = 4;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j)
      problem->rows[i].dist[j] = i == j ? 0 : 10 * (i + j) + (i > j ? i - j : j - i);
  }
  return problem;
}

std::vector<int> orderOf(const TourRecord& tour) {
  return {tour.order, tour.order + tour.count};
}

class TourFileTest : public ::testing::Test {
 protected:
  ErrorCode read(std::string_view text) {
    return readTourFile(tour_, *problem_, fileNamed(directory_.write("in.tour", text)));
  }

  ScratchDirectory directory_;
  std::unique_ptr<ProblemData> problem_ = fourCities();
  TourRecord tour_{};
};

TEST_F(TourFileTest, ReadsEntriesAndMeasuresTheClosedTour) {
  ASSERT_EQ(read("NAME : t\nTYPE : TOUR\nDIMENSION : 4\nTOUR_SECTION\n1 3 2 4 -1\nEOF\n"),
            ErrorCode::Success);
  EXPECT_EQ(orderOf(tour_), (std::vector<int>{0, 2, 1, 3}));
  const int expected = problem_->rows[0].dist[2] + problem_->rows[2].dist[1] +
                       problem_->rows[1].dist[3] + problem_->rows[3].dist[0];
  EXPECT_EQ(tour_.length, expected);
  EXPECT_EQ(tour_.count, 4);
  EXPECT_EQ(tour_.problem, problem_.get());
}

struct TourCase {
  const char* label;
  std::string text;
  ErrorCode expected;
};

TEST_F(TourFileTest, ReaderAnswers) {
  const std::vector<TourCase> cases = {
      {"section line with trailing text", "DIMENSION: 4\nTOUR_SECTION  first\n1\n2\n3\n4\n",
       ErrorCode::Success},
      {"no blanks around colon", "DIMENSION:4\nTOUR_SECTION\n1 2 3 4\n", ErrorCode::Success},
      {"nothing after the last entry", "DIMENSION : 4\nTOUR_SECTION\n4 3 2 1", ErrorCode::Success},
      {"entries after the last are not read", "DIMENSION : 4\nTOUR_SECTION\n4 3 2 1 x 99",
       ErrorCode::Success},
      {"crlf lines", "NAME : t\r\nDIMENSION : 4\r\nTOUR_SECTION\r\n1\r\n2\r\n3\r\n4\r\n-1\r\n",
       ErrorCode::Success},
      {"dimension differs", "DIMENSION : 3\nTOUR_SECTION\n1 2 3 -1\n", ErrorCode::CityIdOutOfRange},
      {"no dimension", "TYPE : TOUR\nTOUR_SECTION\n1 2 3 4\n", ErrorCode::FileReadFailed},
      {"leading blank hides the dimension", " DIMENSION : 4\nTOUR_SECTION\n1 2 3 4\n",
       ErrorCode::FileReadFailed},
      {"section before dimension", "TOUR_SECTION\nDIMENSION : 4\n1 2 3 4\n",
       ErrorCode::FileReadFailed},
      {"section on the dimension line", "DIMENSION : 4 TOUR_SECTION\n1 2 3 4\n",
       ErrorCode::FileReadFailed},
      {"lower-case section", "DIMENSION : 4\ntour_section\n1 2 3 4\n", ErrorCode::FileReadFailed},
      {"short tour", "DIMENSION : 4\nTOUR_SECTION\n1 3 2 -1\n", ErrorCode::FileReadFailed},
      {"file ends early", "DIMENSION : 4\nTOUR_SECTION\n1 3 2\n", ErrorCode::FileReadFailed},
      {"entry is not a number", "DIMENSION : 4\nTOUR_SECTION\n1 3 two 4\n",
       ErrorCode::FileReadFailed},
      {"entry beyond 32 bits", "DIMENSION : 4\nTOUR_SECTION\n1 3 4294967298 4\n",
       ErrorCode::FileReadFailed},
      {"dimension beyond 32 bits", "DIMENSION : 4294967300\nTOUR_SECTION\n1 2 3 4\n",
       ErrorCode::FileReadFailed},
      {"entry 0", "DIMENSION : 4\nTOUR_SECTION\n1 0 2 3\n", ErrorCode::CityIdOutOfRange},
      {"entry above dimension", "DIMENSION : 4\nTOUR_SECTION\n1 5 2 3\n",
       ErrorCode::CityIdOutOfRange},
      {"entry -2", "DIMENSION : 4\nTOUR_SECTION\n1 -2 2 3\n", ErrorCode::CityIdOutOfRange},
      {"entry 128", "DIMENSION : 4\nTOUR_SECTION\n128 1 2 3\n", ErrorCode::CityIdOutOfRange},
      {"empty file", "", ErrorCode::FileReadFailed},
  };
  for (const TourCase& c : cases) {
    EXPECT_EQ(read(c.text), c.expected) << c.label;
  }
}

TEST_F(TourFileTest, RejectedEntryIsNotStored) {
  ASSERT_EQ(read("DIMENSION : 4\nTOUR_SECTION\n2 3 100000 1\n"), ErrorCode::CityIdOutOfRange);
  EXPECT_EQ(orderOf(tour_), (std::vector<int>{1, 2}));
}

TEST_F(TourFileTest, FailedReadLeavesTheTourReinitialised) {
  ASSERT_EQ(read("DIMENSION : 4\nTOUR_SECTION\n1 2 3 4\n"), ErrorCode::Success);
  ASSERT_EQ(read("DIMENSION : 3\nTOUR_SECTION\n1 2 3\n"), ErrorCode::CityIdOutOfRange);
  EXPECT_EQ(tour_.count, 0);
  EXPECT_EQ(tour_.length, 0);
  EXPECT_EQ(tour_.targetCount, 4);
}

TEST_F(TourFileTest, RepeatedCityIsTakenAsWritten) {
  ASSERT_EQ(read("DIMENSION : 4\nTOUR_SECTION\n1 2 2 3\n"), ErrorCode::Success);
  EXPECT_EQ(orderOf(tour_), (std::vector<int>{0, 1, 1, 2}));
  EXPECT_EQ(tour_.position[1], 2);
  EXPECT_EQ(tour_.length,
            problem_->rows[0].dist[1] + 0 + problem_->rows[1].dist[2] + problem_->rows[2].dist[0]);
}

TEST_F(TourFileTest, SectionLineOver511BytesLeavesItsRestAsEntries) {
  const std::string section = "TOUR_SECTION" + std::string(511 - 12, ' ');
  ASSERT_EQ(read("DIMENSION : 4\n" + section + "4 3 2 1\n"), ErrorCode::Success);
  EXPECT_EQ(orderOf(tour_), (std::vector<int>{3, 2, 1, 0}));
}

TEST_F(TourFileTest, WriterBytes) {
  auto problem = emptyProblem();
  problem->count = 3;
  TourRecord tour{};
  initTour(tour, problem.get(), 3);
  tour.order[0] = 0;
  tour.order[1] = 2;
  tour.order[2] = 1;
  tour.count = 3;
  tour.length = 12;
  const std::string path = directory_.path("t.tour");
  ASSERT_EQ(writeTourFile(tour, *problem, fileNamed(path)), ErrorCode::Success);
  EXPECT_EQ(fileContents(path), "NAME : " + path +
                                    "\nCOMMENT : Length 12\nTYPE : TOUR\nDIMENSION : 3\n"
                                    "TOUR_SECTION\n1\n3\n2\n-1\nEOF\n");
}

TEST_F(TourFileTest, WriterTakesALengthBeyond32BitsFromItsCaller) {
  TourRecord tour{};
  initTour(tour, problem_.get(), 4);
  for (int city : {0, 1, 2, 3}) appendCity(tour, city);
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  ASSERT_TRUE(writeTourStreamWithLength(tour, *problem_, stream, "wide", 6147483647LL));
  std::rewind(stream);
  char text[256] = {};
  const std::size_t n = std::fread(text, 1, sizeof text - 1, stream);
  std::fclose(stream);
  EXPECT_EQ(std::string(text, n),
            "NAME : wide\nCOMMENT : Length 6147483647\nTYPE : TOUR\nDIMENSION : 4\n"
            "TOUR_SECTION\n1\n2\n3\n4\n-1\nEOF\n");
}

TEST_F(TourFileTest, WriterNeverGoesPastTheTour) {
  // An instance that grew after its tour was made (a failed instance read keeps the tour).
  TourRecord tour{};
  initTour(tour, problem_.get(), 2);
  appendCity(tour, 1);
  appendCity(tour, 0);
  const std::string path = directory_.path("grown.tour");
  ASSERT_EQ(writeTourFile(tour, *problem_, fileNamed(path)), ErrorCode::Success);
  EXPECT_EQ(fileContents(path), "NAME : " + path + "\nCOMMENT : Length " +
                                    std::to_string(tour.length) +
                                    "\nTYPE : TOUR\nDIMENSION : 4\nTOUR_SECTION\n2\n1\n-1\nEOF\n");
  EXPECT_EQ(read(fileContents(path)), ErrorCode::FileReadFailed)
      << "such a file does not pass as a tour of the instance";
}

TEST_F(TourFileTest, WriterFailures) {
  TourRecord tour{};
  initTour(tour, problem_.get(), 4);
  for (int city : {0, 1, 2, 3}) appendCity(tour, city);
  EXPECT_EQ(writeTourFile(tour, *problem_, fileNamed(directory_.path("no/dir/t.tour"))),
            ErrorCode::FileOpenFailed);
  EXPECT_EQ(writeTourFile(tour, *problem_, FileName{}), ErrorCode::FileOpenFailed);
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_EQ(writeTourFile(tour, *problem_, fileNamed("/dev/full")), ErrorCode::FileWriteFailed);
  }
}

TEST_F(TourFileTest, RoundTripKeepsOrderAndLength) {
  auto problem = emptyProblem();
  generateInstance(*problem, 90, 99);
  TourRecord written{};
  initTour(written, problem.get(), problem->count);
  for (int k = 0; k < 90; ++k) appendCity(written, (k * 37 + 5) % 90);
  const std::string path = directory_.path("r.tour");
  ASSERT_EQ(writeTourFile(written, *problem, fileNamed(path)), ErrorCode::Success);
  TourRecord read{};
  ASSERT_EQ(readTourFile(read, *problem, fileNamed(path)), ErrorCode::Success);
  EXPECT_EQ(orderOf(read), orderOf(written));
  EXPECT_EQ(read.length, written.length);
  EXPECT_EQ(read.length, testing::closedTourLength(*problem, orderOf(written)));
  EXPECT_EQ(testing::tourDefect(orderOf(read), 90), "");
}

TEST_F(TourFileTest, NoCitiesGivesAnEmptyTour) {
  auto problem = emptyProblem();
  problem->count = 0;
  TourRecord tour{};
  ASSERT_EQ(
      readTourFile(tour, *problem,
                   fileNamed(directory_.write("e.tour", "DIMENSION : 0\nTOUR_SECTION\n-1\n"))),
      ErrorCode::Success);
  EXPECT_EQ(tour.count, 0);
  EXPECT_EQ(tour.length, 0);
}

}  // namespace
}  // namespace ringmarch
