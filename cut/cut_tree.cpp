// Gomory and Hu's method on each component of the positive edges, in local numbering. A group
// X of cities is split by a minimum cut between two of them in the graph where each branch of
// the group tree hanging from X is one node; the branches then hang from the side their node
// fell on (Gomory & Hu 1961). Two cities whose flow reaches the threshold join one class and are
// never tried again; a group is done when its cities form one class. The sink is a neighbour of
// the source where one exists, so that a flow that stops at the threshold stays near its ends,
// and the breadth-first searches stop at the sink's level. A flow costs the component's edges to
// build; every buffer is sized once per call.
#include "cut/cut_tree.h"

#include <algorithm>

#include "cut/support_graph.h"

namespace ringmarch::cut {

namespace {

// Room below this is no room: capacities are LP values of order one.
constexpr double kRoom = 1e-11;

// Dinic's blocking flows on a graph rebuilt for every cut. The flow of edge e is signed: the arc
// a -> b has room capacity - flow, the arc b -> a capacity + flow. Searches are told apart by a
// stamp, so nothing is cleared between them.
class BlockingFlow {
 public:
  void clear(int nodes) {
    nodes_ = nodes;
    a_.clear(), b_.clear(), capacity_.clear();
  }
  void addEdge(int a, int b, double capacity) {
    a_.push_back(a), b_.push_back(b), capacity_.push_back(capacity);
  }

  // The flow from s to t, stopped once it reaches `limit`. When it stays below the limit,
  // sourceSide tells the source side of a minimum cut.
  double run(int s, int t, double limit) {
    build();
    double total = 0.0;
    while (total < limit && search(s, t)) {
      double pushed;
      while (total < limit && (pushed = augment(s, t)) > 0.0) total += pushed;
    }
    return total;
  }
  bool sourceSide(int node) const { return seen_[node] == stamp_; }
  double cutCapacity() const {
    double total = 0.0;
    for (std::size_t e = 0; e < capacity_.size(); ++e) {
      if (sourceSide(a_[e]) != sourceSide(b_[e])) total += capacity_[e];
    }
    return total;
  }

 private:
  void build() {
    const std::size_t N = static_cast<std::size_t>(nodes_), m = capacity_.size();
    start_.assign(N + 1, 0);
    for (std::size_t e = 0; e < m; ++e) ++start_[a_[e] + 1], ++start_[b_[e] + 1];
    for (int c = 0; c < nodes_; ++c) start_[c + 1] += start_[c];
    arcs_.resize(2 * m);
    next_.assign(start_.begin(), start_.end() - 1);
    for (std::size_t e = 0; e < m; ++e) {
      arcs_[next_[a_[e]]++] = static_cast<int>(2 * e);
      arcs_[next_[b_[e]]++] = static_cast<int>(2 * e + 1);
    }
    flow_.assign(m, 0.0);
    if (seen_.size() < N) seen_.resize(N, 0), level_.resize(N), queue_.resize(N);
  }
  int head(int arc) const { return arc & 1 ? a_[arc >> 1] : b_[arc >> 1]; }
  int tail(int arc) const { return arc & 1 ? b_[arc >> 1] : a_[arc >> 1]; }
  double room(int arc) const {
    const int e = arc >> 1;
    return arc & 1 ? capacity_[e] + flow_[e] : capacity_[e] - flow_[e];
  }

  // Levels from s over arcs with room, up to t's level; true when t is reached.
  bool search(int s, int t) {
    ++stamp_;
    int read = 0, write = 0;
    queue_[write++] = s;
    seen_[s] = stamp_, level_[s] = 0, next_[s] = start_[s];
    while (read < write) {
      const int c = queue_[read++];
      if (seen_[t] == stamp_ && level_[c] >= level_[t]) break;
      for (int q = start_[c]; q < start_[c + 1]; ++q) {
        const int arc = arcs_[q], w = head(arc);
        if (seen_[w] != stamp_ && room(arc) > kRoom) {
          seen_[w] = stamp_, level_[w] = level_[c] + 1, next_[w] = start_[w];
          queue_[write++] = w;
        }
      }
    }
    return seen_[t] == stamp_;
  }

