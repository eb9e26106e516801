// Lower bounds of the tour engine.
//
// Symmetric instances: Held and Karp's 1-tree bound (Held & Karp 1970, 1971). For any city
// penalties pi, w(pi) = (minimum 1-tree under c(i,j) = d(i,j) + pi_i + pi_j) - 2 * sum(pi) is no
// more than any tour's length, because a tour is a 1-tree whose every city has degree 2. The
// penalties are fixed point (units of 1 / scale of a distance) so that instances with short
// distances are not held back by whole-number steps; a value W in those units proves that every
// tour is at least ceil(W / scale) long, tours having whole-number lengths.
//
// The ascent follows Helsgaun ("An effective implementation of the Lin-Kernighan traveling
// salesman heuristic", 2000, section 4.1): the subgradient is the degree excess d - 2, the
// direction 0.7 of it and 0.3 of the previous one; the step is kept for a period, doubled at the
// start while W rises, and step and period are halved when a period ends (the period doubled
// when its last step still raised W); the 1-tree is a minimum spanning tree plus the second
// cheapest edge of the leaf where that edge is dearest. The ascent runs over a sparse graph (the
// candidate neighbours of each city, both ways) with Prim's method over a heap of cities whose keys
// fall in place. Its trees are
// not bounds; every bound is a 1-tree over the complete graph (Prim's quadratic form, distances
// those of the search graph: computed when asked, no n x n matrix, beyond a few thousand cities),
// taken with the best penalties and special city of the ascent. Edges of that tree missing from the
// sparse graph are added and the ascent resumed, a few times at most.
//
// Directed instances: the same bound on the symmetric 2n form (city i an entry i and an exit
// i + n, exit i to entry j costing d(i,j), the edge (i, i + n) in every tour, two entries or two
// exits never joined; Jonker & Volgenant 1983), its spanning trees holding every such fixed edge
// (Prim on the graph with each pair contracted), and the assignment bound (tour/assignment.cpp:
// Hungarian method in the shortest augmenting path form, Kuhn 1955), the higher of the two. Without
// the work for either: n times the smallest distance.
//
// Asked for, it also lists each city's candidate neighbours of least alpha-nearness under the
// final penalties (Helsgaun 2000, section 4.1): an edge's cost less the dearest edge on the
// minimum spanning tree's path between its ends, over the sparse graph's edges.
//
// Reads the instance, the known tour length and the run control, which alone may end the
// ascent early; the result is the same on every run that is not stopped.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <vector>

#include "tour/assignment.h"
#include "tour/held_karp_bound.h"
#include "tour/search_graph.h"

namespace ringmarch {
namespace {

constexpr double kWorkBudget = 2e8;
constexpr std::int64_t kInfinity = std::numeric_limits<std::int64_t>::max() / 4;

std::size_t at(int k) {
  return static_cast<std::size_t>(k);
}

// The smallest whole number at least value / scale (scale > 0).
std::int64_t ceilDivide(std::int64_t value, std::int64_t scale) {
  const std::int64_t quotient = value / scale;
  return quotient * scale < value ? quotient + 1 : quotient;
}

// The 1-tree graph: the instance or its 2n form, costs in fixed point (scale * distance), the
// distances those of the search graph (a matrix for small coordinate instances).
class TreeCosts {
 public:
  TreeCosts(const tour::SearchGraph& graph, std::int64_t scale)
      : graph_(graph),
        twin_(graph.isTwinForm()),
        n_(graph.citiesOfInstance()),
        size_(graph.size()),
        scale_(scale) {}

  int size() const { return size_; }
  bool twin() const { return twin_; }
  std::int64_t scale() const { return scale_; }
  // The city every tree must join to this one (the 2n form's fixed edge), or -1.
  int partner(int a) const {
    if (!twin_) return -1;
    return a < n_ ? a + n_ : a - n_;
  }
  // False for pairs no tour may join: the same city, two entries or two exits.
  bool allowed(int a, int b) const { return a != b && (!twin_ || (a < n_) != (b < n_)); }
  // scale * distance of an allowed pair; 0 for a fixed edge.
  std::int64_t cost(int a, int b) const { return scale_ * graph_.cost(a, b); }

