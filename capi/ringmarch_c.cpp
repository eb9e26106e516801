// The C interface over the solver object: every function checks its handle, calls the object's
// operation inside a guard that turns any C++ exception into a result value, and records a
// failure as the calling thread's last error.
#define RINGMARCH_BUILDING_LIBRARY 1
#include "ringmarch/ringmarch.h"

#include <array>
#include <chrono>
#include <cmath>
#include <exception>
#include <new>
#include <string>
#include <string_view>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include <ringmarch/version.hpp>

#include "instance/problem_conversion.h"
#include "instance/run_control.h"
#include "object/ringmarch_object.h"
#include "solve/solve.h"
#include "tsplib/strict_tsp_reader.h"
#include "tsplib/tolerant_tsp_reader.h"

struct ringmarch_solver {
  ringmarch::RingmarchObject object;
};

struct ringmarch_instance {
  ringmarch::Instance instance;
};

namespace {

using ringmarch::ErrorCode;
using ringmarch::OperationResult;

// The code's English explanation as a C string (a literal of the model's one table).
const char* glossOf(std::int32_t code) {
  return code >= 1 && code <= ringmarch::kErrorCodeCount
             ? ringmarch::errorGloss(static_cast<ErrorCode>(code)).data()
             : "";
}

bool isKnownCode(std::int32_t code) {
  return code >= 1 && code <= ringmarch::kErrorCodeCount;
}

// The code's message as a C string: the texts are string literals, so their views end in NUL.
const char* messageOf(std::int32_t code) {
  return isKnownCode(code) ? ringmarch::errorText(static_cast<ErrorCode>(code)).data() : "";
}

struct LastFailure {
  std::int32_t code = 0;
  ringmarch_result result = RINGMARCH_OK;
  std::string message;
  std::string gloss;
  std::string reason;  // the refusal's own reason, without the code's gloss
  std::int32_t line = 0;
};

// What the failure being answered adds to its code's gloss (a refusal's reason, and the line of
// the file it concerns), taken by the next recorded failure.
struct PendingDetail {
  std::string reason;
  std::int32_t line = 0;

  bool empty() const { return reason.empty(); }
  void clear() {
    reason.clear();
    line = 0;
  }
  // "line 5: reason", or the reason alone.
  std::string where() const {
    return line > 0 ? "line " + std::to_string(line) + ": " + reason : reason;
  }
};

thread_local LastFailure tlsLastFailure;
thread_local PendingDetail tlsPendingDetail;

// A reader's refusal as the detail of the failure about to be recorded.
void pendReadRefusal(const ringmarch::TspReadReport& report) {
  tlsPendingDetail.reason = report.reason;
  tlsPendingDetail.line = report.line;
}

void setLastFailure(ringmarch_result result, std::int32_t code, std::string_view message,
                    std::string_view gloss) noexcept {
  LastFailure& last = tlsLastFailure;
  last.code = code;
  last.result = result;
  last.line = 0;
  try {
    last.message.assign(message);
    last.gloss.assign(gloss);
    last.reason.clear();
  } catch (...) {
    // Without memory for the texts the code and result value still tell the failure.
    last.message.clear();
    last.gloss.clear();
    last.reason.clear();
  }
}

// Records a failing result value as the thread's last failure and hands it back.
ringmarch_result recorded(ringmarch_result result) noexcept {
  if (result == RINGMARCH_OK) return result;
  if ((result & 0xFFFFFF00u) == 0x80040300u && isKnownCode(result & 0xFFu)) {
    const auto code = static_cast<std::int32_t>(result & 0xFFu);
    setLastFailure(result, code, messageOf(code), glossOf(code));
    if (!tlsPendingDetail.empty()) {
      try {
        tlsLastFailure.gloss += ": " + tlsPendingDetail.where();
        tlsLastFailure.reason = tlsPendingDetail.reason;
        tlsLastFailure.line = tlsPendingDetail.line;
      } catch (...) {
        // The code's own gloss still tells the failure.
      }
    }
  } else if (result == RINGMARCH_E_POINTER) {
    setLastFailure(result, 0, "a required pointer argument is null",
                   "a required pointer argument is null");
  } else if (result == RINGMARCH_E_INVALIDARG) {
    setLastFailure(result, 0, "an argument is out of its range", "an argument is out of its range");
  } else {
    setLastFailure(result, 0, "unexpected failure", "unexpected failure");
  }
  tlsPendingDetail.clear();
  return result;
}

ringmarch_result unexpected(const char* what) noexcept {
  const std::string_view detail = what != nullptr ? what : "unknown exception";
  setLastFailure(RINGMARCH_E_UNEXPECTED, 0, detail, "unexpected failure");
  return RINGMARCH_E_UNEXPECTED;
}

// Runs work that answers a result value: no exception leaves it, a failure is recorded.
template <typename Work>
ringmarch_result withoutExceptions(Work work) noexcept {
  try {
    return recorded(work());
  } catch (const std::bad_alloc&) {
    return recorded(ringmarch::resultValueOf(ErrorCode::OutOfMemory));
  } catch (const std::exception& error) {
    return unexpected(error.what());
  } catch (...) {
    return unexpected(nullptr);
  }
}

// Runs an operation on a live solver.
template <typename Operation>
ringmarch_result guarded(ringmarch_solver* solver, Operation operation) noexcept {
  if (solver == nullptr) return recorded(RINGMARCH_E_POINTER);
  return withoutExceptions([&] { return operation(solver->object); });
}

ringmarch::FileName fileNameOf(const char* name) {
  return ringmarch::FileName::fromNarrow(name);
}

// Hands the progress to the caller's callback at its interval; its answer may stop the solve.
// The time limit is the solve layer's.
class CallbackWatcher final : public ringmarch::RunWatcher {
 public:
  CallbackWatcher(ringmarch_progress_callback callback, void* userData, double interval)
      : callback_(callback), userData_(userData), interval_(interval) {}

