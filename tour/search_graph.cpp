// Builds the search graph of an instance: its cost rule (the instance, or its symmetric 2n form
// for a directed instance), its fixed edges and its candidate lists. Candidate lists follow
// Johnson & McGeoch, "The TSP: a case study in local optimization" (1997): for coordinates the
// nearest neighbours and the nearest in each of the four quadrants around the city (found with a
// uniform grid, so that 100,000 cities take a fraction of a second), for matrices the k nearest.
// Coordinate instances of up to kDistanceMatrixLimit cities keep their distances in a matrix,
// computed once (each pair once: the rules are symmetric). Reads the instance; the result is a
// function of it and the list sizes alone.
#include "tour/search_graph.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace ringmarch::tour {
namespace {

int findRoot(std::vector<int>& root, int a) {
  while (root[static_cast<std::size_t>(a)] != a) {
    const int up = root[static_cast<std::size_t>(root[static_cast<std::size_t>(a)])];
    root[static_cast<std::size_t>(a)] = up;
    a = up;
  }
  return a;
}

// A short list of the closest points seen so far, kept sorted by (squared distance, city).
struct Closest {
  int capacity = 0;
  int count = 0;
  double key[16];
  int city[16];

  bool full() const { return count == capacity; }
  double worst() const { return count == 0 ? 0.0 : key[count - 1]; }
  void offer(double k, int c) {
    if (capacity == 0) return;
    if (full() && !(k < key[count - 1] || (k == key[count - 1] && c < city[count - 1]))) return;
    int at = full() ? count - 1 : count++;
    while (at > 0 && (k < key[at - 1] || (k == key[at - 1] && c < city[at - 1]))) {
      key[at] = key[at - 1];
      city[at] = city[at - 1];
      --at;
    }
    key[at] = k;
    city[at] = c;
  }
};

}  // namespace

SearchGraph::SearchGraph(const Instance& instance) : instance_(&instance) {
  const int n = instance.size();
  twin_ = !instance.isSymmetric() && n > 2;
  size_ = twin_ ? 2 * n : n;
  fixedPartner_.assign(2 * static_cast<std::size_t>(size_), -1);
  fixedRoot_.resize(static_cast<std::size_t>(size_));
  std::iota(fixedRoot_.begin(), fixedRoot_.end(), 0);
  if (twin_) {
    for (int i = 0; i < n; ++i) addFixedEdge(i, i + n);
  }
  if (!twin_ && !instance.isExplicit() && n <= kDistanceMatrixLimit) {
    const auto side = static_cast<std::size_t>(n);
    matrix_.assign(side * side, 0);
    for (int a = 0; a < n; ++a) {
      for (int b = a + 1; b < n; ++b) {
        const std::int32_t d = instance.distance(a, b);
        matrix_[static_cast<std::size_t>(a) * side + static_cast<std::size_t>(b)] = d;
        matrix_[static_cast<std::size_t>(b) * side + static_cast<std::size_t>(a)] = d;
      }
    }
  }
}

bool SearchGraph::addFixedEdge(int a, int b) {
  if (a < 0 || b < 0 || a >= size_ || b >= size_ || a == b) return false;
  if (isFixed(a, b)) return true;
  if (fixedCount(a) == 2 || fixedCount(b) == 2) return false;
  const int ra = findRoot(fixedRoot_, a);
  const int rb = findRoot(fixedRoot_, b);
  if (ra == rb) return false;
  fixedRoot_[static_cast<std::size_t>(ra)] = rb;
  const auto ia = static_cast<std::size_t>(a);
  const auto ib = static_cast<std::size_t>(b);
  fixedPartner_[2 * ia + (fixedPartner_[2 * ia] < 0 ? 0 : 1)] = b;
  fixedPartner_[2 * ib + (fixedPartner_[2 * ib] < 0 ? 0 : 1)] = a;
  return true;
}

void SearchGraph::buildCandidates(int nearest, int perQuadrant) {
  nearest = std::clamp(nearest, 1, 16);
  perQuadrant = std::clamp(perQuadrant, 0, 16);
  if (!twin_ && instance_->hasCoordinates() && !instance_->isExplicit()) {
    buildFromCoordinates(nearest, perQuadrant);
  } else {
    buildFromMatrix(nearest + perQuadrant);
  }
}