  // One augmenting path in the level graph, depth first with current-arc pointers; a dead end
  // leaves the level graph. Returns the amount pushed, 0 when no path is left.
  double augment(int s, int t) {
    path_.clear();
    int c = s;
    while (c != t) {
      bool advanced = false;
      for (; next_[c] < start_[c + 1]; ++next_[c]) {
        const int arc = arcs_[next_[c]], w = head(arc);
        if (seen_[w] == stamp_ && level_[w] == level_[c] + 1 && room(arc) > kRoom) {
          path_.push_back(arc);
          c = w;
          advanced = true;
          break;
        }
      }
      if (advanced) continue;
      if (c == s) return 0.0;
      level_[c] = -1;  // no path to t through c in this phase
      c = tail(path_.back());
      path_.pop_back();
      ++next_[c];
    }
    double bottleneck = room(path_.front());
    for (int arc : path_) bottleneck = std::min(bottleneck, room(arc));
    for (int arc : path_) flow_[arc >> 1] += arc & 1 ? -bottleneck : bottleneck;
    return bottleneck;
  }

  int nodes_ = 0, stamp_ = 0;
  std::vector<int> a_, b_;
  std::vector<double> capacity_, flow_;
  std::vector<int> start_, arcs_, next_, seen_, level_, queue_, path_;
};

// One component in local numbering 0..k-1; writes a tree rooted at 0.
class GroupTree {
 public:
  GroupTree(int k, std::span<const int> a, std::span<const int> b, std::span<const double> c,
            double threshold)
      : k_(k), a_(a), b_(b), c_(c), threshold_(threshold) {
    const std::size_t K = static_cast<std::size_t>(k);
    adjStart_.assign(K + 1, 0);
    for (std::size_t e = 0; e < c.size(); ++e) ++adjStart_[a[e] + 1], ++adjStart_[b[e] + 1];
    for (int i = 0; i < k; ++i) adjStart_[i + 1] += adjStart_[i];
    adjEdge_.resize(2 * c.size());
    std::vector<int> fill(adjStart_.begin(), adjStart_.end() - 1);
    for (std::size_t e = 0; e < c.size(); ++e) {
      adjEdge_[fill[a[e]]++] = static_cast<int>(e);
      adjEdge_[fill[b[e]]++] = static_cast<int>(e);
    }
    group_.assign(K, 0);
    label_.assign(K, 0);
    members_.assign(K, {});
    treeEdgesOf_.assign(K, {});
    members_[0].resize(K);
    for (int i = 0; i < k; ++i) members_[0][i] = i;
    groups_ = 1;
  }

  void build(std::vector<int>& parent, std::vector<double>& value) {
    DisjointSets classes(k_);
    std::vector<int> pending{0};
    while (!pending.empty()) {
      const int x = pending.back();
      int s = -1, t = -1;
      pickPair(x, classes, s, t);
      if (s < 0) {
        pending.pop_back();
        continue;
      }
      contract(x);
      const double flow = flow_.run(label_[s], label_[t], threshold_);
      if (flow >= threshold_) {
        classes.unite(s, t);
        continue;
      }
      pending.push_back(split(x, flow_.cutCapacity()));
    }
    writeTree(parent, value);
  }

 private:
  // A city of group x and, in another class, its heaviest neighbour within x; failing that,
  // the group's first city and the first city of another class.
  void pickPair(int x, DisjointSets& classes, int& s, int& t) {
    const auto& members = members_[x];
    for (int city : members) {
      const int own = classes.find(city);
      double best = 0.0;
      for (int q = adjStart_[city]; q < adjStart_[city + 1]; ++q) {
        const int e = adjEdge_[q], w = a_[e] == city ? b_[e] : a_[e];
        if (group_[w] == x && classes.find(w) != own && (t < 0 || c_[e] > best)) {
          t = w, best = c_[e];
        }
      }
      if (t >= 0) {
        s = city;
        return;
      }
    }
    const int first = classes.find(members[0]);
    for (int city : members) {
      if (classes.find(city) != first) {
        s = members[0], t = city;
        return;
      }
    }
  }

