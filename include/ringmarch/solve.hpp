// The one way every front end solves: an instance of any size and a request (which engine, a
// time limit, a watcher) in, a tour with what is proven about it out. The layer picks the engine,
// refuses what an engine cannot take (as a value with a code and a reason, never by exit or
// exception), maps the time limit and the watcher onto each engine's own listening, and says
// `optimal` only when the engine proved it in whole-number arithmetic.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <ringmarch/errors.hpp>
#include <ringmarch/instance.hpp>
#include <ringmarch/progress.hpp>

namespace ringmarch {

// canonical: the exact branch-and-bound of up to 127 cities (asymmetric: up to 63, through the
// symmetric form of twice the cities). tour: a local-search tour and the Held-Karp bound, for any
// size; optimal only when the bound meets the tour. cut: the LP-based branch and cut, exact for
// any size (where it is built). auto: canonical where it applies, otherwise cut (tour in a build
// without it).
enum class Engine : std::uint8_t { Auto, Canonical, Tour, Cut };

// "auto", "canonical", "tour", "cut".
std::string_view engineName(Engine engine);
// The engines a caller may ask for by name: auto, canonical, tour and cut.
std::optional<Engine> engineNamed(std::string_view name);

struct SolveRequest {
  Engine engine = Engine::Auto;
  std::optional<double> timeLimitSeconds;  // from the start of solve(); none: no limit
  RunWatcher* watcher = nullptr;           // progress and stop requests; may be null
};

enum class SolveStatus : std::uint8_t {
  Optimal,    // the tour is proven shortest: lowerBound == length
  NotProven,  // a valid tour; why it is not proven: stopReason, or reason when the run finished
  Refused,    // no tour: refusal and reason say why
};

struct SolveStageSeconds {
  double load = 0.0;         // the engine's working copy of the instance
  double initialTour = 0.0;  // the first tour and its improvement
  double search = 0.0;       // the exact search, or the lower bound
};

struct SolveCounts {
  std::uint64_t nodes = 0;           // search nodes evaluated (canonical), kicks tried (tour)
  std::int64_t initialLength = 0;    // the first tour's length
  std::int64_t improvedLength = 0;   // that tour after local search
  std::int64_t firstLevelBound = 0;  // canonical: the first level's Lagrangian bound (0: none)
  SolveStageSeconds stages;
  // cut: the LP's work, and the cuts found per family.
  std::uint64_t lpIterations = 0;
  double lpSeconds = 0.0;
  std::uint64_t cutRounds = 0;
  std::uint64_t subtourCuts = 0;
  std::uint64_t blossomCuts = 0;
  std::uint64_t combCuts = 0;
  std::uint64_t localCuts = 0;
  std::uint64_t poolCuts = 0;         // pooled cuts put back into the LP
  std::uint64_t pricedEdges = 0;      // edges the pricing added to the LP
  std::uint64_t eliminatedEdges = 0;  // edges reduced-cost fixing removed
  std::int64_t rootBound = 0;         // the root's proven bound
  double seconds = 0.0;               // the whole solve, wall time
};

struct SolveResult {
  SolveStatus status = SolveStatus::Refused;
  std::vector<int> tour;  // 0-based, every city once (empty when refused)
  std::int64_t length = 0;
  // A proven lower bound on every tour (the length itself when Optimal); none when the engine
  // stopped before it had one.
  std::optional<std::int64_t> lowerBound;
  StopReason stopReason = StopReason::None;  // NotProven by a stop: which
  // Refused: the code a front end reports. NotProven without a stop, or Refused: in words.
  ErrorCode refusal = ErrorCode::Success;
  std::string reason;
  Engine engine = Engine::Auto;  // the engine that ran (Auto only when refused before a choice)
  // auto only: the canonical engine evaluated this many nodes without finishing, and the cut
  // engine took over from its best tour (0: no hand-over).
  std::uint64_t handedOverAfter = 0;
  bool asymmetric = false;  // the instance's distances are not symmetric
  SolveCounts counts;

  bool optimal() const { return status == SolveStatus::Optimal; }
  bool refused() const { return status == SolveStatus::Refused; }
};

// The engine auto picks for an instance of this size and symmetry.
Engine automaticEngine(int cities, bool symmetric);
// auto: the canonical engine's nodes after which the cut engine takes over an instance it has
// not finished (in builds with the cut engine). A count, never a clock.
inline constexpr std::uint64_t kHandOverNodes = 5'000;
// Whether this build has the cut engine.
bool hasCutEngine();

SolveResult solve(const Instance& instance, const SolveRequest& request);

}  // namespace ringmarch
