// The four file operations of the object: result values, error texts, and the object's state
// after success and failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/error_reporting.h"
#include "object/ringmarch_object.h"
#include "support/scratch_files.h"

namespace ringmarch {
namespace {

using testing::fileContents;
using testing::fileNamed;
using testing::ScratchDirectory;

const std::string kThreeCities =
    "NAME: x\nTYPE: TSP\nDIMENSION: 3\nEDGE_WEIGHT_TYPE: EUC_2D\nNODE_COORD_SECTION\n"
    "1 0 0\n2 3 4\n3 0 4\nEOF\n";

std::int32_t cityCount(RingmarchObject& object) {
  std::int32_t count = -999;
  EXPECT_EQ(object.num(&count), kSuccessResult);
  return count;
}

class FileOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override { clearLastError(); }
  FileName write(std::string_view name, std::string_view text) {
    return fileNamed(directory_.write(name, text));
  }
  void expectFailure(OperationResult result, ErrorCode code, const char* what) {
    EXPECT_EQ(result, resultValueOf(code)) << what;
    const LastError error = lastError();
    EXPECT_EQ(error.code, code) << what;
    EXPECT_EQ(error.source, "Ringmarch") << what;
    EXPECT_EQ(error.description, errorText(code)) << what;
    clearLastError();
  }

  ScratchDirectory directory_;
  std::unique_ptr<RingmarchObject> object_ = std::make_unique<RingmarchObject>();
};

TEST_F(FileOperationsTest, ReadTspFileSucceedsFromEveryState) {
  const FileName file = write("a.tsp", kThreeCities);
  ASSERT_EQ(object_->ReadTspFile(file), kSuccessResult);
  EXPECT_EQ(object_->state(), ObjectState::InstanceReady);
  EXPECT_EQ(cityCount(*object_), 3);
  std::int32_t length = 0;
  ASSERT_EQ(object_->Solve(&length), kSuccessResult);
  EXPECT_EQ(length, 12);
  ASSERT_EQ(object_->ReadTspFile(file), kSuccessResult);
  EXPECT_EQ(object_->state(), ObjectState::InstanceReady);
  EXPECT_EQ(object_->Length(&length), resultValueOf(ErrorCode::NotSolved));
  EXPECT_EQ(lastError().code, ErrorCode::NotSolved);
}

TEST_F(FileOperationsTest, AsymmetricMatrixIsReadAsItStands) {
  ASSERT_EQ(object_->ReadTspFile(write("asym.tsp",
                                       "DIMENSION: 2\nEDGE_WEIGHT_TYPE: EXPLICIT\n"
                                       "EDGE_WEIGHT_FORMAT: FULL_MATRIX\nEDGE_WEIGHT_SECTION\n"
                                       "0 4\n6 0\n")),
            kSuccessResult);
  std::int32_t answer = -1;
  ASSERT_EQ(object_->CheckDistance(&answer), kSuccessResult);
  EXPECT_EQ(answer, static_cast<std::int32_t>(ErrorCode::DistanceNotSymmetric));
  ASSERT_EQ(object_->Distance(1, 0, &answer), kSuccessResult);
  EXPECT_EQ(answer, 6);
}

TEST_F(FileOperationsTest, ReadTspFileFailuresKeepTheState) {
  struct Case {
    const char* label;
    FileName file;
    ErrorCode code;
  };
  const std::vector<Case> cases = {
      {"missing file", fileNamed(directory_.path("missing.tsp")), ErrorCode::FileOpenFailed},
      {"absent name", FileName{}, ErrorCode::FileOpenFailed},
      {"no dimension", write("b.tsp", "NAME: b\n"), ErrorCode::FileReadFailed},
      {"unknown type", write("c.tsp", "DIMENSION: 3\nEDGE_WEIGHT_TYPE: GEOM\nNODE_COORD_SECTION\n"),
       ErrorCode::FileFormatError},
      {"128 cities", write("d.tsp", "DIMENSION: 128\n"), ErrorCode::TooManyCities},
  };
  for (const Case& c : cases) {
    auto fresh = std::make_unique<RingmarchObject>();
    expectFailure(fresh->ReadTspFile(c.file), c.code, c.label);
    EXPECT_EQ(fresh->state(), ObjectState::NoInstance) << c.label;
  }
  ASSERT_EQ(object_->NewTspWithSeed(6, 3), kSuccessResult);
  std::int32_t length = 0;
  ASSERT_EQ(object_->Solve(&length), kSuccessResult);
  for (const Case& c : cases) {
    expectFailure(object_->ReadTspFile(c.file), c.code, c.label);
    EXPECT_EQ(object_->state(), ObjectState::TourReady) << c.label;
    EXPECT_LT(cityCount(*object_), 128) << c.label;
  }
}

TEST_F(FileOperationsTest, WriteTspFileAnswers) {
  const std::string path = directory_.path("w.tsp");
  expectFailure(object_->WriteTspFile(fileNamed(path), 1), ErrorCode::InstanceNotCreated, "new");
  EXPECT_FALSE(testing::fileExists(path));
  ASSERT_EQ(object_->NewTspWithSeed(4, 11), kSuccessResult);
  expectFailure(object_->WriteTspFile(fileNamed(path), 3), ErrorCode::FileTypeNotSupported,
                "type 3");
  expectFailure(object_->WriteTspFile(fileNamed(directory_.path("none/w.tsp")), 1),
                ErrorCode::FileOpenFailed, "missing directory");
  if (std::filesystem::exists("/dev/full")) {
    expectFailure(object_->WriteTspFile(fileNamed("/dev/full"), 2), ErrorCode::FileWriteFailed,
                  "full disk");
  }
  ASSERT_EQ(object_->WriteTspFile(fileNamed(path), 2), kSuccessResult);
  EXPECT_STREQ(object_->instance().name, path.c_str());
  EXPECT_EQ(object_->state(), ObjectState::InstanceReady);

  RingmarchObject reread;
  ASSERT_EQ(reread.ReadTspFile(fileNamed(path)), kSuccessResult);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      std::int32_t written = 0;
      std::int32_t read = 0;
      ASSERT_EQ(object_->Distance(i, j, &written), kSuccessResult);
      ASSERT_EQ(reread.Distance(i, j, &read), kSuccessResult);
      EXPECT_EQ(read, written);
    }
  }
}

