#include "support/node_fixture.h"

#include <cstring>

namespace ringmarch::testing {

NodeFixture::NodeFixture(int n)
    : state_(std::make_unique<SolverState>()), arcStorage_(std::make_unique<ArcStorage>()) {
  arcs_ = &arcStorage_->cells;
  initProblemData(state_->workProblem);
  state_->workProblem.count = n;
  state_->cityCount = n;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      state_->workProblem.rows[i].dist[j] = i == j ? 0 : 100;
      state_->distance[i][j] = i == j ? 0 : 100;
    }
  }
  state_->bestLength = 0;
  context_ = std::make_unique<SearchContext>(SearchContext{*state_, options_, statistics_});
  initTour(path_, &state_->workProblem, -1);
  std::memset(arcs_, 0, sizeof(ArcTable));
  node_.path = &path_;
  node_.arcCache = arcs_;
  // Room for every city's entry and every edge, so that entry and edge addresses stay put.
  entries_.reserve(kRowCount);
  edges_.reserve(kRowCount * kRowCount);
}

NodeFixture::~NodeFixture() = default;

void NodeFixture::setDistance(int a, int b, std::int32_t d) {
  state_->distance[a][b] = d;
  state_->distance[b][a] = d;
  state_->workProblem.rows[a].dist[b] = d;
  state_->workProblem.rows[b].dist[a] = d;
}

void NodeFixture::addEntry(std::int32_t city, std::initializer_list<EdgeBits> edges) {
  CityCandidates entry{};
  entry.city = city;
  entry.insertCost = kUnsetCost;
  entry.edges = edges_.data() + edges_.size();
  entry.minOutCity = -1;
  entry.minInCity = -1;
  for (const EdgeBits& bits : edges) {
    edges_.push_back(CandidateEdge{bits.city, bits.dirs, kUnsetCost});
    entry.edgeCount += 1;
    if (bits.dirs & kOutgoing) {
      entry.outCount += 1;
      (*arcs_)[city][bits.city] = 1;
    }
    if (bits.dirs & kIncoming) {
      entry.inCount += 1;
      (*arcs_)[bits.city][city] = 1;
    }
  }
  entries_.push_back(entry);
  node_.entries = entries_.data();
  node_.entryCount = static_cast<std::int32_t>(entries_.size());
  node_.entryOfCity[city] = &entries_.back();
  if (city == path_.currentCity) node_.currentEntry = &entries_.back();
}

void NodeFixture::finishEntries(std::int32_t bestLength) {
  state_->bestLength = 1 << 30;
  node_.outSum = node_.inSum = node_.adjustSum = 0;
  for (CityCandidates& entry : entries_) {
    entry.minOut = entry.minIn = 0;
    entry.adjust = 0;
    refreshCityBound(*context_, node_, entry.city);
  }
  state_->bestLength = bestLength;
}

std::vector<std::pair<std::int32_t, int>> NodeFixture::edgesOf(std::int32_t city) {
  std::vector<std::pair<std::int32_t, int>> result;
  const CityCandidates& entry = *node_.entryOfCity[city];
  for (int k = 0; k < entry.edgeCount; ++k) {
    result.emplace_back(entry.edges[k].city, entry.edges[k].dirs);
  }
  return result;
}

}  // namespace ringmarch::testing
