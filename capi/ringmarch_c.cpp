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

#include "model/asymmetric_solve.h"
#include "model/error_reporting.h"
#include "model/ringmarch_object.h"
#include "solver/solve_driver.h"

struct ringmarch_solver {
  ringmarch::RingmarchObject object;
};

namespace {

using ringmarch::ErrorCode;
using ringmarch::OperationResult;

// English explanations of the codes' messages, index = code.
constexpr std::array<const char*, ringmarch::kErrorCodeCount + 1> kGlosses = {
    "",
    "the file could not be opened; it may not exist",
    "the file could not be read; it may be damaged",
    "the file could not be written; the disk may be full or damaged",
    "the file format is invalid",
    "memory is insufficient",
    "more than 127 cities",
    "a city number is out of range, or fewer than 3 cities to solve",
    "a coordinate is out of range (0 to 9999 when set one by one) or not finite",
    "distances must be 0 to 14141, and tour lengths must fit 32 bits",
    "the distance of a city to itself must be 0",
    "different cities must be a positive distance apart",
    "distances must be symmetric",
    "no instance has been created",
    "the instance has not been solved",
    "the file type is not supported (1 = EUC2D, 2 = FULLMATRIX)",
};

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
};

thread_local LastFailure tlsLastFailure;

void setLastFailure(ringmarch_result result, std::int32_t code, std::string_view message,
                    std::string_view gloss) noexcept {
  LastFailure& last = tlsLastFailure;
  last.code = code;
  last.result = result;
  try {
    last.message.assign(message);
    last.gloss.assign(gloss);
  } catch (...) {
    // Without memory for the texts the code and result value still tell the failure.
    last.message.clear();
    last.gloss.clear();
  }
}

// Records a failing result value as the thread's last failure and hands it back.
ringmarch_result recorded(ringmarch_result result) noexcept {
  if (result == RINGMARCH_OK) return result;
  if ((result & 0xFFFFFF00u) == 0x80040300u && isKnownCode(result & 0xFFu)) {
    const auto code = static_cast<std::int32_t>(result & 0xFFu);
    setLastFailure(result, code, messageOf(code), kGlosses[static_cast<std::size_t>(code)]);
  } else if (result == RINGMARCH_E_POINTER) {
    setLastFailure(result, 0, "a required pointer argument is null",
                   "a required pointer argument is null");
  } else if (result == RINGMARCH_E_INVALIDARG) {
    setLastFailure(result, 0, "an argument is out of its range", "an argument is out of its range");
  } else {
    setLastFailure(result, 0, "unexpected failure", "unexpected failure");
  }
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

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Ends the search at the time limit and hands the progress to the caller's callback.
class OptionsMonitor final : public ringmarch::SolveMonitor {
 public:
  OptionsMonitor(const ringmarch_solve_options& options,
                 std::chrono::steady_clock::time_point started)
      : options_(options), started_(started) {}

  bool onProgress(const ringmarch::SolveProgress& progress) override { return check(progress); }
  // Inside the first level's long evaluation: the same time limit and callback (the callback
  // is still called only at its interval).
  bool keepGoing(const ringmarch::SolveProgress& progress) override { return check(progress); }

  std::int32_t stoppedBy() const { return stoppedBy_; }

 private:
  bool check(const ringmarch::SolveProgress& progress) {
    const double elapsed = secondsSince(started_);
    if (options_.time_limit_seconds > 0.0 && elapsed >= options_.time_limit_seconds) {
      stoppedBy_ = RINGMARCH_STOPPED_BY_TIME_LIMIT;
      return false;
    }
    if (options_.progress != nullptr && elapsed >= nextCallAt_) {
      nextCallAt_ = elapsed + options_.progress_interval_seconds;
      const ringmarch_progress report = {progress.evaluatedNodes, progress.bestLength, elapsed};
      if (options_.progress(&report, options_.user_data) != RINGMARCH_CONTINUE) {
        stoppedBy_ = RINGMARCH_STOPPED_BY_CALLBACK;
        return false;
      }
    }
    return true;
  }

  ringmarch_solve_options options_;
  std::chrono::steady_clock::time_point started_;
  double nextCallAt_ = 0.0;
  std::int32_t stoppedBy_ = RINGMARCH_STOPPED_BY_NOTHING;
};

// The search is symmetric: asymmetric distances are solved exactly through the symmetric form
// of twice the cities (at most kMaxAsymmetricCities of them). Beyond that, or when the form's
// lengths would not fit, the symmetric search still gives a valid tour, measured in its listed
// direction, and exact tells that it is not proven.
OperationResult solveExactlyWherePossible(ringmarch::RingmarchObject& object,
                                          const ringmarch::SolveOptions& options,
                                          ringmarch::SolveStatistics& solved, std::int32_t* length,
                                          bool& exact) {
  const ringmarch::ProblemData& instance = object.instance();
  const bool asymmetric = object.state() != ringmarch::ObjectState::NoInstance &&
                          instance.count >= 3 && ringmarch::hasAsymmetricDistances(instance);
  exact = !asymmetric;
  if (asymmetric && instance.count <= ringmarch::kMaxAsymmetricCities && length != nullptr) {
    const OperationResult result = object.SolveAsymmetricWith(options, &solved, length);
    if (result != ringmarch::resultValueOf(ErrorCode::DistanceOutOfRange) ||
        !ringmarch::tourLengthsFit(instance)) {
      exact = true;
      return result;
    }
    ringmarch::clearLastError();
    solved = ringmarch::SolveStatistics{};
  }
  return object.SolveWith(options, &solved, length);
}

bool validSeconds(double seconds) {
  return std::isfinite(seconds) && seconds >= 0.0;
}

}  // namespace