  bool onProgress(const ringmarch::RunProgress& progress) override {
    if (callback_ == nullptr) return true;
    const double elapsed = ringmarch::secondsSince(started_);
    if (elapsed < nextCallAt_) return true;
    nextCallAt_ = elapsed + interval_;
    const std::int64_t best = progress.bestLength.value_or(0);
    const ringmarch_progress report = {progress.nodes,
                                       static_cast<std::int32_t>(best > INT32_MAX   ? INT32_MAX
                                                                 : best < INT32_MIN ? INT32_MIN
                                                                                    : best),
                                       elapsed};
    return callback_(&report, userData_) == RINGMARCH_CONTINUE;
  }

 private:
  ringmarch_progress_callback callback_;
  void* userData_;
  double interval_;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  double nextCallAt_ = 0.0;
};

std::int32_t stopCodeOf(ringmarch::StopReason reason) {
  switch (reason) {
    case ringmarch::StopReason::None:
      return RINGMARCH_STOP_NONE;
    case ringmarch::StopReason::TimeLimit:
      return RINGMARCH_STOP_TIME_LIMIT;
    case ringmarch::StopReason::Stopped:
      return RINGMARCH_STOP_CALLBACK;
    case ringmarch::StopReason::Interrupted:
      return RINGMARCH_STOP_INTERRUPTED;
    case ringmarch::StopReason::OutOfMemory:
      return RINGMARCH_STOP_OUT_OF_MEMORY;
  }
  return RINGMARCH_STOP_NONE;
}

// A refusal of the solve layer as a result value; its reason joins the code's gloss when the
// failure is recorded, so that callers can show it.
ringmarch_result refusedSolve(const ringmarch::SolveResult& solved) {
  tlsPendingDetail.reason = solved.reason;
  tlsPendingDetail.line = 0;
  if (solved.refusal == ErrorCode::Success) return RINGMARCH_E_INVALIDARG;
  return ringmarch::resultValueOf(solved.refusal);
}

bool validSolveRequest(const ringmarch_solve_request& request) {
  return request.engine >= RINGMARCH_ENGINE_AUTO && request.engine <= RINGMARCH_ENGINE_CUT &&
         std::isfinite(request.time_limit_seconds) && request.time_limit_seconds >= 0.0 &&
         std::isfinite(request.progress_interval_seconds) &&
         request.progress_interval_seconds >= 0.0;
}

ringmarch::SolveRequest layerRequestOf(const ringmarch_solve_request& request,
                                       CallbackWatcher& watcher) {
  ringmarch::SolveRequest layer;
  layer.engine = static_cast<ringmarch::Engine>(request.engine);
  if (request.time_limit_seconds > 0.0) layer.timeLimitSeconds = request.time_limit_seconds;
  layer.watcher = &watcher;
  return layer;
}

std::int32_t engineCodeOf(ringmarch::Engine engine) {
  switch (engine) {
    case ringmarch::Engine::Tour:
      return RINGMARCH_ENGINE_TOUR;
    case ringmarch::Engine::Cut:
      return RINGMARCH_ENGINE_CUT;
    default:
      return RINGMARCH_ENGINE_CANONICAL;
  }
}

void fillStatistics(const ringmarch::SolveResult& solved, ringmarch_engine_statistics* out) {
  if (out == nullptr) return;
  std::memset(out, 0, sizeof *out);
  const ringmarch::SolveCounts& counts = solved.counts;
  out->handed_over_after = solved.handedOverAfter;
  out->lp_iterations = counts.lpIterations;
  out->lp_seconds = counts.lpSeconds;
  out->cut_rounds = counts.cutRounds;
  out->subtour_cuts = counts.subtourCuts;
  out->blossom_cuts = counts.blossomCuts;
  out->comb_cuts = counts.combCuts;
  out->pool_cuts = counts.poolCuts;
  out->priced_edges = counts.pricedEdges;
  out->eliminated_edges = counts.eliminatedEdges;
  out->root_bound = counts.rootBound;
}

void emptySolution(ringmarch_solution& solution) {
  std::memset(&solution, 0, sizeof solution);
}

// Fills the caller's solution; false when there is no memory for the tour.
bool fillSolution(const ringmarch::SolveResult& solved, ringmarch_solution& solution) {
  emptySolution(solution);
  const std::size_t cities = solved.tour.size();
  auto* tour = static_cast<std::int32_t*>(std::malloc((cities > 0 ? cities : 1) * sizeof(int32_t)));
  if (tour == nullptr) return false;
  for (std::size_t i = 0; i < cities; ++i) tour[i] = solved.tour[i];
  solution.status = solved.optimal() ? RINGMARCH_STATUS_OPTIMAL : RINGMARCH_STATUS_NOT_PROVEN;
  solution.stop_reason = stopCodeOf(solved.stopReason);
  solution.engine = engineCodeOf(solved.engine);
  solution.asymmetric = solved.asymmetric ? 1 : 0;
  solution.cities = static_cast<std::int32_t>(cities);
  solution.tour = tour;
  solution.length = solved.length;
  solution.has_lower_bound = solved.lowerBound ? 1 : 0;
  solution.lower_bound = solved.lowerBound.value_or(0);
  std::snprintf(solution.reason, sizeof solution.reason, "%s", solved.reason.c_str());
  solution.nodes = solved.counts.nodes;
  solution.initial_length = solved.counts.initialLength;
  solution.improved_length = solved.counts.improvedLength;
  solution.seconds = solved.counts.seconds;
  solution.load_seconds = solved.counts.stages.load;
  solution.initial_tour_seconds = solved.counts.stages.initialTour;
  solution.search_seconds = solved.counts.stages.search;
  return true;
}

// Solves the solver's instance through the layer and keeps the tour in the solver.
OperationResult solveHeld(ringmarch::RingmarchObject& object,
                          const ringmarch_solve_request& request, ringmarch::SolveResult& solved) {
  if (object.state() == ringmarch::ObjectState::NoInstance) {
    return ringmarch::resultValueOf(ErrorCode::InstanceNotCreated);
  }
  CallbackWatcher watcher(request.progress, request.user_data, request.progress_interval_seconds);
  solved = ringmarch::solve(object.instance(), layerRequestOf(request, watcher));
  if (solved.refused()) return refusedSolve(solved);
  return object.AdoptTour(solved.tour.data(), static_cast<std::int32_t>(solved.tour.size()));
}

bool validSeconds(double seconds) {
  return std::isfinite(seconds) && seconds >= 0.0;
}

}  // namespace