TEST_F(FileOperationsTest, ReadTourFileNeedsExactlyAnInstanceWithoutTour) {
  const FileName tour = write("t.tour", "DIMENSION : 3\nTOUR_SECTION\n1 3 2 -1\n");
  expectFailure(object_->ReadTourFile(tour), ErrorCode::InstanceNotCreated, "new object");
  ASSERT_EQ(object_->ReadTspFile(write("a.tsp", kThreeCities)), kSuccessResult);
  std::int32_t length = 0;
  ASSERT_EQ(object_->Solve(&length), kSuccessResult);
  expectFailure(object_->ReadTourFile(tour), ErrorCode::InstanceNotCreated, "after Solve");
  ASSERT_EQ(object_->SetDistance(0, 1, 5), kSuccessResult);
  ASSERT_EQ(object_->ReadTourFile(tour), kSuccessResult);
  EXPECT_EQ(object_->state(), ObjectState::TourReady);
  std::int32_t city = -1;
  ASSERT_EQ(object_->Root(1, &city), kSuccessResult);
  EXPECT_EQ(city, 2);
  ASSERT_EQ(object_->Length(&length), kSuccessResult);
  EXPECT_EQ(length, 12);
}

TEST_F(FileOperationsTest, ReadTourFileFailuresKeepInstanceReady) {
  ASSERT_EQ(object_->ReadTspFile(write("a.tsp", kThreeCities)), kSuccessResult);
  struct Case {
    const char* label;
    FileName file;
    ErrorCode code;
  };
  const std::vector<Case> cases = {
      {"missing", fileNamed(directory_.path("missing.tour")), ErrorCode::FileOpenFailed},
      {"short", write("s.tour", "DIMENSION : 3\nTOUR_SECTION\n1 3 -1\n"),
       ErrorCode::FileReadFailed},
      {"dimension 4", write("d.tour", "DIMENSION : 4\nTOUR_SECTION\n1 2 3 4\n"),
       ErrorCode::CityIdOutOfRange},
      {"entry 9", write("e.tour", "DIMENSION : 3\nTOUR_SECTION\n1 9 2\n"),
       ErrorCode::CityIdOutOfRange},
  };
  for (const Case& c : cases) {
    expectFailure(object_->ReadTourFile(c.file), c.code, c.label);
    EXPECT_EQ(object_->state(), ObjectState::InstanceReady) << c.label;
  }
}