 private:
  const tour::SearchGraph& graph_;
  bool twin_;
  int n_;
  int size_;
  std::int64_t scale_;
};

// A minimum 1-tree: its value under the penalties (before subtracting 2 * sum(pi)), every
// city's degree, the special city and whether the graph reached every city.
struct OneTree {
  std::int64_t value = 0;
  int special = -1;
  bool spanning = false;
};

// A binary heap of cities ordered by (key, city), holding each city once with its place, so that
// a lowered key moves up in place. Prim's method picks the same city from it as from a heap of
// every offer made (the least key, the smaller city on ties), from n entries instead of one per
// offer. Sized once; every entry is popped before the next tree.
class CityHeap {
 public:
  void resize(int size) {
    place_.assign(at(size), -1);
    entries_.reserve(at(size));
  }
  bool empty() const { return entries_.empty(); }
  // The city's key, lower than any it had in the heap.
  void offer(int city, std::int64_t key) {
    int k = place_[at(city)];
    if (k < 0) {
      k = static_cast<int>(entries_.size());
      entries_.push_back({key, city});
    } else {
      entries_[at(k)].key = key;
    }
    up(k);
  }
  // Takes out the city of least key (the smaller city on ties).
  int pop() {
    const int city = entries_.front().city;
    place_[at(city)] = -1;
    const Entry last = entries_.back();
    entries_.pop_back();
    if (!entries_.empty()) {
      entries_.front() = last;
      place_[at(last.city)] = 0;
      down(0);
    }
    return city;
  }

 private:
  struct Entry {
    std::int64_t key;
    int city;
  };
  static bool before(const Entry& a, const Entry& b) {
    return a.key < b.key || (a.key == b.key && a.city < b.city);
  }
  void up(int k) {
    const Entry e = entries_[at(k)];
    while (k > 0) {
      const int parent = (k - 1) / 2;
      if (!before(e, entries_[at(parent)])) break;
      entries_[at(k)] = entries_[at(parent)];
      place_[at(entries_[at(k)].city)] = k;
      k = parent;
    }
    entries_[at(k)] = e;
    place_[at(e.city)] = k;
  }
  void down(int k) {
    const Entry e = entries_[at(k)];
    const int count = static_cast<int>(entries_.size());
    while (true) {
      int child = 2 * k + 1;
      if (child >= count) break;
      if (child + 1 < count && before(entries_[at(child + 1)], entries_[at(child)])) ++child;
      if (!before(entries_[at(child)], e)) break;
      entries_[at(k)] = entries_[at(child)];
      place_[at(entries_[at(k)].city)] = k;
      k = child;
    }
    entries_[at(k)] = e;
    place_[at(e.city)] = k;
  }

  std::vector<Entry> entries_;
  std::vector<int> place_;
};

class Ascent {
 public:
  Ascent(const TreeCosts& costs, const tour::SearchGraph& candidates) : costs_(costs) {
    const auto size = at(costs.size());
    lists_.resize(size);
    for (int a = 0; a < costs.size(); ++a) {
      for (int b : candidates.candidates(a)) {
        if (!costs.allowed(a, b) || b == costs.partner(a)) continue;
        lists_[at(a)].push_back(b);
        lists_[at(b)].push_back(a);
      }
    }
    rebuild();
    pi_.assign(size, 0);
    degree_.assign(size, 0);
    key_.assign(size, kInfinity);
    parent_.assign(size, -1);
    inTree_.assign(size, 0);
    treeCost_.assign(size, 0);
  }

  std::vector<std::int64_t>& penalties() { return pi_; }
  const std::vector<int>& degrees() const { return degree_; }

  std::int64_t penaltySum() const {
    std::int64_t sum = 0;
    for (std::int64_t p : pi_) sum += p;
    return sum;
  }