extern "C" {

const char* ringmarch_version(void) {
  return RINGMARCH_VERSION;
}

ringmarch_result ringmarch_create(ringmarch_solver** solver) {
  if (solver == nullptr) return recorded(RINGMARCH_E_POINTER);
  *solver = nullptr;
  return withoutExceptions([&]() -> OperationResult {
    *solver = new ringmarch_solver{};
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
    const ringmarch::TourRecord& tour = object.tour();
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
  return guarded(solver, [&](ringmarch::RingmarchObject& object) {
    const auto started = std::chrono::steady_clock::now();
    OptionsMonitor monitor(settings, started);
    ringmarch::SolveOptions solveOptions;
    if (settings.time_limit_seconds > 0.0 || settings.progress != nullptr) {
      solveOptions.monitor = &monitor;
      // One clock reading per few nodes keeps the limit close at no measurable cost.
      solveOptions.progressInterval = 8;
    }
    ringmarch::SolveStatistics solved;
    bool exact = true;
    const OperationResult result =
        solveExactlyWherePossible(object, solveOptions, solved, length, exact);
    if (statistics != nullptr) {
      statistics->optimal = result == ringmarch::kSuccessResult && !solved.stopped && exact ? 1 : 0;
      statistics->stopped_by = monitor.stoppedBy();
      statistics->initial_length = solved.initialLength;
      statistics->evaluated_nodes = solved.evaluatedNodes;
      statistics->seconds = secondsSince(started);
      statistics->load_seconds = solved.loadSeconds;
      statistics->initial_tour_seconds = solved.initialTourSeconds;
      statistics->search_seconds = solved.searchSeconds;
    }
    return result;
  });
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

void ringmarch_clear_last_error(void) {
  tlsLastFailure.code = 0;
  tlsLastFailure.result = RINGMARCH_OK;
  tlsLastFailure.message.clear();
  tlsLastFailure.gloss.clear();
}

const char* ringmarch_error_name(int32_t code) {
  // errorName answers string literals too.
  return ringmarch::errorName(static_cast<ErrorCode>(code)).data();
}

const char* ringmarch_error_message(int32_t code) {
  return messageOf(code);
}

const char* ringmarch_error_gloss(int32_t code) {
  return isKnownCode(code) ? kGlosses[static_cast<std::size_t>(code)] : "";
}

}  // extern "C"
