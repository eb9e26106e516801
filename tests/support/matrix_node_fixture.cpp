#include "support/matrix_node_fixture.h"

#include <cmath>
#include <cstring>

namespace ringmarch::testing {

namespace {

std::unique_ptr<SolverState> stateFor(const std::vector<std::vector<std::int32_t>>& distances) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  problem->count = static_cast<std::int32_t>(distances.size());
  for (std::size_t i = 0; i < distances.size(); ++i) {
    for (std::size_t j = 0; j < distances.size(); ++j) {
      problem->rows[i].dist[j] = distances[i][j];
    }
  }
  auto state = std::make_unique<SolverState>();
  loadWorkingCopy(*state, *problem);
  state->bestLength = 0;
  return state;
}

}  // namespace

MatrixNodeFixture::MatrixNodeFixture(const std::vector<std::vector<std::int32_t>>& distances)
    : state_(stateFor(distances)),
      path_(std::make_unique<TourRecord>()),
      arcBox_(std::make_unique<ArcTableBox>()),
      arcTable_(&arcBox_->cells),
      context_{*state_, options_, statistics_} {
  initTour(*path_, &state_->workProblem, state_->cityCount);
  std::memset(arcTable_, 0, sizeof(ArcTable));
  node_.path = path_.get();
}

std::vector<std::vector<std::int32_t>> MatrixNodeFixture::euclidean(
    const std::vector<std::pair<double, double>>& points) {
  std::vector<std::vector<std::int32_t>> distances(points.size(),
                                                   std::vector<std::int32_t>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) {
    for (std::size_t j = 0; j < points.size(); ++j) {
      const double dx = points[i].first - points[j].first;
      const double dy = points[i].second - points[j].second;
      distances[i][j] = static_cast<std::int32_t>(std::floor(std::sqrt(dx * dx + dy * dy) + 0.5));
    }
  }
  return distances;
}

void MatrixNodeFixture::setPath(const std::vector<std::int32_t>& cities) {
  for (std::int32_t city : cities) appendCity(*path_, city);
}

bool MatrixNodeFixture::build(const std::function<bool(std::int32_t, std::int32_t)>& keepArc) {
  const std::int32_t n = state_->cityCount;
  const TourRecord& path = *path_;
  entries_.assign(static_cast<std::size_t>(n) + 1, CityCandidates{});
  pool_.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n) + 1, CandidateEdge{});
  node_ = SearchNode{};
  node_.path = path_.get();
  node_.entries = entries_.data();
  node_.entryCapacity = n + 1;
  node_.edgePool = pool_.data();
  node_.edgeCapacity = static_cast<std::int32_t>(pool_.size());
  node_.arcCache = arcTable_;
  std::memset(arcTable_, 0, sizeof(ArcTable));

  const auto allowed = [&](std::int32_t tail, std::int32_t head) {
    return !keepArc || keepArc(tail, head);
  };
  std::size_t used = 0;
  for (std::int32_t c = 0; c < n; ++c) {
    const std::uint8_t f = path.freeEnds[c];
    if (f == 0) continue;
    CityCandidates& entry = entries_[static_cast<std::size_t>(node_.entryCount++)];
    node_.entryOfCity[c] = &entry;
    if (c == path.currentCity) node_.currentEntry = &entry;
    entry.city = c;
    entry.insertCost = kUnsetCost;
    entry.minOutCity = -1;
    entry.minInCity = -1;
    entry.edges = &pool_[used];
    for (std::int32_t k = 1; k < n; ++k) {
      const std::int32_t j = state_->workProblem.rows[c].neighbourOrder[k];
      const std::uint8_t g = path.freeEnds[j];
      if ((f & g) == 0) continue;
      std::uint8_t bits = 0;
      if ((f & kSuccessorFree) && (g & kPredecessorFree) && allowed(c, j)) bits |= kOutgoing;
      if ((f & kPredecessorFree) && (g & kSuccessorFree) && allowed(j, c)) bits |= kIncoming;
      if (bits == 0) continue;
      pool_[used++] = CandidateEdge{j, bits, kUnsetCost};
      entry.edgeCount += 1;
      if (bits & kOutgoing) {
        entry.outCount += 1;
        (*arcTable_)[c][j] = 1;
      }
      if (bits & kIncoming) entry.inCount += 1;
    }
  }
  bool feasible = true;
  for (std::int32_t i = 0; i < node_.entryCount && feasible; ++i) {
    feasible = refreshCityBound(context_, node_, entries_[static_cast<std::size_t>(i)].city);
  }
  return feasible;
}

std::uint8_t MatrixNodeFixture::dirs(std::int32_t c, std::int32_t j) const {
  if (path_->freeEnds[c] == 0) return 0;
  const CityCandidates& entry = *node_.entryOfCity[c];
  for (std::int32_t k = 0; k < entry.edgeCount; ++k) {
    if (entry.edges[k].city == j) return entry.edges[k].dirs;
  }
  return 0;
}

std::vector<std::int32_t> MatrixNodeFixture::edgeCities(std::int32_t c) const {
  std::vector<std::int32_t> cities;
  const CityCandidates& entry = *node_.entryOfCity[c];
  for (std::int32_t k = 0; k < entry.edgeCount; ++k) cities.push_back(entry.edges[k].city);
  return cities;
}

std::vector<std::pair<std::int32_t, std::int32_t>> MatrixNodeFixture::arcs() const {
  std::vector<std::pair<std::int32_t, std::int32_t>> result;
  for (std::int32_t i = 0; i < node_.entryCount; ++i) {
    const CityCandidates& entry = node_.entries[i];
    for (std::int32_t k = 0; k < entry.edgeCount; ++k) {
      if (entry.edges[k].dirs & kOutgoing) result.emplace_back(entry.city, entry.edges[k].city);
    }
  }
  return result;
}

}  // namespace ringmarch::testing
