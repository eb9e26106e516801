// The shrunk graph of a level holds its sets' merged edges (one per pair of sets, values summed)
// in flat arrays with an adjacency index; its blocks come from an iterative Hopcroft-Tarjan
// search over the fractional edges. A shrunk set's x(delta) is its node's degree, so a comb's
// left-hand side is read on the shrunk graph and read again on the cities before the comb is
// kept. Buffers live in the separator and are reused by every level and handle of a call.
#include "cut/comb_separation.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "cut/comb_structure.h"

namespace ringmarch::cut {

namespace {

constexpr double kViolation = 1e-6;
// Each level shrinks at least one pair of sets; the cap bounds a call to a dozen passes over the
// edges per bound.
constexpr int kMaxLevels = 12;
// Edges at 1 - bound or above are shrunk, edges strictly between bound and 1 - bound are the
// fractional ones whose blocks are handles: first exactly, then with values within 0.02 and 0.1
// of 0 or 1 taken as 0 or 1, since a point whose heavy edges are all a little below 1 has no
// 1-edges to shrink and one block for all its fractional edges.
constexpr double kBounds[] = {1e-6, 0.02, 0.1};

// A grown tooth stops at this many shrunk sets, which keeps growing a tooth to a few scans of
// its sets' edges.
constexpr std::size_t kMaxToothSets = 6;
// A set joins a tooth when it lowers x(delta(T)) by more than this.
constexpr double kGrowth = 1e-9;

struct ToothCandidate {
  double gain;  // x(delta(T)) - 3: negative is good
  int edge;     // the shrunk edge leaving the handle it was grown from
  int first;    // its sets: toothSets_[first .. first + size - 1]
  int size;
};

class BlockCombSeparator {
 public:
  explicit BlockCombSeparator(const SupportGraph& g) : g_(g) {
    const std::size_t N = static_cast<std::size_t>(g.n), m = g.x.size();
    cityStart_.assign(N + 1, 0);
    cityEdge_.resize(2 * m);
    for (std::size_t e = 0; e < m; ++e) ++cityStart_[g.u[e] + 1], ++cityStart_[g.v[e] + 1];
    for (int c = 0; c < g.n; ++c) cityStart_[c + 1] += cityStart_[c];
    std::vector<int> fill(cityStart_.begin(), cityStart_.end() - 1);
    for (std::size_t e = 0; e < m; ++e) {
      cityEdge_[fill[g.u[e]]++] = static_cast<int>(e);
      cityEdge_[fill[g.v[e]]++] = static_cast<int>(e);
    }
    cityMark_.assign(N, 0);
    group_.resize(N);
    nodeMark_.assign(N, 0);
    nodeUsed_.assign(N, 0);
    nodeTooth_.assign(N, 0);
    attachMark_.assign(N, 0);
    attach_.assign(N, 0.0);
    discovered_.resize(N);
    low_.resize(N);
    combScratch_.assign(N, 0);
  }

  void run(std::vector<ScoredCut>& found) {
    for (double bound : kBounds) {
      for (int c = 0; c < g_.n; ++c) group_[c] = c;
      nodes_ = g_.n;
      buildLevel();
      for (int level = 0; level < kMaxLevels && nodes_ >= 6; ++level) {
        blockHandles(bound, found);
        if (!shrinkHeavyEdges(bound)) break;
        buildLevel();
      }
    }
  }