extern "C" {

const char* ringmarch_version(void) {
  return ringmarch::kVersion.data();
}

ringmarch_result ringmarch_create(ringmarch_solver** solver) {
  if (solver == nullptr) return recorded(RINGMARCH_E_POINTER);
  *solver = nullptr;
  return withoutExceptions([&]() -> OperationResult {
    *solver = new ringmarch_solver();
    return RINGMARCH_OK;
  });
}

void ringmarch_destroy(ringmarch_solver* solver) {
  delete solver;
}

ringmarch_result ringmarch_new_tsp(ringmarch_solver* solver, int32_t num) {
  return guarded(solver, [&](auto& object) { return object.NewTsp(num); });
}

ringmarch_result ringmarch_read_tsp_file(ringmarch_solver* solver, const char* filename) {
  return guarded(solver, [&](auto& object) { return object.ReadTspFile(fileNameOf(filename)); });
}

ringmarch_result ringmarch_write_tsp_file(ringmarch_solver* solver, const char* filename,
                                          int32_t type) {
  return guarded(solver,
                 [&](auto& object) { return object.WriteTspFile(fileNameOf(filename), type); });
}

ringmarch_result ringmarch_pos_x(ringmarch_solver* solver, int32_t id, double* value) {
  return guarded(solver, [&](auto& object) { return object.PosX(id, value); });
}

ringmarch_result ringmarch_pos_y(ringmarch_solver* solver, int32_t id, double* value) {
  return guarded(solver, [&](auto& object) { return object.PosY(id, value); });
}

ringmarch_result ringmarch_set_node_pos(ringmarch_solver* solver, int32_t id, int32_t x,
                                        int32_t y) {
  return guarded(solver, [&](auto& object) { return object.SetNodePos(id, x, y); });
}

ringmarch_result ringmarch_distance(ringmarch_solver* solver, int32_t from, int32_t to,
                                    int32_t* value) {
  return guarded(solver, [&](auto& object) { return object.Distance(from, to, value); });
}

ringmarch_result ringmarch_set_distance(ringmarch_solver* solver, int32_t from, int32_t to,
                                        int32_t distance) {
  return guarded(solver, [&](auto& object) { return object.SetDistance(from, to, distance); });
}

ringmarch_result ringmarch_calc_distance_euc2d(ringmarch_solver* solver) {
  return guarded(solver, [&](auto& object) { return object.CalcDistanceEUC2D(); });
}

ringmarch_result ringmarch_check_distance(ringmarch_solver* solver, int32_t* value) {
  return guarded(solver, [&](auto& object) { return object.CheckDistance(value); });
}

ringmarch_result ringmarch_solve(ringmarch_solver* solver, int32_t* length) {
  return guarded(solver, [&](auto& object) { return object.Solve(length); });
}

ringmarch_result ringmarch_root_x(ringmarch_solver* solver, int32_t i, double* value) {
  return guarded(solver, [&](auto& object) { return object.RootX(i, value); });
}

ringmarch_result ringmarch_root_y(ringmarch_solver* solver, int32_t i, double* value) {
  return guarded(solver, [&](auto& object) { return object.RootY(i, value); });
}

ringmarch_result ringmarch_root(ringmarch_solver* solver, int32_t i, int32_t* value) {
  return guarded(solver, [&](auto& object) { return object.Root(i, value); });
}

ringmarch_result ringmarch_length(ringmarch_solver* solver, int32_t* value) {
  return guarded(solver, [&](auto& object) { return object.Length(value); });
}

ringmarch_result ringmarch_read_tour_file(ringmarch_solver* solver, const char* filename) {
  return guarded(solver, [&](auto& object) { return object.ReadTourFile(fileNameOf(filename)); });
}

ringmarch_result ringmarch_write_tour_file(ringmarch_solver* solver, const char* filename) {
  return guarded(solver, [&](auto& object) { return object.WriteTourFile(fileNameOf(filename)); });
}

ringmarch_result ringmarch_num(ringmarch_solver* solver, int32_t* value) {
  return guarded(solver, [&](auto& object) { return object.num(value); });
}

ringmarch_result ringmarch_max_x(ringmarch_solver* solver, double* value) {
  return guarded(solver, [&](auto& object) { return object.MaxX(value); });
}

ringmarch_result ringmarch_max_y(ringmarch_solver* solver, double* value) {
  return guarded(solver, [&](auto& object) { return object.MaxY(value); });
}

ringmarch_result ringmarch_min_x(ringmarch_solver* solver, double* value) {
  return guarded(solver, [&](auto& object) { return object.MinX(value); });
}

ringmarch_result ringmarch_min_y(ringmarch_solver* solver, double* value) {
  return guarded(solver, [&](auto& object) { return object.MinY(value); });
}

ringmarch_result ringmarch_new_tsp_with_seed(ringmarch_solver* solver, int32_t num, uint32_t seed) {
  return guarded(solver, [&](auto& object) { return object.NewTspWithSeed(num, seed); });
}

ringmarch_result ringmarch_load_distances(ringmarch_solver* solver, int32_t count,
                                          const int32_t* distances) {
  return guarded(solver, [&](auto& object) { return object.LoadDistances(count, distances); });
}

ringmarch_result ringmarch_load_coordinates(ringmarch_solver* solver, int32_t count,
                                            const double* coordinates) {
  return guarded(solver, [&](auto& object) { return object.LoadCoordinates(count, coordinates); });
}

ringmarch_result ringmarch_tour(ringmarch_solver* solver, int32_t* cities, int32_t capacity,
                                int32_t* count) {
  return guarded(solver, [&](ringmarch::RingmarchObject& object) -> OperationResult {
    // Length answers NotSolved unless a tour is held.
    std::int32_t length = 0;
    if (const OperationResult result = object.Length(&length)) return result;
    if (count == nullptr || (cities == nullptr && capacity > 0)) return RINGMARCH_E_POINTER;
    const ringmarch::ObjectTour& tour = object.tour();
    *count = tour.count;
    for (std::int32_t i = 0; i < tour.count && i < capacity; ++i) cities[i] = tour.order[i];
    return ringmarch::kSuccessResult;
  });
}

void ringmarch_solve_options_init(ringmarch_solve_options* options) {
  if (options == nullptr) return;
  options->time_limit_seconds = 0.0;
  options->progress = nullptr;
  options->user_data = nullptr;
  options->progress_interval_seconds = 0.1;
}

ringmarch_result ringmarch_solve_with(ringmarch_solver* solver,
                                      const ringmarch_solve_options* options,
                                      ringmarch_solve_statistics* statistics, int32_t* length) {
  ringmarch_solve_options settings;
  ringmarch_solve_options_init(&settings);
  if (options != nullptr) settings = *options;
  if (!validSeconds(settings.time_limit_seconds) ||
      !validSeconds(settings.progress_interval_seconds)) {
    return recorded(RINGMARCH_E_INVALIDARG);
  }
  ringmarch_solve_request request;
  ringmarch_solve_request_init(&request);
  request.time_limit_seconds = settings.time_limit_seconds;
  request.progress = settings.progress;
  request.user_data = settings.user_data;
  request.progress_interval_seconds = settings.progress_interval_seconds;
  return guarded(solver, [&](ringmarch::RingmarchObject& object) -> OperationResult {
    // The checks of the object's own solve, in its order.
    if (object.state() == ringmarch::ObjectState::NoInstance) {
      return ringmarch::resultValueOf(ErrorCode::InstanceNotCreated);
    }
    if (object.instance().count < 3) return ringmarch::resultValueOf(ErrorCode::CityIdOutOfRange);
    if (length == nullptr) return RINGMARCH_E_POINTER;
    ringmarch::SolveResult solved;
    const OperationResult result = solveHeld(object, request, solved);
    if (!solved.refused()) *length = static_cast<std::int32_t>(object.tour().length);
    if (statistics != nullptr) {
      statistics->optimal = result == ringmarch::kSuccessResult && solved.optimal() ? 1 : 0;
      const std::int32_t stop = stopCodeOf(solved.stopReason);
      statistics->stopped_by = stop == RINGMARCH_STOP_TIME_LIMIT || stop == RINGMARCH_STOP_CALLBACK
                                   ? stop
                                   : RINGMARCH_STOPPED_BY_NOTHING;
      statistics->initial_length = static_cast<std::int32_t>(solved.counts.initialLength);
      statistics->evaluated_nodes = solved.counts.nodes;
      statistics->seconds = solved.counts.seconds;
      statistics->load_seconds = solved.counts.stages.load;
      statistics->initial_tour_seconds = solved.counts.stages.initialTour;
      statistics->search_seconds = solved.counts.stages.search;
    }
    return result;
  });
}

void ringmarch_solve_request_init(ringmarch_solve_request* request) {
  if (request == nullptr) return;
  request->engine = RINGMARCH_ENGINE_AUTO;
  request->time_limit_seconds = 0.0;
  request->progress = nullptr;
  request->user_data = nullptr;
  request->progress_interval_seconds = 0.1;
}

ringmarch_result ringmarch_instance_from_matrix(int32_t count, const int32_t* distances,
                                                ringmarch_instance** instance) {
  if (instance == nullptr || distances == nullptr) return recorded(RINGMARCH_E_POINTER);
  *instance = nullptr;
  return withoutExceptions([&]() -> OperationResult {
    if (count < 1) return ringmarch::resultValueOf(ErrorCode::CityIdOutOfRange);
    if (count > ringmarch::kMaxInstanceCities) {
      return ringmarch::resultValueOf(ErrorCode::TooManyCities);
    }
    const std::size_t side = static_cast<std::size_t>(count);
    std::vector<std::int32_t> matrix(distances, distances + side * side);
    std::optional<ringmarch::Instance> made =
        ringmarch::Instance::fromMatrix(count, std::move(matrix));
    if (!made) return ringmarch::resultValueOf(ErrorCode::CityIdOutOfRange);
    *instance = new ringmarch_instance{std::move(*made)};
    return RINGMARCH_OK;
  });
}

ringmarch_result ringmarch_instance_from_coordinates(int32_t count, const char* rule,
                                                     const double* coordinates,
                                                     ringmarch_instance** instance) {
  if (instance == nullptr || coordinates == nullptr || rule == nullptr) {
    return recorded(RINGMARCH_E_POINTER);
  }
  *instance = nullptr;
  return withoutExceptions([&]() -> OperationResult {
    const std::optional<ringmarch::DistanceRule> named = ringmarch::distanceRuleNamed(rule);
    if (!named || *named == ringmarch::DistanceRule::Explicit) return RINGMARCH_E_INVALIDARG;
    if (count < 1) return ringmarch::resultValueOf(ErrorCode::CityIdOutOfRange);
    if (count > ringmarch::kMaxInstanceCities) {
      return ringmarch::resultValueOf(ErrorCode::TooManyCities);
    }
    const std::size_t width = ringmarch::isThreeDimensional(*named) ? 3 : 2;
    std::vector<double> x, y, z;
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
      x.push_back(coordinates[width * i]);
      y.push_back(coordinates[width * i + 1]);
      if (width == 3) z.push_back(coordinates[width * i + 2]);
    }
    std::optional<ringmarch::Instance> made =
        ringmarch::Instance::fromCoordinates(*named, std::move(x), std::move(y), std::move(z));
    if (!made) return ringmarch::resultValueOf(ErrorCode::PositionOutOfRange);
    *instance = new ringmarch_instance{std::move(*made)};
    return RINGMARCH_OK;
  });
}

