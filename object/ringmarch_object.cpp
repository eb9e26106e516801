#include "object/ringmarch_object.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <memory>
#include <new>

#include "model/generation.h"
#include "object/asymmetric_solve.h"
#include "solver/tour_record.h"
#include "tsplib/tolerant_tsp_reader.h"
#include "tsplib/tour_file.h"
#include "tsplib/tsp_file.h"

namespace ringmarch {
namespace {

// The solver and the TOUR files work on the search's record of a tour; the object keeps of it
// what its operations read back: the cities, their count and the length. A record made from the
// held tour, worked on, and kept again leaves the object as if it held the record itself.
void recordOf(TourRecord& record, const ObjectTour& tour, const ProblemData& problem) {
  initTour(record, &problem, 0);
  std::copy(std::begin(tour.order), std::end(tour.order), std::begin(record.order));
  record.count = tour.count;
  record.length = tour.length;
}

void keep(ObjectTour& tour, const TourRecord& record) {
  std::copy(record.order, record.order + record.count, tour.order);
  tour.count = record.count;
  tour.length = record.length;
}

}  // namespace

RingmarchObject::RingmarchObject(ErrorReporter& reporter) : reporter_(reporter) {
  initProblemData(instance_);
}

OperationResult RingmarchObject::fail(ErrorCode code) {
  reporter_.reportError(code);
  return resultValueOf(code);
}

OperationResult RingmarchObject::failUnless(ErrorCode code) {
  return code == ErrorCode::Success ? kSuccessResult : fail(code);
}

OperationResult RingmarchObject::NewTsp(std::int32_t num) {
  return NewTspWithSeed(num, millisecondsSinceLoad());
}

OperationResult RingmarchObject::NewTspWithSeed(std::int32_t num, std::uint32_t seed) {
  if (num > kMaxCities) return fail(ErrorCode::TooManyCities);
  generateInstance(instance_, num, seed);
  state_ = ObjectState::InstanceReady;
  return kSuccessResult;
}

OperationResult RingmarchObject::ReadTspFile(const FileName& filename) {
  const ErrorCode code = readTspFile(instance_, filename);
  if (code != ErrorCode::Success) return fail(code);
  state_ = ObjectState::InstanceReady;
  return kSuccessResult;
}

OperationResult RingmarchObject::checkLoadArguments(std::int32_t count, const void* values) {
  if (count > kMaxCities) return fail(ErrorCode::TooManyCities);
  if (count < 0) return fail(ErrorCode::CityIdOutOfRange);
  if (count > 0 && values == nullptr) return kInvalidPointerResult;
  return kSuccessResult;
}

OperationResult RingmarchObject::LoadDistances(std::int32_t count, const std::int32_t* distances) {
  if (const OperationResult refused = checkLoadArguments(count, distances)) return refused;
  loadDistanceMatrix(instance_, count, distances);
  state_ = ObjectState::InstanceReady;
  return kSuccessResult;
}

OperationResult RingmarchObject::LoadCoordinates(std::int32_t count, const double* coordinates) {
  if (const OperationResult refused = checkLoadArguments(count, coordinates)) return refused;
  for (std::int32_t i = 0; i < 2 * count; ++i) {
    if (!std::isfinite(coordinates[i])) return fail(ErrorCode::PositionOutOfRange);
  }
  // The distances are known to fit only once computed: they are computed into a scratch
  // instance, so that a refusal leaves the object's instance as it was.
  std::unique_ptr<ProblemData> scratch(new (std::nothrow) ProblemData);
  if (!scratch) return fail(ErrorCode::OutOfMemory);
  if (!loadCoordinates(*scratch, count, coordinates)) return fail(ErrorCode::DistanceOutOfRange);
  instance_ = *scratch;
  state_ = ObjectState::InstanceReady;
  return kSuccessResult;
}

OperationResult RingmarchObject::LoadProblem(const ProblemData& problem) {
  if (problem.count > kMaxCities) return fail(ErrorCode::TooManyCities);
  if (problem.count < 1) return fail(ErrorCode::CityIdOutOfRange);
  instance_ = problem;
  state_ = ObjectState::InstanceReady;
  return kSuccessResult;
}

OperationResult RingmarchObject::ReadTspFileTolerant(const FileName& filename,
                                                     TspReadReport* report) {
  const TspReadReport read = readTspFileTolerant(instance_, filename);
  if (report != nullptr) *report = read;
  if (read.code != ErrorCode::Success) return fail(read.code);
  state_ = ObjectState::InstanceReady;
  return kSuccessResult;
}

OperationResult RingmarchObject::ReadTspStream(std::FILE* stream, std::string_view name) {
  const ErrorCode code = readTspStream(instance_, stream, name);
  if (code != ErrorCode::Success) return fail(code);
  state_ = ObjectState::InstanceReady;
  return kSuccessResult;
}

OperationResult RingmarchObject::ReadTspStreamTolerant(std::FILE* stream, std::string_view name,
                                                       TspReadReport* report) {
  const TspReadReport read = readTspStreamTolerant(instance_, stream, name);
  if (report != nullptr) *report = read;
  if (read.code != ErrorCode::Success) return fail(read.code);
  state_ = ObjectState::InstanceReady;
  return kSuccessResult;
}

OperationResult RingmarchObject::WriteTspFile(const FileName& filename, std::int32_t type) {
  if (state_ == ObjectState::NoInstance) return fail(ErrorCode::InstanceNotCreated);
  return failUnless(writeTspFile(instance_, filename, type));
}

OperationResult RingmarchObject::PosX(std::int32_t id, double* pVal) {
  if (state_ == ObjectState::NoInstance) return fail(ErrorCode::InstanceNotCreated);
  if (!cityInRange(id)) return fail(ErrorCode::CityIdOutOfRange);
  if (pVal == nullptr) return kInvalidPointerResult;
  *pVal = instance_.rows[id].x;
  return kSuccessResult;
}

OperationResult RingmarchObject::PosY(std::int32_t id, double* pVal) {
  if (state_ == ObjectState::NoInstance) return fail(ErrorCode::InstanceNotCreated);
  if (!cityInRange(id)) return fail(ErrorCode::CityIdOutOfRange);
  if (pVal == nullptr) return kInvalidPointerResult;
  *pVal = instance_.rows[id].y;
  return kSuccessResult;
}

OperationResult RingmarchObject::SetNodePos(std::int32_t id, std::int32_t x, std::int32_t y) {
  if (state_ == ObjectState::NoInstance) return fail(ErrorCode::InstanceNotCreated);
  if (!cityInRange(id)) return fail(ErrorCode::CityIdOutOfRange);
  if (x < 0 || x >= kCoordinateLimit || y < 0 || y >= kCoordinateLimit) {
    return fail(ErrorCode::PositionOutOfRange);
  }
  setPosition(instance_, id, x, y);
  return kSuccessResult;
}

OperationResult RingmarchObject::Distance(std::int32_t from, std::int32_t to, std::int32_t* pVal) {
  if (state_ == ObjectState::NoInstance) return fail(ErrorCode::InstanceNotCreated);
  if (!cityInRange(from) || !cityInRange(to)) return fail(ErrorCode::CityIdOutOfRange);
  if (pVal == nullptr) return kInvalidPointerResult;
  *pVal = instance_.rows[from].dist[to];
  return kSuccessResult;
}

OperationResult RingmarchObject::SetDistance(std::int32_t from, std::int32_t to,
                                             std::int32_t distance) {
  if (state_ == ObjectState::NoInstance) return fail(ErrorCode::InstanceNotCreated);
  if (!cityInRange(from) || !cityInRange(to)) return fail(ErrorCode::CityIdOutOfRange);
  if (distance < 0 || distance >= kDistanceLimit) return fail(ErrorCode::DistanceOutOfRange);
  setDistance(instance_, from, to, distance);
  state_ = ObjectState::InstanceReady;
  return kSuccessResult;
}

OperationResult RingmarchObject::CalcDistanceEUC2D() {
  if (state_ == ObjectState::NoInstance) return fail(ErrorCode::InstanceNotCreated);
  // Coordinates set through the interface always fit; coordinates read from a file were
  // checked by the reader, so a distance that does not fit is stored at the 32-bit limit.
  computeDistances(instance_, 1.0);
  state_ = ObjectState::InstanceReady;
  return kSuccessResult;
}

OperationResult RingmarchObject::CheckDistance(std::int32_t* pVal) {
  if (state_ == ObjectState::NoInstance) return fail(ErrorCode::InstanceNotCreated);
  if (pVal == nullptr) return kInvalidPointerResult;
  *pVal = static_cast<std::int32_t>(checkDistances(instance_));
  return kSuccessResult;
}

OperationResult RingmarchObject::Solve(std::int32_t* pcnt) {
  return ObjectSearch::solveWith(*this, {}, nullptr, pcnt);
}

template <class Refusal, class Search>
OperationResult ObjectSearch::solveAround(RingmarchObject& object, std::int32_t* pcnt,
                                          Refusal refusal, Search search) {
  if (object.state_ == ObjectState::NoInstance) return object.fail(ErrorCode::InstanceNotCreated);
  if (object.instance_.count < 3) return object.fail(ErrorCode::CityIdOutOfRange);
  if (pcnt == nullptr) return kInvalidPointerResult;
  if (const ErrorCode refused = refusal(); refused != ErrorCode::Success) {
    return object.fail(refused);
  }
  TourRecord record{};
  recordOf(record, object.tour_, object.instance_);
  const ErrorCode code = search(record);
  keep(object.tour_, record);
  *pcnt = object.tour_.length;
  if (code != ErrorCode::Success) return object.fail(code);
  object.state_ = ObjectState::TourReady;
  return kSuccessResult;
}

OperationResult ObjectSearch::solveWith(RingmarchObject& object, const SolveOptions& options,
                                        SolveStatistics* statistics, std::int32_t* pcnt) {
  return solveAround(
      object, pcnt,
      [&] {
        // Tour lengths are 32-bit values; distances whose tours could exceed that are refused
        // rather than summed with overflow.
        return tourLengthsFit(object.instance_) ? ErrorCode::Success
                                                : ErrorCode::DistanceOutOfRange;
      },
      [&](TourRecord& record) {
        return solveInstance(record, object.instance_, options, statistics);
      });
}

OperationResult RingmarchObject::AdoptTour(const std::int32_t* order, std::int32_t count) {
  if (state_ == ObjectState::NoInstance) return fail(ErrorCode::InstanceNotCreated);
  if (order == nullptr) return kInvalidPointerResult;
  if (count != instance_.count || count < 1) return fail(ErrorCode::CityIdOutOfRange);
  bool seen[kRowCount] = {};
  std::int64_t length = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t city = order[i];
    if (city < 0 || city >= count || seen[city]) return fail(ErrorCode::CityIdOutOfRange);
    seen[city] = true;
    length += instance_.rows[city].dist[order[(i + 1) % count]];
  }
  if (length < INT32_MIN || length > INT32_MAX) return fail(ErrorCode::DistanceOutOfRange);
  TourRecord record{};
  initTour(record, &instance_, -1);
  for (std::int32_t i = 0; i < count; ++i) appendCity(record, order[i]);
  keep(tour_, record);
  state_ = ObjectState::TourReady;
  return kSuccessResult;
}