 private:
  // The merged edges, node degrees, adjacency and member lists for the current groups.
  void buildLevel() {
    const std::size_t N = static_cast<std::size_t>(nodes_);
    keyed_.clear();
    for (std::size_t e = 0; e < g_.x.size(); ++e) {
      int a = group_[g_.u[e]], b = group_[g_.v[e]];
      if (a == b) continue;
      if (a > b) std::swap(a, b);
      keyed_.push_back({static_cast<std::int64_t>(a) * nodes_ + b, static_cast<int>(e)});
    }
    std::sort(keyed_.begin(), keyed_.end());
    a_.clear(), b_.clear(), x_.clear();
    for (std::size_t i = 0; i < keyed_.size(); ++i) {
      const double x = g_.x[keyed_[i].second];
      if (i > 0 && keyed_[i].first == keyed_[i - 1].first) {
        x_.back() += x;
        continue;
      }
      a_.push_back(static_cast<int>(keyed_[i].first / nodes_));
      b_.push_back(static_cast<int>(keyed_[i].first % nodes_));
      x_.push_back(x);
    }
    degree_.assign(N, 0.0);
    adjStart_.assign(N + 1, 0);
    for (std::size_t e = 0; e < x_.size(); ++e) {
      degree_[a_[e]] += x_[e], degree_[b_[e]] += x_[e];
      ++adjStart_[a_[e] + 1], ++adjStart_[b_[e] + 1];
    }
    for (int c = 0; c < nodes_; ++c) adjStart_[c + 1] += adjStart_[c];
    adjEdge_.resize(2 * x_.size());
    fill_.assign(adjStart_.begin(), adjStart_.end() - 1);
    for (std::size_t e = 0; e < x_.size(); ++e) {
      adjEdge_[fill_[a_[e]]++] = static_cast<int>(e);
      adjEdge_[fill_[b_[e]]++] = static_cast<int>(e);
    }
    memberStart_.assign(N + 1, 0);
    for (int c = 0; c < g_.n; ++c) ++memberStart_[group_[c] + 1];
    for (int s = 0; s < nodes_; ++s) memberStart_[s + 1] += memberStart_[s];
    members_.resize(static_cast<std::size_t>(g_.n));
    fill_.assign(memberStart_.begin(), memberStart_.end() - 1);
    for (int c = 0; c < g_.n; ++c) members_[fill_[group_[c]]++] = c;
  }

  // Merges the sets joined by edges of value 1 - bound or more; false when there are none. New
  // sets are numbered in the order of their smallest old set.
  bool shrinkHeavyEdges(double bound) {
    DisjointSets sets(nodes_);
    bool merged = false;
    for (std::size_t e = 0; e < x_.size(); ++e) {
      if (x_[e] >= 1.0 - bound) merged |= sets.unite(a_[e], b_[e]);
    }
    if (!merged) return false;
    fill_.assign(static_cast<std::size_t>(nodes_), -1);
    int count = 0;
    for (int s = 0; s < nodes_; ++s) {
      const int r = sets.find(s);
      if (fill_[r] < 0) fill_[r] = count++;
      fill_[s] = fill_[r];
    }
    for (int c = 0; c < g_.n; ++c) group_[c] = fill_[group_[c]];
    nodes_ = count;
    return true;
  }

  bool fractional(int e, double bound) const { return x_[e] > bound && x_[e] < 1.0 - bound; }
  int otherEnd(int e, int s) const { return a_[e] == s ? b_[e] : a_[e]; }

  // Hopcroft-Tarjan over the fractional edges, without recursion: every block of three or more
  // sets is a handle, and so is a connected component made of several blocks.
  void blockHandles(double bound, std::vector<ScoredCut>& found) {
    std::fill(discovered_.begin(), discovered_.begin() + nodes_, -1);
    int time = 0;
    for (int root = 0; root < nodes_; ++root) {
      if (discovered_[root] >= 0) continue;
      component_.clear();
      int blocks = 0;
      frames_.clear();
      edgeStack_.clear();
      discovered_[root] = low_[root] = time++;
      component_.push_back(root);
      frames_.push_back({root, -1, adjStart_[root]});
      while (!frames_.empty()) {
        Frame& f = frames_.back();
        if (f.next < adjStart_[f.node + 1]) {
          const int e = adjEdge_[f.next++];
          if (e == f.parentEdge || !fractional(e, bound)) continue;
          const int w = otherEnd(e, f.node);
          if (discovered_[w] < 0) {
            edgeStack_.push_back(e);
            discovered_[w] = low_[w] = time++;
            component_.push_back(w);
            frames_.push_back({w, e, adjStart_[w]});  // f may dangle from here on
          } else if (discovered_[w] < discovered_[f.node]) {
            edgeStack_.push_back(e);
            low_[f.node] = std::min(low_[f.node], discovered_[w]);
          }
          continue;
        }
        const int node = f.node, parentEdge = f.parentEdge;
        frames_.pop_back();
        if (frames_.empty()) break;
        const int parent = frames_.back().node;
        low_[parent] = std::min(low_[parent], low_[node]);
        if (low_[node] < discovered_[parent]) continue;
        // The edges above parentEdge on the stack, with it, form a block.
        ++blocks;
        handle_.clear();
        ++stamp_;
        while (true) {
          const int e = edgeStack_.back();
          edgeStack_.pop_back();
          for (int s : {a_[e], b_[e]}) {
            if (nodeMark_[s] != stamp_) nodeMark_[s] = stamp_, handle_.push_back(s);
          }
          if (e == parentEdge) break;
        }
        if (handle_.size() >= 3) teethe(handle_, found);
      }
      if (blocks > 1 && component_.size() >= 3) teethe(component_, found);
    }
  }