  // Minimum spanning tree of the sparse graph holding every fixed edge, plus the second edge of
  // the leaf where it is dearest (Helsgaun's 1-tree).
  OneTree sparseTree() {
    const int size = costs_.size();
    std::fill(degree_.begin(), degree_.end(), 0);
    std::fill(key_.begin(), key_.end(), kInfinity);
    std::fill(parent_.begin(), parent_.end(), -1);
    std::fill(inTree_.begin(), inTree_.end(), 0);
    treeCost_[0] = 0;
    OneTree tree;
    int reached = 0;
    auto enter = [&](int v) {
      inTree_[at(v)] = 1;
      ++reached;
      for (std::size_t e = start_[at(v)]; e < start_[at(v) + 1]; ++e) {
        const int u = neighbour_[e];
        if (inTree_[at(u)] != 0) continue;
        const std::int64_t c = base_[e] + pi_[at(v)] + pi_[at(u)];
        if (c < key_[at(u)]) {
          key_[at(u)] = c;
          parent_[at(u)] = v;
          heap_.offer(u, c);
        }
      }
    };
    auto join = [&](int v, int via, std::int64_t c) {
      parent_[at(v)] = via;
      treeCost_[at(v)] = c;
      tree.value += c;
      ++degree_[at(v)];
      ++degree_[at(via)];
      enter(v);
    };
    auto enterWithPartner = [&](int v) {
      const int p = costs_.partner(v);
      if (p >= 0 && inTree_[at(p)] == 0) join(p, v, costs_.cost(v, p) + pi_[at(v)] + pi_[at(p)]);
    };
    enter(0);
    enterWithPartner(0);
    while (!heap_.empty()) {
      const int v = heap_.pop();
      if (inTree_[at(v)] != 0) continue;  // joined with its partner meanwhile
      join(v, parent_[at(v)], key_[at(v)]);
      enterWithPartner(v);
    }
    tree.spanning = reached == size;
    if (!tree.spanning) return tree;
    std::int64_t bestSecond = -kInfinity;
    int bestOther = -1;
    for (int s = 0; s < size; ++s) {
      if (degree_[at(s)] != 1) continue;
      std::int64_t second = kInfinity;
      int other = -1;
      for (std::size_t e = start_[at(s)]; e < start_[at(s) + 1]; ++e) {
        const int u = neighbour_[e];
        if (parent_[at(u)] == s || parent_[at(s)] == u) continue;
        const std::int64_t c = base_[e] + pi_[at(s)] + pi_[at(u)];
        if (c < second) {
          second = c;
          other = u;
        }
      }
      if (other >= 0 && second > bestSecond) {
        bestSecond = second;
        bestOther = other;
        tree.special = s;
      }
    }
    if (tree.special < 0) {
      tree.spanning = false;
      return tree;
    }
    tree.value += bestSecond;
    ++degree_[at(tree.special)];
    ++degree_[at(bestOther)];
    return tree;
  }

