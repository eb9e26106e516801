// The operation layer: state tests before argument tests, result values, error information.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/error_reporting.h"
#include "model/generation.h"
#include "object/ringmarch_object.h"
#include "solver/tour_record.h"
#include "support/scratch_files.h"
#include "support/tour_checker.h"

namespace ringmarch {
namespace {

constexpr OperationResult kFileOpenFailed = 0x80040301u;
constexpr OperationResult kTooManyCities = 0x80040306u;
constexpr OperationResult kCityIdOutOfRange = 0x80040307u;
constexpr OperationResult kPositionOutOfRange = 0x80040308u;
constexpr OperationResult kDistanceOutOfRange = 0x80040309u;
constexpr OperationResult kInstanceNotCreated = 0x8004030Du;
constexpr OperationResult kNotSolved = 0x8004030Eu;

using Call = std::function<OperationResult(RingmarchObject&)>;

struct NamedCall {
  const char* name;
  Call call;
};

std::vector<NamedCall> allOperations() {
  static double real;
  static std::int32_t whole;
  const FileName file = FileName::fromNarrow("/nonexistent-dir/ringmarch.tsp");
  return {
      {"NewTsp", [](RingmarchObject& o) { return o.NewTspWithSeed(5, 1); }},
      {"ReadTspFile", [file](RingmarchObject& o) { return o.ReadTspFile(file); }},
      {"WriteTspFile", [file](RingmarchObject& o) { return o.WriteTspFile(file, 1); }},
      {"PosX", [](RingmarchObject& o) { return o.PosX(0, &real); }},
      {"PosY", [](RingmarchObject& o) { return o.PosY(0, &real); }},
      {"SetNodePos", [](RingmarchObject& o) { return o.SetNodePos(0, 1, 1); }},
      {"Distance", [](RingmarchObject& o) { return o.Distance(0, 1, &whole); }},
      {"SetDistance", [](RingmarchObject& o) { return o.SetDistance(0, 1, 5); }},
      {"CalcDistanceEUC2D", [](RingmarchObject& o) { return o.CalcDistanceEUC2D(); }},
      {"CheckDistance", [](RingmarchObject& o) { return o.CheckDistance(&whole); }},
      {"Solve", [](RingmarchObject& o) { return o.Solve(&whole); }},
      {"RootX", [](RingmarchObject& o) { return o.RootX(0, &real); }},
      {"RootY", [](RingmarchObject& o) { return o.RootY(0, &real); }},
      {"Root", [](RingmarchObject& o) { return o.Root(0, &whole); }},
      {"Length", [](RingmarchObject& o) { return o.Length(&whole); }},
      {"ReadTourFile", [file](RingmarchObject& o) { return o.ReadTourFile(file); }},
      {"WriteTourFile", [file](RingmarchObject& o) { return o.WriteTourFile(file); }},
      {"num", [](RingmarchObject& o) { return o.num(&whole); }},
      {"MaxX", [](RingmarchObject& o) { return o.MaxX(&real); }},
      {"MaxY", [](RingmarchObject& o) { return o.MaxY(&real); }},
      {"MinX", [](RingmarchObject& o) { return o.MinX(&real); }},
      {"MinY", [](RingmarchObject& o) { return o.MinY(&real); }},
  };
}

std::unique_ptr<RingmarchObject> objectIn(ObjectState state) {
  auto object = std::make_unique<RingmarchObject>();
  if (state != ObjectState::NoInstance) {
    EXPECT_EQ(object->NewTspWithSeed(5, 21), kSuccessResult);
  }
  std::int32_t length = 0;
  if (state == ObjectState::TourReady) {
    EXPECT_EQ(object->Solve(&length), kSuccessResult);
  }
  EXPECT_EQ(object->state(), state);
  return object;
}

// Every operation in every state, with valid arguments (files that cannot be opened): the result
// value and the state afterwards.
TEST(ObjectOperations, StateMachineForEveryOperationInEveryState) {
  constexpr OperationResult S = kSuccessResult;
  constexpr OperationResult kOpen = kFileOpenFailed;
  constexpr ObjectState N = ObjectState::NoInstance;
  constexpr ObjectState I = ObjectState::InstanceReady;
  constexpr ObjectState T = ObjectState::TourReady;
  struct Row {
    const char* name;
    OperationResult result[3];  // from NoInstance, InstanceReady, TourReady
    ObjectState after[3];
  };
  const Row rows[] = {
      {"NewTsp", {S, S, S}, {I, I, I}},
      {"ReadTspFile", {kOpen, kOpen, kOpen}, {N, I, T}},
      {"WriteTspFile", {kInstanceNotCreated, kOpen, kOpen}, {N, I, T}},
      {"PosX", {kInstanceNotCreated, S, S}, {N, I, T}},
      {"PosY", {kInstanceNotCreated, S, S}, {N, I, T}},
      {"SetNodePos", {kInstanceNotCreated, S, S}, {N, I, T}},
      {"Distance", {kInstanceNotCreated, S, S}, {N, I, T}},
      {"SetDistance", {kInstanceNotCreated, S, S}, {N, I, I}},
      {"CalcDistanceEUC2D", {kInstanceNotCreated, S, S}, {N, I, I}},
      {"CheckDistance", {kInstanceNotCreated, S, S}, {N, I, T}},
      {"Solve", {kInstanceNotCreated, S, S}, {N, T, T}},
      {"RootX", {kNotSolved, kNotSolved, S}, {N, I, T}},
      {"RootY", {kNotSolved, kNotSolved, S}, {N, I, T}},
      {"Root", {kNotSolved, kNotSolved, S}, {N, I, T}},
      {"Length", {kNotSolved, kNotSolved, S}, {N, I, T}},
      {"ReadTourFile", {kInstanceNotCreated, kOpen, kInstanceNotCreated}, {N, I, T}},
      {"WriteTourFile", {kNotSolved, kNotSolved, kOpen}, {N, I, T}},
      {"num", {kInstanceNotCreated, S, S}, {N, I, T}},
      {"MaxX", {kInstanceNotCreated, S, S}, {N, I, T}},
      {"MaxY", {kInstanceNotCreated, S, S}, {N, I, T}},
      {"MinX", {kInstanceNotCreated, S, S}, {N, I, T}},
      {"MinY", {kInstanceNotCreated, S, S}, {N, I, T}},
  };
  const std::vector<NamedCall> operations = allOperations();
  ASSERT_EQ(operations.size(), std::size(rows));
  for (std::size_t k = 0; k < operations.size(); ++k) {
    ASSERT_STREQ(operations[k].name, rows[k].name);
    for (ObjectState state : {N, I, T}) {
      const int index = static_cast<int>(state);
      SCOPED_TRACE(std::string(rows[k].name) + " in state " + std::to_string(index));
      auto object = objectIn(state);
      clearLastError();
      const OperationResult result = operations[k].call(*object);
      EXPECT_EQ(result, rows[k].result[index]);
      EXPECT_EQ(object->state(), rows[k].after[index]);
      // Error information is set exactly when the operation fails.
      EXPECT_EQ(lastError().code == ErrorCode::Success, result == kSuccessResult);
    }
  }
}

TEST(ObjectOperations, FailureSetsThreadErrorInformation) {
  clearLastError();
  auto object = std::make_unique<RingmarchObject>();
  std::int32_t value = 0;
  EXPECT_EQ(object->num(&value), kInstanceNotCreated);
  const LastError error = lastError();
  EXPECT_EQ(error.code, ErrorCode::InstanceNotCreated);
  EXPECT_EQ(error.source, "Ringmarch");
  EXPECT_EQ(error.description, "TSPが未作成です。");
  clearLastError();
  EXPECT_EQ(lastError().code, ErrorCode::Success);
  EXPECT_TRUE(lastError().description.empty());
}

TEST(ObjectOperations, NewTspLimitsAndEmptyInstances) {
  auto object = std::make_unique<RingmarchObject>();
  EXPECT_EQ(object->NewTspWithSeed(128, 1), kTooManyCities);
  EXPECT_EQ(lastError().description, "最大都市数を超えています。");
  EXPECT_EQ(object->state(), ObjectState::NoInstance);
  EXPECT_EQ(object->NewTspWithSeed(127, 1), kSuccessResult);
  std::int32_t count = 0;
  EXPECT_EQ(object->num(&count), kSuccessResult);
  EXPECT_EQ(count, 127);

  EXPECT_EQ(object->NewTspWithSeed(0, 1), kSuccessResult);
  EXPECT_EQ(object->num(&count), kSuccessResult);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(object->NewTspWithSeed(-5, 1), kSuccessResult);
  EXPECT_EQ(object->num(&count), kSuccessResult);
  EXPECT_EQ(count, -5);
  std::int32_t length = 99;
  EXPECT_EQ(object->Solve(&length), kCityIdOutOfRange);
  EXPECT_EQ(length, 99);
  // Bounds of an instance without cities keep their reset values; reported without overflow.
  double bound = 0;
  EXPECT_EQ(object->MinX(&bound), kSuccessResult);
  EXPECT_EQ(bound, 2147483647.0);
  EXPECT_EQ(object->MaxX(&bound), kSuccessResult);
  EXPECT_EQ(bound, 0.0);
}

TEST(ObjectOperations, ArgumentChecksInTheirOrder) {
  auto object = std::make_unique<RingmarchObject>();
  ASSERT_EQ(object->NewTspWithSeed(4, 7), kSuccessResult);
  EXPECT_EQ(object->SetNodePos(0, 9999, 0), kSuccessResult);
  EXPECT_EQ(object->SetNodePos(0, 10000, 0), kPositionOutOfRange);
  EXPECT_EQ(lastError().description, "ポジションは０から１００００までです。");
  EXPECT_EQ(object->SetNodePos(0, 0, -1), kPositionOutOfRange);
  EXPECT_EQ(object->SetNodePos(4, 10000, 0), kCityIdOutOfRange);  // id before coordinates
  EXPECT_EQ(object->SetNodePos(-1, 5, 5), kCityIdOutOfRange);

  EXPECT_EQ(object->SetDistance(0, 1, 14141), kSuccessResult);
  EXPECT_EQ(object->SetDistance(0, 1, 14142), kDistanceOutOfRange);
  EXPECT_EQ(object->SetDistance(0, 1, -1), kDistanceOutOfRange);
  EXPECT_EQ(object->SetDistance(0, 4, 14142), kCityIdOutOfRange);
  EXPECT_EQ(object->SetDistance(4, 0, 5), kCityIdOutOfRange);

  std::int32_t d = 0;
  EXPECT_EQ(object->Distance(0, 4, &d), kCityIdOutOfRange);
  EXPECT_EQ(object->Distance(-1, 0, &d), kCityIdOutOfRange);
  double x = 0;
  EXPECT_EQ(object->PosX(4, &x), kCityIdOutOfRange);
  EXPECT_EQ(object->PosY(-1, &x), kCityIdOutOfRange);
  EXPECT_EQ(object->PosX(0, nullptr), kInvalidPointerResult);
}

TEST(ObjectOperations, SetDistanceIsOneDirectionalAndLeavesTourReady) {
  auto object = std::make_unique<RingmarchObject>();
  ASSERT_EQ(object->NewTspWithSeed(6, 11), kSuccessResult);
  std::int32_t before = 0;
  ASSERT_EQ(object->Distance(1, 0, &before), kSuccessResult);
  std::int32_t length = 0;
  ASSERT_EQ(object->Solve(&length), kSuccessResult);
  EXPECT_EQ(object->state(), ObjectState::TourReady);

  ASSERT_EQ(object->SetDistance(0, 1, 77), kSuccessResult);
  std::int32_t after = 0;
  ASSERT_EQ(object->Distance(0, 1, &after), kSuccessResult);
  EXPECT_EQ(after, 77);
  ASSERT_EQ(object->Distance(1, 0, &after), kSuccessResult);
  EXPECT_EQ(after, before);
  EXPECT_EQ(object->state(), ObjectState::InstanceReady);
  EXPECT_EQ(object->Length(&length), kNotSolved);
  EXPECT_EQ(lastError().description, "Solve関数を実行していません。");
  std::int32_t check = -1;
  EXPECT_EQ(object->CheckDistance(&check), kSuccessResult);
  EXPECT_EQ(check, 12);
}

TEST(ObjectOperations, SetNodePosKeepsTourAndWidensBoundsOnly) {
  auto object = std::make_unique<RingmarchObject>();
  ASSERT_EQ(object->NewTspWithSeed(5, 3), kSuccessResult);
  double maxX = 0;
  ASSERT_EQ(object->MaxX(&maxX), kSuccessResult);
  std::int32_t length = 0;
  ASSERT_EQ(object->Solve(&length), kSuccessResult);
  // Move every city to the origin: the bounds never narrow, and the tour stays reported.
  for (int id = 0; id < 5; ++id) ASSERT_EQ(object->SetNodePos(id, 0, 0), kSuccessResult);
  double after = 0;
  ASSERT_EQ(object->MaxX(&after), kSuccessResult);
  EXPECT_EQ(after, maxX);
  EXPECT_EQ(object->state(), ObjectState::TourReady);
  double rootX = -1;
  EXPECT_EQ(object->RootX(0, &rootX), kSuccessResult);
  EXPECT_EQ(rootX, 0.0);
  std::int32_t reported = 0;
  EXPECT_EQ(object->Length(&reported), kSuccessResult);
  EXPECT_EQ(reported, length);
}

TEST(ObjectOperations, TourGettersTruncateButPositionsKeepFractions) {
  auto object = std::make_unique<RingmarchObject>();
  ASSERT_EQ(object->NewTspWithSeed(3, 5), kSuccessResult);
  std::int32_t length = 0;
  ASSERT_EQ(object->Solve(&length), kSuccessResult);
  std::int32_t city = -1;
  ASSERT_EQ(object->Root(0, &city), kSuccessResult);
  // The only way to store a fraction is a file; emulate it through the record the reader fills.
  auto& rows = const_cast<ProblemData&>(object->instance()).rows;
  rows[city].x = 12.75;
  double value = 0;
  EXPECT_EQ(object->PosX(city, &value), kSuccessResult);
  EXPECT_EQ(value, 12.75);
  EXPECT_EQ(object->RootX(0, &value), kSuccessResult);
  EXPECT_EQ(value, 12.0);
  EXPECT_EQ(object->Root(3, &city), kCityIdOutOfRange);
  EXPECT_EQ(object->RootY(-1, &value), kCityIdOutOfRange);
}

TEST(ObjectOperations, ReadTourFileNeedsExactlyInstanceReady) {
  auto object = std::make_unique<RingmarchObject>();
  const FileName missing = FileName::fromNarrow("/nonexistent/dir/t.tour");
  ASSERT_EQ(object->NewTspWithSeed(4, 9), kSuccessResult);
  std::int32_t length = 0;
  ASSERT_EQ(object->Solve(&length), kSuccessResult);
  EXPECT_EQ(object->ReadTourFile(missing), kInstanceNotCreated);
  ASSERT_EQ(object->SetDistance(0, 1, 3), kSuccessResult);
  EXPECT_EQ(object->ReadTourFile(missing), kFileOpenFailed);
  EXPECT_EQ(object->ReadTourFile(FileName{}), kFileOpenFailed);
}

TEST(ObjectOperations, SolveRefusesDistancesWhoseToursOverflow) {
  auto object = std::make_unique<RingmarchObject>();
  ASSERT_EQ(object->NewTspWithSeed(4, 9), kSuccessResult);
  auto& rows = const_cast<ProblemData&>(object->instance()).rows;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) rows[i].dist[j] = i == j ? 0 : 1'000'000'000;
  std::int32_t length = 123;
  EXPECT_EQ(object->Solve(&length), kDistanceOutOfRange);
  EXPECT_EQ(length, 123);
  EXPECT_EQ(object->state(), ObjectState::InstanceReady);
}

// The object keeps of a solve, a tour file or an adopted tour the cities, their count and the
// length: what its operations read back, the same as the search's own record of the tour.
std::vector<int> heldOrder(const RingmarchObject& object) {
  return std::vector<int>(object.tour().order, object.tour().order + object.tour().count);
}

TEST(ObjectHeldTour, ANewObjectHoldsNoTour) {
  auto object = std::make_unique<RingmarchObject>();
  EXPECT_EQ(object->tour().count, 0);
  EXPECT_EQ(object->tour().length, 0);
  std::int32_t length = -1;
  EXPECT_EQ(object->Length(&length), kNotSolved);
  EXPECT_EQ(length, -1);
}

TEST(ObjectHeldTour, SolvedTourIsTheSearchsRecord) {
  for (const std::int32_t n : {3, 5, 12, 31, 60}) {
    SCOPED_TRACE(n);
    auto object = std::make_unique<RingmarchObject>();
    ASSERT_EQ(object->NewTspWithSeed(n, 400 + n), kSuccessResult);
    std::int32_t length = 0;
    ASSERT_EQ(object->Solve(&length), kSuccessResult);

    auto problem = std::make_unique<ProblemData>();
    initProblemData(*problem);
    generateInstance(*problem, n, 400 + n);
    auto record = std::make_unique<TourRecord>();
    initTour(*record, problem.get(), 0);
    ASSERT_EQ(solveInstance(*record, *problem), ErrorCode::Success);

    EXPECT_EQ(object->tour().count, n);
    EXPECT_EQ(heldOrder(*object), std::vector<int>(record->order, record->order + record->count));
    EXPECT_EQ(length, record->length);
    EXPECT_EQ(object->tour().length, record->length);
    std::int32_t reported = 0;
    ASSERT_EQ(object->Length(&reported), kSuccessResult);
    EXPECT_EQ(reported, record->length);
    for (std::int32_t i = 0; i < n; ++i) {
      std::int32_t city = -1;
      ASSERT_EQ(object->Root(i, &city), kSuccessResult);
      EXPECT_EQ(city, record->order[i]) << i;
    }
  }
}

class StopAtOnce final : public SolveMonitor {
 public:
  bool onProgress(const SolveProgress&) override { return false; }
  bool keepGoing(const SolveProgress&) override { return false; }
};

TEST(ObjectHeldTour, StoppedSolveHoldsAWholeTourAtItsLength) {
  auto object = std::make_unique<RingmarchObject>();
  ASSERT_EQ(object->NewTspWithSeed(90, 5), kSuccessResult);
  StopAtOnce stop;
  SolveOptions options;
  options.monitor = &stop;
  options.progressInterval = 1;
  SolveStatistics statistics;
  std::int32_t length = 0;
  ASSERT_EQ(ObjectSearch::solveWith(*object, options, &statistics, &length), kSuccessResult);
  EXPECT_TRUE(statistics.stopped);
  EXPECT_EQ(object->state(), ObjectState::TourReady);
  const std::vector<int> order = heldOrder(*object);
  EXPECT_EQ(testing::tourDefect(order, 90), "");
  EXPECT_EQ(testing::closedTourLength(object->instance(), order), length);
  EXPECT_EQ(object->tour().length, length);
}

TEST(ObjectHeldTour, AdoptedTourIsHeldAsGivenAndARefusalKeepsIt) {
  auto object = std::make_unique<RingmarchObject>();
  ASSERT_EQ(object->NewTspWithSeed(7, 3), kSuccessResult);
  const std::vector<std::int32_t> given = {6, 4, 2, 0, 1, 3, 5};
  ASSERT_EQ(object->AdoptTour(given.data(), 7), kSuccessResult);
  EXPECT_EQ(object->state(), ObjectState::TourReady);
  EXPECT_EQ(heldOrder(*object), std::vector<int>(given.begin(), given.end()));
  std::int32_t length = 0;
  ASSERT_EQ(object->Length(&length), kSuccessResult);
  EXPECT_EQ(length, testing::closedTourLength(object->instance(), heldOrder(*object)));

  const std::vector<std::int32_t> repeated = {6, 4, 2, 0, 1, 3, 3};
  EXPECT_EQ(object->AdoptTour(repeated.data(), 7), kCityIdOutOfRange);
  EXPECT_EQ(heldOrder(*object), std::vector<int>(given.begin(), given.end()));
  std::int32_t kept = 0;
  ASSERT_EQ(object->Length(&kept), kSuccessResult);
  EXPECT_EQ(kept, length);

  // Written and read back by an object of the same instance: the same cities, the same length.
  testing::ScratchDirectory directory;
  const FileName file = testing::fileNamed(directory.path("adopted.tour"));
  ASSERT_EQ(object->WriteTourFile(file), kSuccessResult);
  auto other = std::make_unique<RingmarchObject>();
  ASSERT_EQ(other->NewTspWithSeed(7, 3), kSuccessResult);
  ASSERT_EQ(other->ReadTourFile(file), kSuccessResult);
  EXPECT_EQ(heldOrder(*other), heldOrder(*object));
  EXPECT_EQ(other->tour().length, length);
}

TEST(ObjectHeldTour, AFailedTourReadLeavesNoTourToRead) {
  testing::ScratchDirectory directory;
  auto object = std::make_unique<RingmarchObject>();
  ASSERT_EQ(object->NewTspWithSeed(4, 9), kSuccessResult);
  // City 5 of 4: refused after the first cities were taken.
  const std::string path = directory.write(
      "bad.tour", "NAME : bad\nTYPE : TOUR\nDIMENSION : 4\nTOUR_SECTION\n1\n2\n5\n-1\nEOF\n");
  EXPECT_EQ(object->ReadTourFile(testing::fileNamed(path)), kCityIdOutOfRange);
  EXPECT_EQ(object->state(), ObjectState::InstanceReady);
  std::int32_t length = 0;
  EXPECT_EQ(object->Length(&length), kNotSolved);
  EXPECT_EQ(object->WriteTourFile(testing::fileNamed(directory.path("out.tour"))), kNotSolved);
}

}  // namespace
}  // namespace ringmarch