ringmarch_result ringmarch_instance_read_tsp_file(const char* filename, int32_t strict,
                                                  ringmarch_instance** instance) {
  if (instance == nullptr) return recorded(RINGMARCH_E_POINTER);
  *instance = nullptr;
  return withoutExceptions([&]() -> OperationResult {
    const ringmarch::FileName file = fileNameOf(filename);
    ringmarch::TspRead read =
        strict != 0 ? ringmarch::readTspFileStrict(file) : ringmarch::readTspFileTolerant(file);
    if (!read.instance) {
      pendReadRefusal(read.report);
      return ringmarch::resultValueOf(read.report.code);
    }
    *instance = new ringmarch_instance{std::move(*read.instance)};
    return RINGMARCH_OK;
  });
}

ringmarch_result ringmarch_read_tsp_file_tolerant(ringmarch_solver* solver, const char* filename) {
  return guarded(solver, [&](ringmarch::RingmarchObject& object) -> OperationResult {
    ringmarch::TspReadReport report;
    const OperationResult read = object.ReadTspFileTolerant(fileNameOf(filename), &report);
    if (read != RINGMARCH_OK) pendReadRefusal(report);
    return read;
  });
}

ringmarch_result ringmarch_has_coordinates(ringmarch_solver* solver, int32_t* value) {
  return guarded(solver, [&](ringmarch::RingmarchObject& object) -> OperationResult {
    if (object.state() == ringmarch::ObjectState::NoInstance) {
      return ringmarch::resultValueOf(ErrorCode::InstanceNotCreated);
    }
    if (value == nullptr) return RINGMARCH_E_POINTER;
    *value = object.instance().hasCoordinates == 1 ? 1 : 0;
    return RINGMARCH_OK;
  });
}