OperationResult ObjectSearch::solveAsymmetricWith(RingmarchObject& object,
                                                  const SolveOptions& options,
                                                  SolveStatistics* statistics, std::int32_t* pcnt) {
  return solveAround(
      object, pcnt,
      [&] {
        return object.instance_.count > kMaxAsymmetricCities ? ErrorCode::TooManyCities
                                                             : ErrorCode::Success;
      },
      [&](TourRecord& record) {
        return solveAsymmetricInstance(record, object.instance_, options, statistics);
      });
}

OperationResult RingmarchObject::RootX(std::int32_t i, double* pVal) {
  if (state_ != ObjectState::TourReady) return fail(ErrorCode::NotSolved);
  if (!tourIndexInRange(i)) return fail(ErrorCode::CityIdOutOfRange);
  if (pVal == nullptr) return kInvalidPointerResult;
  *pVal = truncateToWhole(instance_.rows[tour_.order[i]].x);
  return kSuccessResult;
}

OperationResult RingmarchObject::RootY(std::int32_t i, double* pVal) {
  if (state_ != ObjectState::TourReady) return fail(ErrorCode::NotSolved);
  if (!tourIndexInRange(i)) return fail(ErrorCode::CityIdOutOfRange);
  if (pVal == nullptr) return kInvalidPointerResult;
  *pVal = truncateToWhole(instance_.rows[tour_.order[i]].y);
  return kSuccessResult;
}