  // Grows a tooth from the edge (inside, outside) greedily (Naddef & Thienel 2002): a set next to
  // it joins while that lowers x(delta(T)), the one lowering it most first, until the tooth has
  // kMaxToothSets sets; its part in the handle and its part out of it stay proper. Appends the
  // tooth's sets to toothSets_ and returns x(delta(T)).
  double growTooth(int edge, int inside, int outside, int inHandle, int handleSize) {
    ++stamp_;
    const int inTooth = stamp_;
    const std::size_t first = toothSets_.size();
    toothSets_.push_back(inside);
    toothSets_.push_back(outside);
    nodeTooth_[inside] = nodeTooth_[outside] = inTooth;
    double cut = degree_[inside] + degree_[outside] - 2.0 * x_[edge];
    int insideCount = 1, outsideCount = 1;
    while (toothSets_.size() - first < kMaxToothSets) {
      ++stamp_;
      touched_.clear();
      for (std::size_t i = first; i < toothSets_.size(); ++i) {
        const int t = toothSets_[i];
        for (int q = adjStart_[t]; q < adjStart_[t + 1]; ++q) {
          const int e = adjEdge_[q], w = otherEnd(e, t);
          if (nodeTooth_[w] == inTooth) continue;
          if (attachMark_[w] != stamp_)
            attachMark_[w] = stamp_, attach_[w] = 0.0, touched_.push_back(w);
          attach_[w] += x_[e];
        }
      }
      int best = -1;
      double bestChange = -kGrowth;
      for (int w : touched_) {
        const bool inside = nodeMark_[w] == inHandle;
        if (inside ? insideCount + 1 >= handleSize : outsideCount + 1 >= nodes_ - handleSize) {
          continue;
        }
        const double change = degree_[w] - 2.0 * attach_[w];
        if (change < bestChange || (change == bestChange && w < best))
          bestChange = change, best = w;
      }
      if (best < 0) break;
      toothSets_.push_back(best);
      nodeTooth_[best] = inTooth;
      ++(nodeMark_[best] == inHandle ? insideCount : outsideCount);
      cut += bestChange;
    }
    return cut;
  }

  // The best odd set of three or more disjoint teeth for the handle, greedy by gain among the
  // edges leaving it and the teeth grown from them, and the comb when it is violated.
  void teethe(std::span<const int> handle, std::vector<ScoredCut>& found) {
    const int handleSize = static_cast<int>(handle.size());
    if (handleSize > nodes_ - 3) return;
    ++stamp_;
    const int inHandle = stamp_;
    for (int s : handle) nodeMark_[s] = inHandle;
    double handleCut = 0.0, bestPossible = 0.0;
    candidates_.clear();
    toothSets_.clear();
    for (int s : handle) {
      for (int q = adjStart_[s]; q < adjStart_[s + 1]; ++q) {
        const int e = adjEdge_[q], w = otherEnd(e, s);
        if (nodeMark_[w] == inHandle) continue;
        handleCut += x_[e];
        const int first = static_cast<int>(toothSets_.size());
        const double grown = growTooth(e, s, w, inHandle, handleSize);
        const int size = static_cast<int>(toothSets_.size()) - first;
        const double edgeGain = degree_[s] + degree_[w] - 2.0 * x_[e] - 3.0;
        candidates_.push_back({edgeGain, e, first, 2});
        if (size > 2) candidates_.push_back({grown - 3.0, e, first, size});
        bestPossible += std::min(std::min(edgeGain, grown - 3.0), 0.0);
      }
    }
    if (handleCut - 1.0 + bestPossible >= -kViolation) return;
    std::sort(candidates_.begin(), candidates_.end(),
              [](const ToothCandidate& p, const ToothCandidate& q) {
                if (p.gain != q.gain) return p.gain < q.gain;
                return p.edge != q.edge ? p.edge < q.edge : p.size < q.size;
              });
    ++stamp_;
    const int used = stamp_;
    auto isFree = [&](const ToothCandidate& t) {
      for (int i = t.first; i < t.first + t.size; ++i) {
        if (nodeUsed_[toothSets_[i]] == used) return false;
      }
      return true;
    };
    auto take = [&](std::size_t c) {
      const auto& t = candidates_[c];
      for (int i = t.first; i < t.first + t.size; ++i) nodeUsed_[toothSets_[i]] = used;
      picked_.push_back(static_cast<int>(c));
    };
    picked_.clear();
    double sum = 0.0;
    std::size_t next = 0;
    for (; next < candidates_.size() && candidates_[next].gain < 0.0; ++next) {
      if (!isFree(candidates_[next])) continue;
      take(next);
      sum += candidates_[next].gain;
    }
    // Parity: either drop the last tooth taken, or add the next free ones until odd and >= 3.
    const std::size_t taken = picked_.size();
    double dropSum = 1e300;
    if (taken >= 4 && taken % 2 == 0) dropSum = sum - candidates_[picked_.back()].gain;
    double addSum = sum;
    for (; next < candidates_.size() && (picked_.size() < 3 || picked_.size() % 2 == 0); ++next) {
      if (!isFree(candidates_[next])) continue;
      take(next);
      addSum += candidates_[next].gain;
    }
    const bool addWorks = picked_.size() >= 3 && picked_.size() % 2 == 1;
    if (!addWorks && dropSum > 1e299) return;
    if (!addWorks || dropSum < addSum) {
      picked_.resize(taken - 1);
      sum = dropSum;
    } else {
      sum = addSum;
    }
    if (handleCut - 1.0 + sum >= -kViolation) return;
    emitComb(handle, found);
  }

