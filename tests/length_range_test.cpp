// The 32-bit range of tour lengths: an instance is admitted exactly when n times its smallest
// and n times its largest distance between distinct cities, and n times the largest after the
// shift to non-negative distances, all fit; the diagonal never counts. Admitted instances at the
// edge of the range are solved to their exact optimum, refused ones are refused by the object.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "object/ringmarch_object.h"
#include "support/search_fixtures.h"
#include "support/tour_checker.h"

namespace ringmarch::testing {
namespace {

constexpr std::int32_t kInt32Min = -2147483647 - 1;

// count cities, every distance between distinct cities `offDiagonal`, the diagonal `diagonal`.
std::unique_ptr<ProblemData> uniformInstance(int count, std::int32_t offDiagonal,
                                             std::int32_t diagonal = 0) {
  std::vector<std::vector<int>> matrix(static_cast<std::size_t>(count),
                                       std::vector<int>(static_cast<std::size_t>(count)));
  for (int i = 0; i < count; ++i) {
    for (int j = 0; j < count; ++j) matrix[i][j] = i == j ? diagonal : offDiagonal;
  }
  return matrixInstance(matrix, 0);
}

// A random 1..9 matrix of `count` cities with one pair set to `pair` both ways.
std::unique_ptr<ProblemData> withPair(int count, std::int32_t pair) {
  auto problem = explicitInstance(count, 5, 9, 0);
  problem->rows[0].dist[1] = problem->rows[1].dist[0] = pair;
  for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
  return problem;
}

std::unique_ptr<ProblemData> withDiagonal(std::unique_ptr<ProblemData> problem, std::int32_t d) {
  for (int i = 0; i < problem->count; ++i) problem->rows[i].dist[i] = d;
  for (int i = 0; i < problem->count; ++i) sortNeighbourOrder(*problem, i);
  return problem;
}

struct RangeCase {
  const char* name;
  std::function<std::unique_ptr<ProblemData>()> make;
  bool fits;
};

const std::vector<RangeCase>& rangeCases() {
  static const std::vector<RangeCase> cases = {
      // Three tours of -10^9 sum to -3 * 10^9; the shift made them look like 0.
      {"3 cities at -10^9", [] { return uniformInstance(3, -1'000'000'000); }, false},
      {"5 cities at the smallest 32-bit value", [] { return uniformInstance(5, kInt32Min); },
       false},
      {"3 cities at -715827882 (sum -2147483646)", [] { return uniformInstance(3, -715827882); },
       true},
      {"3 cities at -715827883 (sum below the range)",
       [] { return uniformInstance(3, -715827883); }, false},
      {"3 cities at 715827882 (sum 2147483646)", [] { return uniformInstance(3, 715827882); },
       true},
      {"3 cities at 715827883 (sum above the range)", [] { return uniformInstance(3, 715827883); },
       false},
      // The spread decides once distances are shifted: 3 * (2 * 10^8 + 5 * 10^8) fits, and
      // 3 * (2.2 * 10^8 + 5 * 10^8) does not, though both fit unshifted.
      {"spread 7 * 10^8 over 3 cities",
       [] {
         auto p = uniformInstance(3, 200'000'000);
         p->rows[0].dist[1] = p->rows[1].dist[0] = -500'000'000;
         return p;
       },
       true},
      {"spread 7.2 * 10^8 over 3 cities",
       [] {
         auto p = uniformInstance(3, 220'000'000);
         p->rows[0].dist[1] = p->rows[1].dist[0] = -500'000'000;
         return p;
       },
       false},
      {"one pair at -10^8 among 1..9", [] { return withPair(4, -100'000'000); }, true},
      {"one pair at -10^9 among 1..9", [] { return withPair(4, -1'000'000'000); }, false},
      // No tour uses the diagonal, however large or small it is.
      {"30 cities, diagonal 10^8",
       [] { return withDiagonal(explicitInstance(30, 7, 9, 0), 100'000'000); }, true},
      {"30 cities, diagonal at the 32-bit extremes",
       [] {
         auto p = withDiagonal(explicitInstance(30, 8, 9, 0), 2147483647);
         p->rows[3].dist[3] = kInt32Min;
         return p;
       },
       true},
  };
  return cases;
}

TEST(LengthRange, InstancesAreAdmittedExactlyWhenEverySumFits) {
  for (const RangeCase& c : rangeCases()) {
    const auto problem = c.make();
    EXPECT_EQ(tourLengthsFit(*problem), c.fits) << c.name;
  }
}

// Admitted instances come out exact to the last unit (Held-Karp, in 64 bits); refused ones are
// refused by Solve with DistanceOutOfRange and no tour.
TEST(LengthRange, AdmittedInstancesSolveExactlyAndRefusedOnesAreRefused) {
  for (const RangeCase& c : rangeCases()) {
    SCOPED_TRACE(c.name);
    const auto problem = c.make();
    if (problem->count > 16) {
      // Too large for Held-Karp: the diagonal must not change the tour of the instance.
      auto zeroDiagonal = withDiagonal(c.make(), 0);
      const SolveOutcome plain = solveProblem(*zeroDiagonal);
      const SolveOutcome outcome = solveProblem(*problem);
      ASSERT_EQ(outcome.code, ErrorCode::Success);
      EXPECT_EQ(outcome.length, plain.length);
      EXPECT_EQ(closedTourLength(*problem, outcome.order), outcome.length);
    } else if (c.fits) {
      const SolveOutcome outcome = solveProblem(*problem);
      ASSERT_EQ(outcome.code, ErrorCode::Success);
      ASSERT_EQ(tourDefect(outcome.order, problem->count), "");
      EXPECT_EQ(closedTourLength(*problem, outcome.order), outcome.length);
      EXPECT_EQ(outcome.length, heldKarpOptimum(*problem));
    }

    auto object = std::make_unique<RingmarchObject>();
    std::vector<std::int32_t> flat;
    for (int i = 0; i < problem->count; ++i) {
      for (int j = 0; j < problem->count; ++j) flat.push_back(problem->rows[i].dist[j]);
    }
    ASSERT_EQ(object->LoadDistances(problem->count, flat.data()), kSuccessResult);
    std::int32_t length = 12345;
    const OperationResult result = object->Solve(&length);
    if (c.fits) {
      EXPECT_EQ(result, kSuccessResult);
      EXPECT_EQ(length, closedTourLength(*problem,
                                         std::vector<int>(object->tour().order,
                                                          object->tour().order + problem->count)));
    } else {
      EXPECT_EQ(result, resultValueOf(ErrorCode::DistanceOutOfRange));
      EXPECT_EQ(object->state(), ObjectState::InstanceReady);
    }
  }
}

}  // namespace
}  // namespace ringmarch::testing

namespace ringmarch::testing {
namespace {

// The diagonal, whatever its values, changes neither the optimum nor the validity of the tour.
TEST(LengthRange, AnyDiagonalLeavesTheOptimum) {
  for (int count = 5; count <= 12; ++count) {
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
      for (const std::int32_t diagonal : {1, 5, 100'000'000, -100'000'000, 2147483647}) {
        auto problem = explicitInstance(count, seed * 31u + static_cast<unsigned>(count), 9, 0);
        for (int i = 0; i < count; ++i) problem->rows[i].dist[i] = diagonal - (i % 3);
        for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
        SCOPED_TRACE(::testing::Message()
                     << count << " cities, seed " << seed << ", diagonal " << diagonal);
        const SolveOutcome outcome = solveProblem(*problem);
        ASSERT_EQ(outcome.code, ErrorCode::Success);
        ASSERT_EQ(tourDefect(outcome.order, count), "");
        EXPECT_EQ(closedTourLength(*problem, outcome.order), outcome.length);
        EXPECT_EQ(outcome.length, heldKarpOptimum(*problem));
      }
    }
  }
  // Beyond Held-Karp: the same optimum as with a zero diagonal.
  for (const int count : {25, 40, 60}) {
    for (const std::int32_t diagonal : {7, 100'000'000, -100'000'000}) {
      auto plain = euclideanInstance(count, 77u + static_cast<unsigned>(count));
      auto problem = euclideanInstance(count, 77u + static_cast<unsigned>(count));
      for (int i = 0; i < count; ++i) problem->rows[i].dist[i] = diagonal;
      for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
      SCOPED_TRACE(::testing::Message() << count << " cities, diagonal " << diagonal);
      const SolveOutcome outcome = solveProblem(*problem);
      ASSERT_EQ(outcome.code, ErrorCode::Success);
      ASSERT_EQ(tourDefect(outcome.order, count), "");
      EXPECT_EQ(closedTourLength(*problem, outcome.order), outcome.length);
      EXPECT_EQ(outcome.length, solveProblem(*plain).length);
    }
  }
}

}  // namespace
}  // namespace ringmarch::testing