OperationResult RingmarchObject::Root(std::int32_t i, std::int32_t* pVal) {
  if (state_ != ObjectState::TourReady) return fail(ErrorCode::NotSolved);
  if (!tourIndexInRange(i)) return fail(ErrorCode::CityIdOutOfRange);
  if (pVal == nullptr) return kInvalidPointerResult;
  *pVal = tour_.order[i];
  return kSuccessResult;
}

OperationResult RingmarchObject::Length(std::int32_t* pVal) {
  if (state_ != ObjectState::TourReady) return fail(ErrorCode::NotSolved);
  if (pVal == nullptr) return kInvalidPointerResult;
  *pVal = tour_.length;
  return kSuccessResult;
}

OperationResult RingmarchObject::ReadTourFile(const FileName& filename) {
  if (state_ != ObjectState::InstanceReady) return fail(ErrorCode::InstanceNotCreated);
  TourRecord record{};
  recordOf(record, tour_, instance_);
  const ErrorCode code = readTourFile(record, instance_, filename);
  keep(tour_, record);
  if (code != ErrorCode::Success) return fail(code);
  state_ = ObjectState::TourReady;
  return kSuccessResult;
}

OperationResult RingmarchObject::ReadTourStream(std::FILE* stream) {
  if (state_ != ObjectState::InstanceReady) return fail(ErrorCode::InstanceNotCreated);
  TourRecord record{};
  recordOf(record, tour_, instance_);
  const ErrorCode code = readTourStream(record, instance_, stream);
  keep(tour_, record);
  if (code != ErrorCode::Success) return fail(code);
  state_ = ObjectState::TourReady;
  return kSuccessResult;
}