  // Expands the handle and the picked teeth to cities, checks the comb and its violation on the
  // unshrunk graph.
  void emitComb(std::span<const int> handle, std::vector<ScoredCut>& found) {
    handleCities_.clear();
    for (int s : handle) {
      for (int i = memberStart_[s]; i < memberStart_[s + 1]; ++i) {
        handleCities_.push_back(members_[i]);
      }
    }
    teeth_.clear();
    bool allEdges = true;
    for (int p : picked_) {
      const auto& t = candidates_[p];
      std::vector<int> tooth;
      for (int j = t.first; j < t.first + t.size; ++j) {
        const int s = toothSets_[j];
        for (int i = memberStart_[s]; i < memberStart_[s + 1]; ++i) tooth.push_back(members_[i]);
      }
      allEdges = allEdges && tooth.size() == 2;
      teeth_.push_back(std::move(tooth));
    }
    if (!isComb(handleCities_, teeth_, g_.n, combScratch_)) return;
    double activity = boundary(handleCities_);
    for (const auto& tooth : teeth_) activity += boundary(tooth);
    const double rhs = 3.0 * static_cast<double>(teeth_.size()) + 1.0;
    if (activity >= rhs - kViolation) return;
    ScoredCut scored;
    if (!combCut(handleCities_, teeth_, allEdges ? CutFamily::Blossom : CutFamily::Comb, g_.n,
                 scored.cut)) {
      return;
    }
    scored.violation = rhs - activity;
    found.push_back(std::move(scored));
  }

  // x(delta(S)) on the support graph.
  double boundary(std::span<const int> cities) {
    ++cityStamp_;
    for (int c : cities) cityMark_[c] = cityStamp_;
    double total = 0.0;
    for (int c : cities) {
      for (int q = cityStart_[c]; q < cityStart_[c + 1]; ++q) {
        const int e = cityEdge_[q];
        if (cityMark_[g_.u[e] == c ? g_.v[e] : g_.u[e]] != cityStamp_) total += g_.x[e];
      }
    }
    return total;
  }

  struct Frame {
    int node, parentEdge, next;
  };

  const SupportGraph& g_;
  std::vector<int> cityStart_, cityEdge_, cityMark_;
  int cityStamp_ = 0;
  // The current level.
  int nodes_ = 0;
  std::vector<int> group_, memberStart_, members_;
  std::vector<int> a_, b_, adjStart_, adjEdge_;
  std::vector<double> x_, degree_;
  std::vector<std::pair<std::int64_t, int>> keyed_;
  std::vector<int> fill_;
  // Search and teething scratch.
  std::vector<int> nodeMark_, nodeUsed_, nodeTooth_, attachMark_, discovered_, low_;
  std::vector<double> attach_;
  int stamp_ = 0;
  std::vector<Frame> frames_;
  std::vector<int> edgeStack_, component_, handle_, picked_, handleCities_, toothSets_, touched_;
  std::vector<ToothCandidate> candidates_;
  std::vector<std::vector<int>> teeth_;
  std::vector<std::uint8_t> combScratch_;
};

}  // namespace

std::vector<CitySetCut> separateBlockCombs(const SupportGraph& graph, int limit) {
  if (graph.n < 6 || limit <= 0) return {};
  std::vector<ScoredCut> found;
  BlockCombSeparator separator(graph);
  separator.run(found);
  return bestDistinctCuts(std::move(found), limit);
}

}  // namespace ringmarch::cut
