#include "tools/sweep_instances.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "model/generation.h"
#include "solver/tour_record.h"

namespace ringmarch::testing {

namespace {

void finishCoordinates(ProblemData& problem, double scale) {
  problem.hasCoordinates = 1;
  resetBounds(problem);
  for (int i = 0; i < problem.count; ++i)
    extendBounds(problem, problem.rows[i].x, problem.rows[i].y);
  computeDistances(problem, scale);
}

}  // namespace

const char* shapeName(Shape shape) {
  switch (shape) {
    case Shape::EuclideanDuplicates:
      return "euclidean-duplicates";
    case Shape::IntegerGrid:
      return "integer-grid";
    case Shape::CollinearLine:
      return "collinear-line";
    case Shape::SmallRange:
      return "small-range";
    case Shape::WithZeros:
      return "with-zeros";
    case Shape::WithNegatives:
      return "with-negatives";
    case Shape::Asymmetric:
      return "asymmetric";
    case Shape::WideRange:
      return "wide-range";
    case Shape::HugeValues:
      return "huge-values";
    case Shape::AllEqual:
      return "all-equal";
    case Shape::EuclideanUniform:
      return "euclidean-uniform";
  }
  return "?";
}

std::unique_ptr<ProblemData> makeInstance(Shape shape, int count, SweepRandom& random) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  problem->count = count;
  problem->startCity = random.below(count);
  const int range = 2 + random.below(19);  // 2 .. 20
  switch (shape) {
    case Shape::EuclideanDuplicates: {
      const int side = 2 + random.below(5);
      for (int i = 0; i < count; ++i) {
        problem->rows[i].x = random.below(side) * 10;
        problem->rows[i].y = random.below(side) * 10;
      }
      finishCoordinates(*problem, random.below(2) == 0 ? 1.0 : 0.1);
      break;
    }
    case Shape::EuclideanUniform: {
      for (int i = 0; i < count; ++i) {
        problem->rows[i].x = random.below(1000);
        problem->rows[i].y = random.below(1000);
      }
      finishCoordinates(*problem, 1.0);
      break;
    }
    case Shape::IntegerGrid: {
      const int width = 2 + random.below(3);
      std::vector<int> cells;
      for (int k = 0; k < count; ++k) cells.push_back(k);
      for (int k = count - 1; k > 0; --k) std::swap(cells[k], cells[random.below(k + 1)]);
      for (int i = 0; i < count; ++i) {
        problem->rows[i].x = cells[i] % width;
        problem->rows[i].y = cells[i] / width;
      }
      finishCoordinates(*problem, random.below(2) == 0 ? 1.0 : 3.0);
      break;
    }
    case Shape::CollinearLine: {
      for (int i = 0; i < count; ++i) {
        problem->rows[i].x = random.below(12);
        problem->rows[i].y = random.below(4) == 0 ? random.below(5) : 0;
      }
      finishCoordinates(*problem, 1.0);
      break;
    }
    case Shape::SmallRange:
    case Shape::WithZeros:
    case Shape::WithNegatives:
    case Shape::Asymmetric: {
      const int lowest = shape == Shape::SmallRange || shape == Shape::Asymmetric ? 1
                         : shape == Shape::WithZeros                              ? 0
                                                                                  : -range;
      const int span = range - lowest + 1;
      for (int i = 0; i < count; ++i) {
        problem->rows[i].dist[i] = 0;
        for (int j = i + 1; j < count; ++j) {
          problem->rows[i].dist[j] = lowest + random.below(span);
          problem->rows[j].dist[i] =
              shape == Shape::Asymmetric ? lowest + random.below(span) : problem->rows[i].dist[j];
        }
      }
      for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
      break;
    }
    case Shape::WideRange:
    case Shape::HugeValues:
    case Shape::AllEqual: {
      const std::int32_t top = shape == Shape::WideRange    ? 1000
                               : shape == Shape::HugeValues ? 2147483647 / count
                                                            : 1;
      const bool twoValues = random.below(2) == 0;
      for (int i = 0; i < count; ++i) {
        problem->rows[i].dist[i] = 0;
        for (int j = i + 1; j < count; ++j) {
          std::int32_t d;
          if (shape == Shape::AllEqual) {
            d = twoValues && random.below(3) == 0 ? 0 : 7;
          } else if (shape == Shape::HugeValues && random.below(2) == 0) {
            d = top - random.below(3);  // many entries at or next to the limit
          } else {
            d = 1 + static_cast<std::int32_t>(random.next() % static_cast<std::uint32_t>(top));
          }
          problem->rows[i].dist[j] = problem->rows[j].dist[i] = d;
        }
      }
      for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
      break;
    }
  }
  return problem;
}

std::string matrixText(const ProblemData& problem) {
  std::string text = "    count " + std::to_string(problem.count) + " start " +
                     std::to_string(problem.startCity) + "\n";
  for (int i = 0; i < problem.count; ++i) {
    text += "    {";
    for (int j = 0; j < problem.count; ++j) {
      text += std::to_string(problem.rows[i].dist[j]) + (j + 1 < problem.count ? ", " : "");
    }
    text += "},\n";
  }
  return text;
}

void printInstance(const ProblemData& problem) {
  std::fputs(matrixText(problem).c_str(), stdout);
}

namespace {

template <class Number>
bool readArgument(const char* text, Number& value) {
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, value);
  return error == std::errc() && stop == end && stop != text;
}

}  // namespace

std::optional<SweepArguments> sweepArguments(int argc, char** argv, SweepArguments defaults,
                                             int largestAllowed) {
  SweepArguments arguments = defaults;
  const bool read = (argc <= 1 || readArgument(argv[1], arguments.perShape)) &&
                    (argc <= 2 || readArgument(argv[2], arguments.smallest)) &&
                    (argc <= 3 || readArgument(argv[3], arguments.largest)) &&
                    (argc <= 4 || readArgument(argv[4], arguments.firstSeed));
  if (!read || arguments.perShape < 0 || arguments.smallest < 3 ||
      arguments.largest < arguments.smallest || arguments.largest > largestAllowed) {
    std::fprintf(
        stderr, "usage: %s [instancesPerShape] [smallestCount>=3] [largestCount<=%d] [firstSeed]\n",
        argc > 0 ? argv[0] : "sweep", largestAllowed);
    return std::nullopt;
  }
  return arguments;
}

}  // namespace ringmarch::testing