void SearchGraph::setLists(const std::vector<std::vector<int>>& lists) {
  candidateStart_.assign(lists.size() + 1, 0);
  for (std::size_t c = 0; c < lists.size(); ++c) {
    candidateStart_[c + 1] = candidateStart_[c] + lists[c].size();
  }
  candidates_.resize(candidateStart_.back());
  for (std::size_t c = 0; c < lists.size(); ++c) {
    std::copy(lists[c].begin(), lists[c].end(),
              candidates_.begin() + static_cast<std::ptrdiff_t>(candidateStart_[c]));
  }
}

void SearchGraph::buildFromMatrix(int nearest) {
  const int n = instance_->size();
  std::vector<std::vector<int>> lists(static_cast<std::size_t>(size_));
  std::vector<std::pair<std::int64_t, int>> row;
  row.reserve(static_cast<std::size_t>(size_));
  for (int a = 0; a < size_; ++a) {
    row.clear();
    for (int b = 0; b < size_; ++b) {
      if (b == a || (twin_ && (b == a + n || b == a - n))) continue;
      const std::int64_t c = cost(a, b);
      if (c >= kForbiddenCost) continue;
      row.emplace_back(c, b);
    }
    const std::size_t keep = std::min(row.size(), static_cast<std::size_t>(nearest));
    std::partial_sort(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(keep), row.end());
    auto& list = lists[static_cast<std::size_t>(a)];
    for (std::size_t k = 0; k < keep; ++k) list.push_back(row[k].second);
  }
  setLists(lists);
}

void SearchGraph::buildFromCoordinates(int nearest, int perQuadrant) {
  const int n = size_;
  std::vector<std::vector<int>> lists(static_cast<std::size_t>(n));
  if (n <= 1) {
    setLists(lists);
    return;
  }
  double lowX = instance_->x(0), highX = lowX, lowY = instance_->y(0), highY = lowY;
  for (int c = 1; c < n; ++c) {
    lowX = std::min(lowX, instance_->x(c));
    highX = std::max(highX, instance_->x(c));
    lowY = std::min(lowY, instance_->y(c));
    highY = std::max(highY, instance_->y(c));
  }
  // About two cities a cell.
  const double width = std::max(highX - lowX, 1e-9);
  const double height = std::max(highY - lowY, 1e-9);
  const double side = std::sqrt(width * height * 2.0 / n) + 1e-12;
  const int columns = std::clamp(static_cast<int>(width / side) + 1, 1, 2048);
  const int rows = std::clamp(static_cast<int>(height / side) + 1, 1, 2048);
  const double cellWidth = width / columns + 1e-12;
  const double cellHeight = height / rows + 1e-12;
  auto columnOf = [&](int c) {
    return std::min(columns - 1, static_cast<int>((instance_->x(c) - lowX) / cellWidth));
  };
  auto rowOf = [&](int c) {
    return std::min(rows - 1, static_cast<int>((instance_->y(c) - lowY) / cellHeight));
  };
  const std::size_t cells = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  std::vector<std::size_t> cellStart(cells + 1, 0);
  std::vector<int> cellOf(static_cast<std::size_t>(n));
  for (int c = 0; c < n; ++c) {
    cellOf[static_cast<std::size_t>(c)] = rowOf(c) * columns + columnOf(c);
    ++cellStart[static_cast<std::size_t>(cellOf[static_cast<std::size_t>(c)]) + 1];
  }
  for (std::size_t k = 0; k < cells; ++k) cellStart[k + 1] += cellStart[k];
  std::vector<int> cellCities(static_cast<std::size_t>(n));
  {
    std::vector<std::size_t> fill(cellStart.begin(), cellStart.end() - 1);
    for (int c = 0; c < n; ++c)
      cellCities[fill[static_cast<std::size_t>(cellOf[static_cast<std::size_t>(c)])]++] = c;
  }
  const double ringStep = std::min(cellWidth, cellHeight);
  const int maxRing = std::max(columns, rows);
  std::vector<std::pair<std::int64_t, int>> merged;
  for (int p = 0; p < n; ++p) {
    Closest all;
    all.capacity = nearest;
    Closest quadrant[4];
    for (Closest& q : quadrant) q.capacity = perQuadrant;
    const double px = instance_->x(p);
    const double py = instance_->y(p);
    const int pc = columnOf(p);
    const int pr = rowOf(p);
    for (int ring = 0; ring <= maxRing; ++ring) {
      for (int r = pr - ring; r <= pr + ring; ++r) {
        if (r < 0 || r >= rows) continue;
        const bool edgeRow = r == pr - ring || r == pr + ring;
        for (int col = pc - ring; col <= pc + ring; col += edgeRow ? 1 : 2 * ring) {
          if (col >= 0 && col < columns) {
            const std::size_t cell =
                static_cast<std::size_t>(r) * static_cast<std::size_t>(columns) +
                static_cast<std::size_t>(col);
            for (std::size_t k = cellStart[cell]; k < cellStart[cell + 1]; ++k) {
              const int q = cellCities[k];
              if (q == p) continue;
              const double dx = instance_->x(q) - px;
              const double dy = instance_->y(q) - py;
              const double key = dx * dx + dy * dy;
              all.offer(key, q);
              const int which = dx >= 0 ? (dy > 0 ? 0 : 3) : (dy >= 0 ? 1 : 2);
              quadrant[which].offer(key, q);
            }
          }
          if (ring == 0) break;
        }
      }
      // Cities of later rings lie at least ring * ringStep away.
      const double reach = ring * ringStep;
      const double reach2 = reach * reach;
      if (!all.full() || all.worst() > reach2) continue;
      bool done = true;
      for (const Closest& q : quadrant) {
        // A quadrant that stays short is given up once the search reaches three times the
        // distance of the nearest list: the far side of the instance is no useful neighbour.
        if ((!q.full() || q.worst() > reach2) && reach2 < 9.0 * all.worst()) done = false;
      }
      if (done) break;
    }
    merged.clear();
    auto take = [&](const Closest& list) {
      for (int k = 0; k < list.count; ++k) {
        const int q = list.city[k];
        bool seen = false;
        for (const auto& entry : merged) seen = seen || entry.second == q;
        if (!seen) merged.emplace_back(cost(p, q), q);
      }
    };
    take(all);
    for (const Closest& q : quadrant) take(q);
    std::sort(merged.begin(), merged.end());
    auto& list = lists[static_cast<std::size_t>(p)];
    for (const auto& entry : merged) list.push_back(entry.second);
  }
  setLists(lists);
}

