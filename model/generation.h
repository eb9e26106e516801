// Random Euclidean instances, distances from coordinates, and the distance check.
#pragma once

#include <cstdint>

#include "model/error_code.h"
#include "model/problem_data.h"

namespace ringmarch {

// The run-time library's linear congruential generator: state := state * 214013 + 2531011
// (mod 2^32); each draw returns bits 16 to 30 of the new state (0 .. 32767).
class CrtRandom {
 public:
  explicit CrtRandom(std::uint32_t seed) : state_(seed) {}
  int next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }

 private:
  std::uint32_t state_;
};

// Milliseconds elapsed since the library was loaded into the process (the seed of NewTsp).
std::uint32_t millisecondsSinceLoad();

// The next city's whole coordinates 0 .. 9999 as the generator draws them: x, then y.
struct GeneratedPosition {
  double x;
  double y;
};
GeneratedPosition nextGeneratedPosition(CrtRandom& random);

// A random instance of num cities (num < 128; zero or negative gives no cities) with whole
// coordinates 0 .. 9999 drawn from a generator seeded with seed.
void generateInstance(ProblemData& problem, std::int32_t num, std::uint32_t seed);

// The stored distance for a Euclidean length: floor(length * scale + 0.5). Returns false, and
// stores nothing in *distance, when the value is not a finite number inside the 32-bit range.
bool roundedDistance(double length, double scale, std::int32_t* distance);

// Fills every distance from the coordinates, row by row, sorting each row's neighbours right
// after it is filled. A distance outside the 32-bit range (or from NaN coordinates) is stored as
// the largest 32-bit value and the answer is false; the answer is true otherwise.
bool computeDistances(ProblemData& problem, double scale);

// Replace the instance by count cities (0 .. 127) labelled 1 .. count, as a file read would but
// from arrays. From a row-major count x count matrix of any 32-bit distances, without
// coordinates and with start city 0:
void loadDistanceMatrix(ProblemData& problem, std::int32_t count, const std::int32_t* distances);
// From count (x, y) pairs (x0, y0, x1, y1, ...) with EUC_2D distances; the start city is the
// first city with the smallest x. False when a coordinate is not finite or a distance does not fit
// 32 bits; the instance is then partly replaced.
bool loadCoordinates(ProblemData& problem, std::int32_t count, const double* coordinates);

// 0 for a symmetric matrix with a zero diagonal and positive entries elsewhere; otherwise the
// first failing test's code: DistanceNotSymmetric, SameCityDistanceNotZero or DistanceNotPositive.
ErrorCode checkDistances(const ProblemData& problem);

}  // namespace ringmarch
