// The solve layer's entry: checks a request against the instance, picks the engine (auto:
// canonical where it applies, otherwise tour), makes the one run control of the request and runs
// the engine. Reads the instance and the request; the result's status is Optimal only when the
// engine proved it, and a refusal is a value with a code and a reason.
#include "solve/solve.h"

#include <chrono>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "object/asymmetric_solve.h"
#include "solve/engines.h"
#include "solve/problem_conversion.h"
#include "tsplib/tolerant_tsp_reader.h"

namespace ringmarch {
namespace {

SolveResult refusal(Engine engine, ErrorCode code, std::string reason) {
  SolveResult result;
  result.engine = engine;
  result.status = SolveStatus::Refused;
  result.refusal = code;
  result.reason = std::move(reason);
  return result;
}

std::string citiesText(int count) {
  return std::to_string(count) + (count == 1 ? " city" : " cities");
}

// The refusal of a request before an engine runs, if any; engine receives the engine to run.
std::optional<SolveResult> refusalOf(int cities, bool symmetric, const SolveRequest& request,
                                     Engine& engine) {
  engine = request.engine == Engine::Auto ? automaticEngine(cities, symmetric) : request.engine;
  if (cities < 3) {
    return refusal(engine, ErrorCode::CityIdOutOfRange,
                   "it has " + citiesText(cities) + "; a solve needs at least 3");
  }
  if (engine == Engine::Cut && !hasCutEngine()) {
    return refusal(engine, ErrorCode::Success, "the cut engine is not part of this build");
  }
  if (engine == Engine::Canonical && cities > kMaxCities) {
    return refusal(
        engine, ErrorCode::TooManyCities,
        citiesText(cities) + "; the canonical engine takes at most " + std::to_string(kMaxCities));
  }
  return std::nullopt;
}

// The canonical engine, and under auto the cut engine after it when the search reached its node
// limit: the cut engine starts from the search's best tour.
SolveResult canonicalThenCut(const ProblemData& problem, const SolveRequest& request,
                             RunControl& control, const Instance* instance) {
  const bool handOver = request.engine == Engine::Auto && hasCutEngine();
  SolveResult first = runCanonicalEngine(problem, control, handOver ? kHandOverNodes : 0);
  if (first.handedOverAfter == 0) return first;
  std::optional<Instance> converted;
  if (instance == nullptr) {
    converted = instanceOf(problem);
    if (!converted) return first;
    instance = &*converted;
  }
  SolveResult second = runCutEngine(*instance, control, first.tour);
  if (second.refused()) return first;
  second.handedOverAfter = first.handedOverAfter;
  second.counts.initialLength = first.counts.initialLength;
  second.counts.improvedLength = first.counts.improvedLength;
  second.counts.firstLevelBound = first.counts.firstLevelBound;
  // The first tour is the canonical engine's; everything after it, the cut engine's run
  // included, is the search.
  const SolveStageSeconds& cut = second.counts.stages;
  second.counts.stages = {first.counts.stages.load, first.counts.stages.initialTour,
                          first.counts.stages.search + cut.load + cut.initialTour + cut.search};
  return second;
}

template <typename Run>
SolveResult timed(Run run) {
  const auto started = std::chrono::steady_clock::now();
  SolveResult result = run();
  result.counts.seconds = secondsSince(started);
  return result;
}

}  // namespace

std::string_view engineName(Engine engine) {
  switch (engine) {
    case Engine::Auto:
      return "auto";
    case Engine::Canonical:
      return "canonical";
    case Engine::Tour:
      return "tour";
    case Engine::Cut:
      return "cut";
  }
  return "auto";
}

std::optional<Engine> engineNamed(std::string_view name) {
  if (name == "auto") return Engine::Auto;
  if (name == "canonical") return Engine::Canonical;
  if (name == "tour") return Engine::Tour;
  if (name == "cut") return Engine::Cut;
  return std::nullopt;
}

bool hasCutEngine() {
#ifdef RINGMARCH_HAVE_CUT_ENGINE
  return true;
#else
  return false;
#endif
}

Engine automaticEngine(int cities, bool symmetric) {
  const int canonicalLimit = symmetric ? kMaxCities : kMaxAsymmetricCities;
  if (cities <= canonicalLimit) return Engine::Canonical;
  return hasCutEngine() ? Engine::Cut : Engine::Tour;
}

SolveResult solve(const Instance& instance, const SolveRequest& request) {
  return timed([&] {
    Engine engine = Engine::Auto;
    if (auto refused = refusalOf(instance.size(), instance.isSymmetric(), request, engine)) {
      return std::move(*refused);
    }
    RunControl control(request.timeLimitSeconds, request.watcher);
    if (engine == Engine::Tour) return runTourEngine(instance, control);
    if (engine == Engine::Cut) return runCutEngine(instance, control);
    const std::unique_ptr<ProblemData> problem = problemOf(instance);
    if (!problem) return refusal(engine, ErrorCode::OutOfMemory, "no memory for the problem");
    return canonicalThenCut(*problem, request, control, &instance);
  });
}

SolveResult solve(const ProblemData& problem, const SolveRequest& request) {
  return timed([&] {
    Engine engine = Engine::Auto;
    const bool symmetric = !hasAsymmetricDistances(problem);
    if (auto refused = refusalOf(problem.count, symmetric, request, engine)) {
      return std::move(*refused);
    }
    RunControl control(request.timeLimitSeconds, request.watcher);
    if (engine == Engine::Canonical) return canonicalThenCut(problem, request, control, nullptr);
    std::string reason;
    const std::optional<Instance> instance = instanceOf(problem, &reason);
    if (!instance) return refusal(engine, ErrorCode::CityIdOutOfRange, reason);
    if (engine == Engine::Cut) return runCutEngine(*instance, control);
    return runTourEngine(*instance, control);
  });
}

}  // namespace ringmarch