  // The flow graph of group x: its cities, then one node per branch of the group tree.
  void contract(int x) {
    const auto& members = members_[x];
    int nodes = 0;
    for (int city : members) label_[city] = nodes++;
    branchNode_.resize(treeEdges_.size());
    for (int edge : treeEdgesOf_[x]) {
      const int node = nodes++;
      branchNode_[edge] = node;
      stack_.clear();
      stack_.push_back({other(edge, x), edge});
      while (!stack_.empty()) {
        const auto [group, from] = stack_.back();
        stack_.pop_back();
        for (int city : members_[group]) label_[city] = node;
        for (int next : treeEdgesOf_[group]) {
          if (next != from) stack_.push_back({other(next, group), next});
        }
      }
    }
    flow_.clear(nodes);
    for (std::size_t e = 0; e < c_.size(); ++e) {
      if (label_[a_[e]] != label_[b_[e]]) flow_.addEdge(label_[a_[e]], label_[b_[e]], c_[e]);
    }
  }

  // Moves the sink side of group x to a new group joined to x by the cut; branches follow the
  // side of their node. Returns the new group.
  int split(int x, double cut) {
    const int z = groups_++;
    auto& members = members_[x];
    std::size_t kept = 0;
    for (int city : members) {
      if (flow_.sourceSide(label_[city])) {
        members[kept++] = city;
      } else {
        members_[z].push_back(city);
        group_[city] = z;
      }
    }
    members.resize(kept);
    auto& edges = treeEdgesOf_[x];
    kept = 0;
    for (int edge : edges) {
      if (flow_.sourceSide(branchNode_[edge])) {
        edges[kept++] = edge;
      } else {
        (treeEdges_[edge].a == x ? treeEdges_[edge].a : treeEdges_[edge].b) = z;
        treeEdgesOf_[z].push_back(edge);
      }
    }
    edges.resize(kept);
    const int edge = static_cast<int>(treeEdges_.size());
    treeEdges_.push_back({x, z, cut});
    edges.push_back(edge);
    treeEdgesOf_[z].push_back(edge);
    return z;
  }

  int other(int edge, int group) const {
    return treeEdges_[edge].a == group ? treeEdges_[edge].b : treeEdges_[edge].a;
  }

  // Each group's smallest city stands for it in the tree; the other cities of a group hang from
  // it at the threshold.
  void writeTree(std::vector<int>& parent, std::vector<double>& value) {
    parent.assign(static_cast<std::size_t>(k_), -1);
    value.assign(static_cast<std::size_t>(k_), 0.0);
    std::vector<int> representative(static_cast<std::size_t>(groups_));
    for (int g = 0; g < groups_; ++g) {
      representative[g] = *std::min_element(members_[g].begin(), members_[g].end());
      for (int city : members_[g]) {
        if (city != representative[g]) parent[city] = representative[g], value[city] = threshold_;
      }
    }
    stack_.clear();
    stack_.push_back({group_[0], -1});
    while (!stack_.empty()) {
      const auto [group, from] = stack_.back();
      stack_.pop_back();
      for (int edge : treeEdgesOf_[group]) {
        if (edge == from) continue;
        const int child = other(edge, group);
        parent[representative[child]] = representative[group];
        value[representative[child]] = treeEdges_[edge].value;
        stack_.push_back({child, edge});
      }
    }
  }

  struct TreeEdge {
    int a, b;
    double value;
  };
  struct Step {
    int group, from;
  };