OperationResult RingmarchObject::WriteTourFile(const FileName& filename) {
  if (state_ != ObjectState::TourReady) return fail(ErrorCode::NotSolved);
  TourRecord record{};
  recordOf(record, tour_, instance_);
  return failUnless(writeTourFile(record, instance_, filename));
}

OperationResult RingmarchObject::num(std::int32_t* pVal) {
  if (state_ == ObjectState::NoInstance) return fail(ErrorCode::InstanceNotCreated);
  if (pVal == nullptr) return kInvalidPointerResult;
  *pVal = instance_.count;
  return kSuccessResult;
}

OperationResult RingmarchObject::boundProperty(double bound, double* pVal) {
  if (state_ == ObjectState::NoInstance) return fail(ErrorCode::InstanceNotCreated);
  if (pVal == nullptr) return kInvalidPointerResult;
  *pVal = truncateToWhole(bound);
  return kSuccessResult;
}

OperationResult RingmarchObject::MaxX(double* pVal) {
  return boundProperty(instance_.maxX, pVal);
}
OperationResult RingmarchObject::MaxY(double* pVal) {
  return boundProperty(instance_.maxY, pVal);
}
OperationResult RingmarchObject::MinX(double* pVal) {
  return boundProperty(instance_.minX, pVal);
}
OperationResult RingmarchObject::MinY(double* pVal) {
  return boundProperty(instance_.minY, pVal);
}

}  // namespace ringmarch