TEST_F(FileOperationsTest, WriteTourFileAnswersAndRoundTrips) {
  const std::string path = directory_.path("out.tour");
  expectFailure(object_->WriteTourFile(fileNamed(path)), ErrorCode::NotSolved, "new object");
  ASSERT_EQ(object_->NewTspWithSeed(9, 77), kSuccessResult);
  expectFailure(object_->WriteTourFile(fileNamed(path)), ErrorCode::NotSolved, "not solved");
  std::int32_t solved = 0;
  ASSERT_EQ(object_->Solve(&solved), kSuccessResult);
  expectFailure(object_->WriteTourFile(fileNamed(directory_.path("x/y.tour"))),
                ErrorCode::FileOpenFailed, "missing directory");
  if (std::filesystem::exists("/dev/full")) {
    expectFailure(object_->WriteTourFile(fileNamed("/dev/full")), ErrorCode::FileWriteFailed,
                  "full disk");
  }
  ASSERT_EQ(object_->WriteTourFile(fileNamed(path)), kSuccessResult);
  EXPECT_NE(fileContents(path).find("COMMENT : Length " + std::to_string(solved) + "\n"),
            std::string::npos);

  // The same instance, never solved, reads the tour to the same length: the closing edge is
  // counted once.
  RingmarchObject other;
  ASSERT_EQ(other.NewTspWithSeed(9, 77), kSuccessResult);
  ASSERT_EQ(other.ReadTourFile(fileNamed(path)), kSuccessResult);
  std::int32_t length = 0;
  ASSERT_EQ(other.Length(&length), kSuccessResult);
  EXPECT_EQ(length, solved);
  for (std::int32_t i = 0; i < 9; ++i) {
    std::int32_t a = -1;
    std::int32_t b = -2;
    ASSERT_EQ(object_->Root(i, &a), kSuccessResult);
    ASSERT_EQ(other.Root(i, &b), kSuccessResult);
    EXPECT_EQ(a, b) << i;
  }
}

TEST_F(FileOperationsTest, FailedInstanceReadAfterSolveKeepsTheTourWritable) {
  ASSERT_EQ(object_->NewTspWithSeed(5, 2), kSuccessResult);
  std::int32_t length = 0;
  ASSERT_EQ(object_->Solve(&length), kSuccessResult);
  // A larger file that fails in its coordinates: the count grows, the tour stays at 5 cities.
  expectFailure(object_->ReadTspFile(write("big.tsp",
                                           "DIMENSION: 40\nEDGE_WEIGHT_TYPE: EUC_2D\n"
                                           "NODE_COORD_SECTION\n1 0 0\n")),
                ErrorCode::FileReadFailed, "partial read");
  EXPECT_EQ(cityCount(*object_), 40);
  const std::string path = directory_.path("kept.tour");
  ASSERT_EQ(object_->WriteTourFile(fileNamed(path)), kSuccessResult);
  const std::string text = fileContents(path);
  const std::string entries = text.substr(text.find("TOUR_SECTION\n") + 13);
  EXPECT_EQ(std::count(entries.begin(), entries.end(), '\n'), 5 + 2) << text;
}

}  // namespace
}  // namespace ringmarch