  int k_;
  std::span<const int> a_, b_;
  std::span<const double> c_;
  double threshold_;
  std::vector<int> adjStart_, adjEdge_, group_, label_, branchNode_;
  std::vector<std::vector<int>> members_, treeEdgesOf_;
  std::vector<TreeEdge> treeEdges_;
  std::vector<Step> stack_;
  int groups_ = 0;
  BlockingFlow flow_;
};

}  // namespace

CutTree gomoryHuTree(int n, std::span<const int> u, std::span<const int> v,
                     std::span<const double> capacity, double threshold) {
  CutTree tree;
  if (n <= 0) return tree;
  const std::size_t N = static_cast<std::size_t>(n);
  tree.parent.assign(N, 0);
  tree.value.assign(N, 0.0);

  // Components of the positive edges, cities in ascending order, each led by its smallest city.
  DisjointSets sets(n);
  for (std::size_t e = 0; e < capacity.size(); ++e) {
    if (capacity[e] > 0.0 && u[e] != v[e]) sets.unite(u[e], v[e]);
  }
  std::vector<int> root(N), local(N), componentStart(N + 1, 0), componentCities(N);
  for (int c = 0; c < n; ++c) {
    root[c] = sets.find(c);  // the smallest city of the component: unions keep the smaller
    local[c] = componentStart[root[c] + 1]++;
  }
  for (int c = 0; c < n; ++c) componentStart[c + 1] += componentStart[c];
  for (int c = 0; c < n; ++c) componentCities[componentStart[root[c]] + local[c]] = c;
  std::vector<int> edgeStart(N + 1, 0), componentEdges;
  for (std::size_t e = 0; e < capacity.size(); ++e) {
    if (capacity[e] > 0.0 && u[e] != v[e]) ++edgeStart[root[u[e]] + 1];
  }
  for (int c = 0; c < n; ++c) edgeStart[c + 1] += edgeStart[c];
  componentEdges.resize(static_cast<std::size_t>(edgeStart[n]));
  {
    std::vector<int> fill(edgeStart.begin(), edgeStart.end() - 1);
    for (std::size_t e = 0; e < capacity.size(); ++e) {
      if (capacity[e] > 0.0 && u[e] != v[e])
        componentEdges[fill[root[u[e]]]++] = static_cast<int>(e);
    }
  }

  std::vector<int> a, b, localParent;
  std::vector<double> c, localValue;
  for (int r = 0; r < n; ++r) {
    if (root[r] != r) continue;
    const int k = componentStart[r + 1] - componentStart[r];
    const int* cities = componentCities.data() + componentStart[r];
    if (k > 1) {
      a.clear(), b.clear(), c.clear();
      for (int q = edgeStart[r]; q < edgeStart[r + 1]; ++q) {
        const int e = componentEdges[q];
        a.push_back(local[u[e]]), b.push_back(local[v[e]]), c.push_back(capacity[e]);
      }
      GroupTree(k, a, b, c, threshold).build(localParent, localValue);
      for (int i = 1; i < k; ++i) {
        tree.parent[cities[i]] = cities[localParent[i]];
        tree.value[cities[i]] = localValue[i];
      }
    }
    tree.parent[r] = 0;  // the component's root hangs from city 0 by a cut of 0
    tree.value[r] = 0.0;
  }
  tree.parent[0] = -1;

  // Preorder with children in ascending order.
  std::vector<int> childStart(N + 1, 0), children(N - 1);
  for (int c = 1; c < n; ++c) ++childStart[tree.parent[c] + 1];
  for (int c = 0; c < n; ++c) childStart[c + 1] += childStart[c];
  {
    std::vector<int> fill(childStart.begin(), childStart.end() - 1);
    for (int c = 1; c < n; ++c) children[fill[tree.parent[c]]++] = c;
  }
  tree.preorder.reserve(N);
  tree.position.assign(N, 0);
  tree.subtreeSize.assign(N, 1);
  std::vector<int> stack{0};
  while (!stack.empty()) {
    const int c = stack.back();
    stack.pop_back();
    tree.position[c] = static_cast<int>(tree.preorder.size());
    tree.preorder.push_back(c);
    for (int i = childStart[c + 1] - 1; i >= childStart[c]; --i) stack.push_back(children[i]);
  }
  for (int i = n - 1; i > 0; --i) {
    const int c = tree.preorder[i];
    tree.subtreeSize[tree.parent[c]] += tree.subtreeSize[c];
  }
  return tree;
}

}  // namespace ringmarch::cut