  // The 1-tree of the complete graph with the given special city: a minimum spanning tree of the
  // other cities (every fixed edge in it) and the special city's two cheapest edges (its fixed
  // edge and the cheapest other). Its value less 2 * sum(pi) is a bound. Edges it uses that the
  // sparse graph lacks go to missing.
  std::int64_t completeTree(int special, std::vector<std::pair<int, int>>& missing) {
    const int size = costs_.size();
    std::fill(key_.begin(), key_.end(), kInfinity);
    std::fill(parent_.begin(), parent_.end(), -1);
    std::fill(inTree_.begin(), inTree_.end(), 0);
    missing.clear();
    std::int64_t total = 0;
    int fresh[2] = {-1, -1};
    int freshCount = 0;
    auto enter = [&](int v) {
      inTree_[at(v)] = 1;
      fresh[freshCount++] = v;
      const int p = costs_.partner(v);
      if (p >= 0 && p != special && inTree_[at(p)] == 0) {
        inTree_[at(p)] = 1;
        total += costs_.cost(v, p) + pi_[at(v)] + pi_[at(p)];
        fresh[freshCount++] = p;
      }
    };
    const int partnerOfSpecial = costs_.partner(special);
    enter(partnerOfSpecial >= 0 ? partnerOfSpecial : (special == 0 ? 1 : 0));
    while (true) {
      int best = -1;
      for (int v = 0; v < size; ++v) {
        if (inTree_[at(v)] != 0 || v == special) continue;
        for (int k = 0; k < freshCount; ++k) {
          const int a = fresh[k];
          if (!costs_.allowed(a, v)) continue;
          const std::int64_t c = costs_.cost(a, v) + pi_[at(a)] + pi_[at(v)];
          if (c < key_[at(v)]) {
            key_[at(v)] = c;
            parent_[at(v)] = a;
          }
        }
        if (best < 0 || key_[at(v)] < key_[at(best)]) best = v;
      }
      freshCount = 0;
      if (best < 0) break;
      if (parent_[at(best)] < 0) return -kInfinity;  // no allowed edge reaches it
      total += key_[at(best)];
      if (!hasSparseEdge(best, parent_[at(best)])) missing.emplace_back(best, parent_[at(best)]);
      enter(best);
    }
    // The special city's two edges.
    std::int64_t first = kInfinity;
    std::int64_t second = kInfinity;
    int firstCity = -1;
    int secondCity = -1;
    for (int v = 0; v < size; ++v) {
      if (!costs_.allowed(special, v)) continue;
      const std::int64_t c = costs_.cost(special, v) + pi_[at(special)] + pi_[at(v)];
      if (v == partnerOfSpecial) {
        total += c;
        continue;
      }
      if (c < first) {
        second = first;
        secondCity = firstCity;
        first = c;
        firstCity = v;
      } else if (c < second) {
        second = c;
        secondCity = v;
      }
    }
    if (firstCity < 0 || (partnerOfSpecial < 0 && secondCity < 0)) return -kInfinity;
    total += first;
    if (!hasSparseEdge(special, firstCity)) missing.emplace_back(special, firstCity);
    if (partnerOfSpecial < 0) {
      total += second;
      if (!hasSparseEdge(special, secondCity)) missing.emplace_back(special, secondCity);
    }
    return total;
  }

  // Helsgaun's alpha-nearness over the sparse graph: for each edge (a, b), how much the
  // minimum spanning tree under the current penalties grows when it must hold (a, b), that is
  // its cost less the dearest edge on the tree path between a and b (0 for a tree edge). The
  // tree paths' maxima come from binary lifting over the tree (O(log n) each). Each city's
  // count edges of least alpha (then least cost), fixed edges left out.
  std::vector<std::vector<int>> alphaNearest(int count) {
    const int size = costs_.size();
    if (!sparseTree().spanning) return {};
    int levels = 1;
    while ((1 << levels) < size) ++levels;
    std::vector<int> depth(at(size), -1);
    std::vector<int> up(at(size) * at(levels));
    std::vector<std::int64_t> dearest(at(size) * at(levels));
    // Depths by walking up to a city of known depth (each city visited a bounded number of
    // times: the walk's cities are given their depths on the way back).
    std::vector<int> path;
    depth[0] = 0;
    for (int v = 0; v < size; ++v) {
      int u = v;
      path.clear();
      while (depth[at(u)] < 0) {
        path.push_back(u);
        u = parent_[at(u)];
      }
      for (auto k = path.size(); k-- > 0;) depth[at(path[k])] = depth[at(parent_[at(path[k])])] + 1;
    }
    for (int v = 0; v < size; ++v) {
      up[at(v)] = v == 0 ? 0 : parent_[at(v)];
      dearest[at(v)] = v == 0 ? -kInfinity : treeCost_[at(v)];
    }
    for (int k = 1; k < levels; ++k) {
      const std::size_t row = at(k) * at(size);
      const std::size_t below = row - at(size);
      for (int v = 0; v < size; ++v) {
        const int half = up[below + at(v)];
        up[row + at(v)] = up[below + at(half)];
        dearest[row + at(v)] = std::max(dearest[below + at(v)], dearest[below + at(half)]);
      }
    }
    auto pathMaximum = [&](int a, int b) {
      std::int64_t most = -kInfinity;
      if (depth[at(a)] < depth[at(b)]) std::swap(a, b);
      for (int k = levels - 1; k >= 0; --k) {
        if (depth[at(a)] - (1 << k) >= depth[at(b)]) {
          most = std::max(most, dearest[at(k) * at(size) + at(a)]);
          a = up[at(k) * at(size) + at(a)];
        }
      }
      if (a == b) return most;
      for (int k = levels - 1; k >= 0; --k) {
        const std::size_t row = at(k) * at(size);
        if (up[row + at(a)] != up[row + at(b)]) {
          most = std::max({most, dearest[row + at(a)], dearest[row + at(b)]});
          a = up[row + at(a)];
          b = up[row + at(b)];
        }
      }
      return std::max({most, dearest[at(a)], dearest[at(b)]});
    };
    std::vector<std::vector<int>> lists(at(size));
    struct Entry {
      std::int64_t alpha, cost;
      int city;
      bool operator<(const Entry& other) const {
        if (alpha != other.alpha) return alpha < other.alpha;
        if (cost != other.cost) return cost < other.cost;
        return city < other.city;
      }
    };
    std::vector<Entry> entries;
    for (int a = 0; a < size; ++a) {
      entries.clear();
      for (std::size_t e = start_[at(a)]; e < start_[at(a) + 1]; ++e) {
        const int b = neighbour_[e];
        const std::int64_t c = base_[e] + pi_[at(a)] + pi_[at(b)];
        const bool treeEdge = parent_[at(a)] == b || parent_[at(b)] == a;
        entries.push_back({treeEdge ? 0 : c - pathMaximum(a, b), base_[e], b});
      }
      const std::size_t keep = std::min(entries.size(), at(count));
      std::partial_sort(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(keep),
                        entries.end());
      for (std::size_t k = 0; k < keep; ++k) lists[at(a)].push_back(entries[k].city);
    }
    return lists;
  }