void ringmarch_instance_destroy(ringmarch_instance* instance) {
  delete instance;
}

ringmarch_result ringmarch_instance_cities(const ringmarch_instance* instance, int32_t* count) {
  if (instance == nullptr || count == nullptr) return recorded(RINGMARCH_E_POINTER);
  *count = instance->instance.size();
  return RINGMARCH_OK;
}

ringmarch_result ringmarch_instance_distance(const ringmarch_instance* instance, int32_t from,
                                             int32_t to, int32_t* value) {
  if (instance == nullptr || value == nullptr) return recorded(RINGMARCH_E_POINTER);
  const int32_t cities = instance->instance.size();
  if (from < 0 || from >= cities || to < 0 || to >= cities) {
    return recorded(ringmarch::resultValueOf(ErrorCode::CityIdOutOfRange));
  }
  *value = instance->instance.distance(from, to);
  return RINGMARCH_OK;
}

ringmarch_result ringmarch_instance_has_coordinates(const ringmarch_instance* instance,
                                                    int32_t* value) {
  if (instance == nullptr || value == nullptr) return recorded(RINGMARCH_E_POINTER);
  *value = instance->instance.hasPicture() ? 1 : 0;
  return RINGMARCH_OK;
}

ringmarch_result ringmarch_load_instance(ringmarch_solver* solver,
                                         const ringmarch_instance* instance) {
  if (instance == nullptr) return recorded(RINGMARCH_E_POINTER);
  return guarded(solver, [&](ringmarch::RingmarchObject& object) -> OperationResult {
    const int32_t cities = instance->instance.size();
    if (cities > ringmarch::kMaxCities) {
      tlsPendingDetail.reason = std::to_string(cities) + " cities; the solver takes at most " +
                                std::to_string(ringmarch::kMaxCities);
      tlsPendingDetail.line = 0;
      return ringmarch::resultValueOf(ErrorCode::TooManyCities);
    }
    const std::unique_ptr<ringmarch::ProblemData> problem =
        ringmarch::problemOf(instance->instance);
    if (!problem) return ringmarch::resultValueOf(ErrorCode::OutOfMemory);
    return object.LoadProblem(*problem);
  });
}