bool SearchGraph::useCandidates(std::span<const std::vector<int>> lists) {
  if (lists.size() != static_cast<std::size_t>(size_)) return false;
  for (int a = 0; a < size_; ++a) {
    for (int b : lists[static_cast<std::size_t>(a)]) {
      if (b < 0 || b >= size_ || b == a || cost(a, b) >= kForbiddenCost) return false;
    }
  }
  candidateStart_.assign(lists.size() + 1, 0);
  for (std::size_t c = 0; c < lists.size(); ++c) {
    candidateStart_[c + 1] = candidateStart_[c] + lists[c].size();
  }
  candidates_.clear();
  for (const auto& list : lists) candidates_.insert(candidates_.end(), list.begin(), list.end());
  return true;
}

void SearchGraph::addTourEdges(std::span<const int> tour) {
  if (tour.size() != static_cast<std::size_t>(size_) || size_ < 2) return;
  std::vector<std::vector<int>> lists(static_cast<std::size_t>(size_));
  for (int c = 0; c < size_; ++c) {
    auto list = candidates(c);
    lists[static_cast<std::size_t>(c)].assign(list.begin(), list.end());
  }
  auto add = [&](int a, int b) {
    auto& list = lists[static_cast<std::size_t>(a)];
    if (std::find(list.begin(), list.end(), b) == list.end()) list.push_back(b);
  };
  for (std::size_t k = 0; k < tour.size(); ++k) {
    const int a = tour[k];
    const int b = tour[(k + 1) % tour.size()];
    add(a, b);
    add(b, a);
  }
  // Nearest first again: the search stops reading a list at the first neighbour too far away.
  for (int c = 0; c < size_; ++c) {
    auto& list = lists[static_cast<std::size_t>(c)];
    std::stable_sort(list.begin(), list.end(),
                     [&](int p, int q) { return cost(c, p) < cost(c, q); });
  }
  setLists(lists);
}

}  // namespace ringmarch::tour