  void addEdges(std::span<const std::pair<int, int>> edges) {
    for (const auto& [a, b] : edges) {
      lists_[at(a)].push_back(b);
      lists_[at(b)].push_back(a);
    }
    rebuild();
  }

 private:
  bool hasSparseEdge(int a, int b) const {
    if (b == costs_.partner(a)) return true;
    for (std::size_t e = start_[at(a)]; e < start_[at(a) + 1]; ++e) {
      if (neighbour_[e] == b) return true;
    }
    return false;
  }

  // The flat adjacency of the sparse graph, each list sorted and without repeats.
  void rebuild() {
    start_.assign(lists_.size() + 1, 0);
    neighbour_.clear();
    base_.clear();
    for (std::size_t a = 0; a < lists_.size(); ++a) {
      auto& list = lists_[a];
      std::sort(list.begin(), list.end());
      list.erase(std::unique(list.begin(), list.end()), list.end());
      for (int b : list) {
        neighbour_.push_back(b);
        base_.push_back(costs_.cost(static_cast<int>(a), b));
      }
      start_[a + 1] = neighbour_.size();
    }
    heap_.resize(static_cast<int>(lists_.size()));
  }

  const TreeCosts& costs_;
  std::vector<std::vector<int>> lists_;
  std::vector<std::size_t> start_;
  std::vector<int> neighbour_;
  std::vector<std::int64_t> base_;
  std::vector<std::int64_t> pi_;
  std::vector<int> degree_;
  std::vector<std::int64_t> key_;
  std::vector<int> parent_;
  std::vector<char> inTree_;
  CityHeap heap_;
  std::vector<std::int64_t> treeCost_;  // the cost of each city's edge to its parent
};

// The fixed-point scale: 256 where every sum of a 1-tree stays far inside 64 bits, less where it
// would not.
std::int64_t scaleFor(int size, std::int64_t largest) {
  std::int64_t scale = 256;
  const double perEdge = static_cast<double>(std::max<std::int64_t>(largest, 1));
  while (scale > 1 && 4.0 * (size + 2) * perEdge * static_cast<double>(scale) > 0x1p61) scale /= 2;
  return scale;
}

// Held and Karp's bound of the instance or of its 2n form, in distance units.
LowerBoundResult oneTreeBound(const Instance& instance, const LowerBoundOptions& options,
                              RunControl& control, std::int64_t trivial) {
  LowerBoundResult result;
  result.bound = trivial;
  const std::int64_t largest = std::max<std::int64_t>(1, instance.largestDistance());
  const int size = instance.isSymmetric() ? instance.size() : 2 * instance.size();
  tour::SearchGraph graph(instance);
  graph.buildCandidates(10, 3);
  const TreeCosts costs(graph, scaleFor(size, largest));
  const std::int64_t scale = costs.scale();
  // A limit on any penalty keeps every sum inside 64 bits; any penalties give a bound.
  const std::int64_t penaltyLimit = scale * largest;
  result.penaltyScale = scale;
  Ascent ascent(costs, graph);
  std::vector<std::int64_t>& pi = ascent.penalties();
  if (options.startPenalties.size() == pi.size()) {
    for (std::size_t v = 0; v < pi.size(); ++v) {
      pi[v] = std::clamp(options.startPenalties[v], -penaltyLimit, penaltyLimit);
    }
  }
  std::vector<std::int64_t> bestPi = pi;
  std::vector<int> previousExcess(at(size), 0);
  std::vector<std::pair<int, int>> missing;

  // The ascent's length: about 10^6 / n sparse trees, 500 to 8,000; complete trees along
  // the way only where they are cheap.
  const int stepLimit = static_cast<int>(std::clamp(1e6 / size, 500.0, 8000.0));
  const bool checkOften = static_cast<double>(size) * size <= 1e7;
  const std::int64_t upper =
      options.upperBound ? *options.upperBound : std::numeric_limits<std::int64_t>::max();
  RunProgress progress;
  bool stopped = false;

  // The complete graph's 1-tree under the best penalties: its bound is kept, the edges it takes
  // that the sparse graph lacks are added to it. Its value, or -kInfinity.
  std::int64_t bestValue = -kInfinity;  // the best sparse W of the ascent
  int bestSpecial = 0;
  auto takeCompleteTree = [&]() {
    std::swap(pi, bestPi);
    const std::int64_t complete = ascent.completeTree(bestSpecial, missing);
    std::int64_t value = -kInfinity;
    if (complete > -kInfinity) {
      value = complete - 2 * ascent.penaltySum();
      const std::int64_t bound = ceilDivide(value, scale);
      if (bound > result.bound) {
        result.bound = bound;
        result.penalties = pi;
      }
      progress.lowerBound = result.bound;
      if (!missing.empty()) ascent.addEdges(missing);
    }
    std::swap(pi, bestPi);
    return value;
  };

  for (int round = 0; round < 4 && !stopped; ++round) {
    // With a known tour length: Polyak's step lambda (U - W) / |v|^2 towards it, lambda halved
    // when W has not risen for a while (Held, Wolfe & Crowder 1974). Without: Helsgaun's periods.
    const bool towardsTour = options.upperBound.has_value();
    const bool warm = round > 0 || options.startPenalties.size() == pi.size();
    double lambda = warm ? 0.5 : 2.0;
    const int patience = 100;
    int stall = 0;
    int period = std::max(10, std::max(size / 2, 100) >> (round == 0 ? 0 : 2));
    std::int64_t step = round == 0 ? 1 : std::max<std::int64_t>(1, scale / 16);
    bool doubling = round == 0;
    pi = bestPi;
    std::int64_t lastValue = -kInfinity;
    for (int steps = 0, inPeriod = 0; step > 0 && period > 0 && steps < stepLimit; ++steps) {
      if (control.shouldStop(progress)) {
        stopped = true;
        break;
      }
      const OneTree tree = ascent.sparseTree();
      ++result.ascentSteps;
      if (!tree.spanning) {
        // The candidate graph is not connected: join it with a complete tree's edges.
        ascent.completeTree(0, missing);
        ascent.addEdges(missing);
        continue;
      }
      const std::int64_t value = tree.value - 2 * ascent.penaltySum();
      const bool improved = value > bestValue;
      if (improved) {
        bestValue = value;
        bestPi = pi;
        bestSpecial = tree.special;
      }
      std::int64_t squares = 0;
      for (int d : ascent.degrees()) squares += static_cast<std::int64_t>(d - 2) * (d - 2);
      if (squares == 0) break;  // the 1-tree is a tour: no better penalties exist
      if (ceilDivide(bestValue, scale) >= upper) break;
      bool periodEnded = false;
      if (towardsTour) {
        stall = improved ? 0 : stall + 1;
        if (stall >= patience) {
          stall = 0;
          lambda /= 2;
          periodEnded = true;
          if (lambda < 1e-3) break;
        }
        const double gap = std::max(1.0, static_cast<double>(upper) * static_cast<double>(scale) -
                                             static_cast<double>(value));
        step = static_cast<std::int64_t>(
            std::min(static_cast<double>(penaltyLimit), std::max(1.0, lambda * gap / squares)));
      } else {
        if (steps == 0 && round == 0) {
          // A hundredth of the average 1-tree edge, whatever the unit of the distances.
          step = std::max<std::int64_t>(1, value / (100 * static_cast<std::int64_t>(size)));
        }
        if (doubling) {
          if (value > lastValue || steps == 0) {
            step = std::min(step * 2, penaltyLimit);
          } else {
            doubling = false;
          }
        }
        lastValue = value;
        if (++inPeriod == period) {
          inPeriod = 0;
          periodEnded = true;
          doubling = false;
          if (improved) {
            period *= 2;
          } else {
            period /= 2;
            step /= 2;
          }
        }
      }
      if (periodEnded && checkOften) {
        const std::int64_t complete = takeCompleteTree();
        if (!missing.empty()) bestValue = complete;  // the sparse best was out of reach
        if (result.bound >= upper) break;
      }
      const std::vector<int>& degree = ascent.degrees();
      for (int v = 0; v < size; ++v) {
        const int excess = degree[at(v)] - 2;
        if (steps == 0) previousExcess[at(v)] = excess;
        const std::int64_t direction = 7 * excess + 3 * previousExcess[at(v)];
        previousExcess[at(v)] = excess;
        std::int64_t& penalty = pi[at(v)];
        penalty =
            std::clamp<std::int64_t>(penalty + step * direction / 10, -penaltyLimit, penaltyLimit);
      }
    }
    // A stopped run still takes the final tree where it is quick.
    if (stopped && !checkOften) break;
    takeCompleteTree();
    if (missing.empty() || result.bound >= upper) break;
    bestValue = -kInfinity;  // the sparse values change with the graph
  }
  if (options.alphaCandidates > 0 && !stopped) {
    pi = result.penalties.size() == pi.size() ? result.penalties : bestPi;
    result.candidates = ascent.alphaNearest(options.alphaCandidates);
  }
  result.stopped = stopped;
  result.heldKarpBound = result.bound;
  return result;
}

// The cheapest assignment of successors (no city its own).
LowerBoundResult assignmentBound(const Instance& instance, RunControl& control,
                                 std::int64_t trivial) {
  LowerBoundResult result;
  result.bound = trivial;
  const int n = instance.size();
  if (static_cast<double>(n) * n * n > 5.0 * kWorkBudget) return result;
  const std::optional<tour::Assignment> assignment =
      tour::cheapestAssignment(instance, {}, control);
  if (!assignment) {
    result.stopped = true;
    return result;
  }
  result.bound = std::max(trivial, assignment->cost);
  return result;
}

}  // namespace

LowerBoundResult heldKarpBound(const Instance& instance, const LowerBoundOptions& options,
                               RunControl& control) {
  const int n = instance.size();
  // Every tour has n edges, none shorter than the smallest distance.
  const std::int64_t trivial = static_cast<std::int64_t>(n) * instance.smallestDistance();
  if (n < 3) {
    LowerBoundResult result;
    result.bound = trivial;
    return result;
  }
  if (static_cast<double>(n) * n > kWorkBudget * 50) {
    // Beyond the quadratic final tree's reach.
    LowerBoundResult result;
    result.bound = trivial;
    return result;
  }
  LowerBoundResult result = oneTreeBound(instance, options, control, trivial);
  if (!instance.isSymmetric()) {
    const LowerBoundResult assignment = assignmentBound(instance, control, trivial);
    result.assignmentBound = assignment.bound;
    result.bound = std::max(result.bound, assignment.bound);
    result.stopped = result.stopped || assignment.stopped;
  }
  return result;
}

}  // namespace ringmarch