ringmarch_result ringmarch_solve_instance(const ringmarch_instance* instance,
                                          const ringmarch_solve_request* request,
                                          ringmarch_solution* solution) {
  return ringmarch_solve_instance_with_statistics(instance, request, solution, nullptr);
}

ringmarch_result ringmarch_solve_instance_with_statistics(const ringmarch_instance* instance,
                                                          const ringmarch_solve_request* request,
                                                          ringmarch_solution* solution,
                                                          ringmarch_engine_statistics* statistics) {
  if (instance == nullptr || solution == nullptr) return recorded(RINGMARCH_E_POINTER);
  emptySolution(*solution);
  if (statistics != nullptr) std::memset(statistics, 0, sizeof *statistics);
  ringmarch_solve_request settings;
  ringmarch_solve_request_init(&settings);
  if (request != nullptr) settings = *request;
  if (!validSolveRequest(settings)) return recorded(RINGMARCH_E_INVALIDARG);
  return withoutExceptions([&]() -> OperationResult {
    CallbackWatcher watcher(settings.progress, settings.user_data,
                            settings.progress_interval_seconds);
    const ringmarch::SolveResult solved =
        ringmarch::solve(instance->instance, layerRequestOf(settings, watcher));
    if (solved.refused()) return refusedSolve(solved);
    if (!fillSolution(solved, *solution)) {
      return ringmarch::resultValueOf(ErrorCode::OutOfMemory);
    }
    fillStatistics(solved, statistics);
    return RINGMARCH_OK;
  });
}

