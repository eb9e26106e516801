// The solver object: one instance, one tour, a state, and the 22 operations of the automation
// interface. Each operation tests the state, then its arguments in a fixed order, then does its
// work; a failure is handed to the error reporter and answered with 0x80040300 + code.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include <ringmarch/errors.hpp>
#include <ringmarch/problem.hpp>
#include <ringmarch/tsplib.hpp>

namespace ringmarch {

enum class ObjectState : std::int32_t { NoInstance = 0, InstanceReady = 1, TourReady = 2 };

// The tour an object holds: count cities in the order of the tour (0-based) and the closed
// tour's length.
struct ObjectTour {
  std::int32_t order[kRowCount] = {};
  std::int32_t count = 0;
  std::int32_t length = 0;
};

class RingmarchObject {
 public:
  explicit RingmarchObject(ErrorReporter& reporter = threadErrorReporter());
  RingmarchObject(const RingmarchObject&) = delete;
  RingmarchObject& operator=(const RingmarchObject&) = delete;

  // The interface operations, dispatch identifiers 1 to 22.
  OperationResult NewTsp(std::int32_t num);
  OperationResult ReadTspFile(const FileName& filename);
  OperationResult WriteTspFile(const FileName& filename, std::int32_t type);
  OperationResult PosX(std::int32_t id, double* pVal);
  OperationResult PosY(std::int32_t id, double* pVal);
  OperationResult SetNodePos(std::int32_t id, std::int32_t x, std::int32_t y);
  OperationResult Distance(std::int32_t from, std::int32_t to, std::int32_t* pVal);
  OperationResult SetDistance(std::int32_t from, std::int32_t to, std::int32_t distance);
  OperationResult CalcDistanceEUC2D();
  OperationResult CheckDistance(std::int32_t* pVal);
  OperationResult Solve(std::int32_t* pcnt);
  OperationResult RootX(std::int32_t i, double* pVal);
  OperationResult RootY(std::int32_t i, double* pVal);
  OperationResult Root(std::int32_t i, std::int32_t* pVal);
  OperationResult Length(std::int32_t* pVal);
  OperationResult ReadTourFile(const FileName& filename);
  OperationResult WriteTourFile(const FileName& filename);
  OperationResult num(std::int32_t* pVal);
  OperationResult MaxX(double* pVal);
  OperationResult MaxY(double* pVal);
  OperationResult MinX(double* pVal);
  OperationResult MinY(double* pVal);

  // NewTsp with an explicit generator seed instead of the load-time clock.
  OperationResult NewTspWithSeed(std::int32_t num, std::uint32_t seed);

  // Replace the instance from arrays, as ReadTspFile does from a file: count cities (0 to 127;
  // more answer TooManyCities, a negative count CityIdOutOfRange) with a row-major count x count
  // matrix of any 32-bit distances, or with (x, y) pairs whose EUC_2D distances are computed (a
  // coordinate that is not finite answers PositionOutOfRange, a distance beyond 32 bits
  // DistanceOutOfRange). A failure leaves the instance and the state as they were.
  OperationResult LoadDistances(std::int32_t count, const std::int32_t* distances);
  OperationResult LoadCoordinates(std::int32_t count, const double* coordinates);
  // Replace the instance by a whole problem of 1 to kMaxCities cities (another object's
  // instance(), say), as a file read does: TooManyCities beyond, CityIdOutOfRange for none. The
  // tour of the former instance is dropped with it.
  OperationResult LoadProblem(const ProblemData& problem);
  // ReadTspFile in the tolerant mode: TSPLIB keywords in any order and case, every symmetric
  // distance rule, all matrix layouts, TSP and ATSP files (ATSP up to kMaxAsymmetricCities).
  // The same codes and the same limit of kMaxCities cities; the instance changes only when the
  // whole file was read. report, when given, receives the line and reason of a refusal.
  OperationResult ReadTspFileTolerant(const FileName& filename, TspReadReport* report = nullptr);
  // ReadTspFile, ReadTspFileTolerant and ReadTourFile from an open stream, which stays open, for
  // callers that already hold the file's bytes; name becomes the instance's name. The same rules
  // and answers as from a file, but the stream is read as far as it goes.
  OperationResult ReadTspStream(std::FILE* stream, std::string_view name);
  OperationResult ReadTspStreamTolerant(std::FILE* stream, std::string_view name,
                                        TspReadReport* report = nullptr);
  OperationResult ReadTourStream(std::FILE* stream);

  // Keeps a tour that was found for this instance by another way (the solve layer's engines):
  // count must be the number of cities and order must list each once (else CityIdOutOfRange), and
  // its closed length must fit 32 bits (else DistanceOutOfRange). The object then holds the tour
  // as after a solve; a refusal leaves tour and state as they were.
  OperationResult AdoptTour(const std::int32_t* order, std::int32_t count);

  const ProblemData& instance() const { return instance_; }
  // The tour held since the last solve, tour read or adopted tour (meaningful in TourReady).
  const ObjectTour& tour() const { return tour_; }
  ObjectState state() const { return state_; }

 private:
  // The library's own solves with the exact search's options and statistics.
  friend struct ObjectSearch;

  OperationResult fail(ErrorCode code);
  OperationResult failUnless(ErrorCode code);
  bool cityInRange(std::int32_t id) const { return id >= 0 && id < instance_.count; }
  bool tourIndexInRange(std::int32_t i) const { return i >= 0 && i < tour_.count; }
  OperationResult boundProperty(double bound, double* pVal);
  OperationResult checkLoadArguments(std::int32_t count, const void* values);

  ErrorReporter& reporter_;
  ProblemData instance_;
  ObjectTour tour_;
  ObjectState state_ = ObjectState::NoInstance;
};

}  // namespace ringmarch