ringmarch_result ringmarch_solve_held(ringmarch_solver* solver,
                                      const ringmarch_solve_request* request,
                                      ringmarch_solution* solution) {
  return ringmarch_solve_held_with_statistics(solver, request, solution, nullptr);
}

ringmarch_result ringmarch_solve_held_with_statistics(ringmarch_solver* solver,
                                                      const ringmarch_solve_request* request,
                                                      ringmarch_solution* solution,
                                                      ringmarch_engine_statistics* statistics) {
  if (solution == nullptr) return recorded(RINGMARCH_E_POINTER);
  emptySolution(*solution);
  if (statistics != nullptr) std::memset(statistics, 0, sizeof *statistics);
  ringmarch_solve_request settings;
  ringmarch_solve_request_init(&settings);
  if (request != nullptr) settings = *request;
  if (!validSolveRequest(settings)) return recorded(RINGMARCH_E_INVALIDARG);
  return guarded(solver, [&](ringmarch::RingmarchObject& object) -> OperationResult {
    ringmarch::SolveResult solved;
    const OperationResult result = solveHeld(object, settings, solved);
    if (result != RINGMARCH_OK) return result;
    if (!fillSolution(solved, *solution)) {
      return ringmarch::resultValueOf(ErrorCode::OutOfMemory);
    }
    fillStatistics(solved, statistics);
    return RINGMARCH_OK;
  });
}

void ringmarch_solution_free(ringmarch_solution* solution) {
  if (solution == nullptr) return;
  std::free(solution->tour);
  emptySolution(*solution);
}

int32_t ringmarch_last_error_code(void) {
  return tlsLastFailure.code;
}

ringmarch_result ringmarch_last_error_result(void) {
  return tlsLastFailure.result;
}

const char* ringmarch_last_error_message(void) {
  return tlsLastFailure.message.c_str();
}

const char* ringmarch_last_error_gloss(void) {
  return tlsLastFailure.gloss.c_str();
}

const char* ringmarch_last_error_reason(void) {
  return tlsLastFailure.reason.c_str();
}

int32_t ringmarch_last_error_line(void) {
  return tlsLastFailure.line;
}

void ringmarch_clear_last_error(void) {
  tlsLastFailure.code = 0;
  tlsLastFailure.result = RINGMARCH_OK;
  tlsLastFailure.message.clear();
  tlsLastFailure.gloss.clear();
  tlsLastFailure.reason.clear();
  tlsLastFailure.line = 0;
}

const char* ringmarch_error_name(int32_t code) {
  // errorName answers string literals too.
  return ringmarch::errorName(static_cast<ErrorCode>(code)).data();
}

const char* ringmarch_error_message(int32_t code) {
  return messageOf(code);
}

const char* ringmarch_error_gloss(int32_t code) {
  return isKnownCode(code) ? glossOf(code) : "";
}

}  // extern "C"
