// Exchange filter. For a focus city h and its candidate edge h-l, supposes in turn that the tour
// uses h->l and l->h. Under that supposition each open city m near h must still find a pair of
// candidate arcs p->m, m->s that no simple exchange with the supposed arc or with the path's end
// edges improves (2-exchange, moving m, a, b or a two-city segment, and the path exchange test).
// The cheapest such pair's excess over m's share of the degree bound is charged to the room that
// twice the budget leaves; when the room is used up, or some m has no pair at all, the supposed
// direction cannot lead to a strictly shorter tour and is removed with restrictAndPropagate.
// Reads the node, the path, the distances and the neighbour order; writes the node only through
// restrictAndPropagate. False: a removal made the node infeasible. Allocates nothing.
#include <limits>

#include "solver/path_exchange.h"
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {
namespace {

constexpr Cost kNoPair = std::numeric_limits<std::int32_t>::max();

// The supposed arc a->b with what every pair search under it reads.
struct SupposedArc {
  std::int32_t a;
  std::int32_t b;
  Cost length;         // d(a, b)
  Cost aInsert;        // a's insertCost
  Cost bInsert;        // b's insertCost
  bool incomingFirst;  // try each edge of m first as m's incoming arc
};

class PairSearch {
 public:
  PairSearch(const SearchContext& context, const SearchNode& node)
      : d_(context.state.distance), ends_(pathEndsOf(d_, *node.path)), node_(node) {}

  // Cheapest compatible pair of m's candidate arcs under the supposed arc, kNoPair when none.
  Cost cheapestPair(const SupposedArc& arc, std::int32_t m, Cost insertLimit) const {
    const CityCandidates& entry = *node_.entryOfCity[m];
    Cost pairCost = kNoPair;
    std::int32_t limit = entry.edgeCount;
    for (std::int32_t j1 = 0; j1 < limit - 1; ++j1) {
      tryFirstArc(arc, entry, m, insertLimit, j1, arc.incomingFirst, pairCost, limit);
      if (j1 + 1 >= limit) break;
      tryFirstArc(arc, entry, m, insertLimit, j1, !arc.incomingFirst, pairCost, limit);
    }
    return pairCost;
  }

 private:
  // Single-arc conditions 1 to 3 for p->m (incoming) under a->b.
  bool incomingArcFits(const SupposedArc& arc, std::int32_t p, std::int32_t m) const {
    if (p == arc.a) return false;
    if (p == arc.b && arc.length + d_[arc.b][m] - d_[arc.a][m] > arc.bInsert) return false;
    return arc.length + d_[p][m] <= Cost{d_[arc.a][p]} + d_[arc.b][m];
  }
  // Single-arc conditions 1 to 3 for m->s (outgoing) under a->b.
  bool outgoingArcFits(const SupposedArc& arc, std::int32_t m, std::int32_t s) const {
    if (s == arc.b) return false;
    if (s == arc.a && d_[m][arc.a] + arc.length - d_[m][arc.b] > arc.aInsert) return false;
    return arc.length + d_[m][s] <= Cost{d_[arc.a][m]} + d_[arc.b][s];
  }

  // Tries edge j1 of m as its incoming (or outgoing) arc and pairs it with a later edge in the
  // other role; lowers pairCost and limit on success or once pairs cannot get cheaper.
  void tryFirstArc(const SupposedArc& arc, const CityCandidates& entry, std::int32_t m,
                   Cost insertLimit, std::int32_t j1, bool incoming, Cost& pairCost,
                   std::int32_t& limit) const {
    const CandidateEdge& firstEdge = entry.edges[j1];
    const std::int32_t x1 = firstEdge.city;
    if (incoming) {
      if ((firstEdge.dirs & kIncoming) == 0 || !incomingArcFits(arc, x1, m)) return;
    } else {
      if ((firstEdge.dirs & kOutgoing) == 0 || !outgoingArcFits(arc, m, x1)) return;
    }
    // The arc x1->m or m->x1.
    const std::int32_t tail = incoming ? x1 : m;
    const std::int32_t head = incoming ? m : x1;
    if (!pathExchangeHolds(d_, ends_, arc.a, arc.b, tail, head, arc.length + d_[tail][head],
                           orderOfArcs(ends_, arc.a, arc.b, tail, head))) {
      return;
    }
    const Cost firstLeg = d_[x1][m];
    const std::uint8_t secondBit = incoming ? kOutgoing : kIncoming;
    for (std::int32_t j2 = j1 + 1; j2 < limit; ++j2) {
      const CandidateEdge& secondEdge = entry.edges[j2];
      const std::int32_t x2 = secondEdge.city;
      const Cost q = firstLeg + d_[m][x2];
      if (q >= pairCost) {
        limit = j2;
        return;
      }
      if ((secondEdge.dirs & secondBit) == 0) continue;
      const bool fits = incoming ? pairFits(arc, m, insertLimit, firstEdge, secondEdge, true)
                                 : pairFits(arc, m, insertLimit, secondEdge, firstEdge, false);
      if (fits) {
        pairCost = q;
        limit = j2;
        return;
      }
    }
  }

  // The second arc's single-arc conditions and exchange test, and the pair conditions, for the
  // incoming arc p->m (edge inEdge) and the outgoing arc m->s (edge outEdge).
  bool pairFits(const SupposedArc& arc, std::int32_t m, Cost insertLimit,
                const CandidateEdge& inEdge, const CandidateEdge& outEdge,
                bool startedWithIncoming) const {
    const std::int32_t p = inEdge.city;
    const std::int32_t s = outEdge.city;
    if (p == arc.b && s == arc.a) return false;  // would close the cycle a->b->m->a
    if (Cost{d_[p][m]} + d_[m][s] - d_[p][s] > insertLimit) return false;
    if (p == arc.b && arc.length + d_[m][s] - d_[arc.a][s] > inEdge.exchangeCost) return false;
    if (s == arc.a && Cost{d_[p][m]} + arc.length - d_[p][arc.b] > outEdge.exchangeCost) {
      return false;
    }
    if (startedWithIncoming ? !outgoingArcFits(arc, m, s) : !incomingArcFits(arc, p, m)) {
      return false;
    }
    // The second arc: m->s after p->m, or p->m after m->s.
    const std::int32_t tail = startedWithIncoming ? m : p;
    const std::int32_t head = startedWithIncoming ? s : m;
    const ArcOrder hint = startedWithIncoming ? orderKnowingIn(ends_, arc.a, arc.b, p, s)
                                              : orderKnowingOut(ends_, arc.a, arc.b, p, s);
    return pathExchangeHolds(d_, ends_, arc.a, arc.b, tail, head, arc.length + d_[tail][head],
                             hint);
  }

  const DistanceRows& d_;
  const PathEnds ends_;
  const SearchNode& node_;
};

std::int32_t medianDistance(const SearchContext& context, const CityCandidates& entry) {
  return context.state.distance[entry.city][entry.edges[entry.edgeCount / 2].city];
}

// Cities whose edges are examined: with a path of two or more cities, the current city, then
// open cities near the path (each path city's walk stops after the first city beyond the current
// city's median distance), then the first city.
std::int32_t buildFocusList(const SearchContext& context, const SearchNode& node,
                            std::int32_t (&focus)[kRowCount]) {
  const TourRecord& path = *node.path;
  const std::int32_t cityCount = context.state.cityCount;
  if (path.count < 2) {
    for (std::int32_t c = 0; c < cityCount; ++c) focus[c] = c;
    return cityCount;
  }
  const auto& d = context.state.distance;
  const auto& rows = context.state.workProblem.rows;
  const std::int32_t threshold = medianDistance(context, *node.currentEntry);
  std::uint8_t marked[kRowCount] = {};
  std::int32_t count = 0;
  focus[count++] = path.currentCity;
  for (std::int32_t k = path.count - 1; k >= 0; --k) {
    const std::int32_t w = path.order[k];
    const std::int32_t* neighbours = rows[w].neighbourOrder;
    for (std::int32_t r = 1; r < cityCount; ++r) {
      const std::int32_t u = neighbours[r];
      if (path.position[u] != -1 || marked[u] != 0) continue;
      marked[u] = 1;
      focus[count++] = u;
      if (d[w][u] > threshold) break;
    }
  }
  if (path.firstCity != path.currentCity) focus[count++] = path.firstCity;
  return count;
}

// Open cities near h, nearest first, up to and including the first beyond h's median distance.
std::int32_t buildNearList(const SearchContext& context, const SearchNode& node, std::int32_t h,
                           std::int32_t threshold, std::int32_t (&nearList)[kRowCount]) {
  const std::int32_t cityCount = context.state.cityCount;
  const std::int32_t* neighbours = context.state.workProblem.rows[h].neighbourOrder;
  const auto& d = context.state.distance;
  std::int32_t count = 0;
  for (std::int32_t r = 1; r < cityCount; ++r) {
    const std::int32_t u = neighbours[r];
    // h itself stands at position 0 unless another city lies at distance 0 from it; its own
    // share of the bound is already in the room, so it is never priced as a near city.
    if (node.path->position[u] != -1 || u == h) continue;
    nearList[count++] = u;
    if (d[h][u] > threshold) break;
  }
  return count;
}

}  // namespace

bool exchangeFilter(SearchContext& context, SearchNode& node) {
  if (!context.options.fullChain || !context.options.chain.exchangeFilter) return true;
  const TourRecord& path = *node.path;
  const std::int32_t cityCount = context.state.cityCount;
  if (cityCount - path.count < 5) return true;
  // The evaluation has already pruned a node whose current city has no candidate left; the
  // filter has nothing to measure its focus by then.
  if (path.count >= 2 && node.currentEntry->edgeCount <= 0) return true;
  const auto& d = context.state.distance;

  std::int32_t focus[kRowCount];
  std::int32_t nearList[kRowCount];
  const std::int32_t focusCount = buildFocusList(context, node, focus);
  const PairSearch pairs(context, node);

  for (std::int32_t f = 0; f < focusCount; ++f) {
    const std::int32_t h = focus[f];
    CityCandidates& entry = *node.entryOfCity[h];
    if (entry.edgeCount <= 0) continue;
    const std::int32_t nearCount =
        buildNearList(context, node, h, medianDistance(context, entry), nearList);
    for (std::int32_t i = entry.edgeCount - 1; i >= 0; --i) {
      const CandidateEdge& edge = entry.edges[i];
      const std::int32_t l = edge.city;
      const std::uint8_t oldDirs = edge.dirs;
      std::uint8_t dirs = oldDirs;
      const Cost hl = d[h][l];
      const Cost room = 2 * budgetOf(context, node) - (node.outSum + node.inSum + node.adjustSum) +
                        entry.adjust - hl;
      Cost outRoom = room + entry.minOut;
      Cost inRoom = room + entry.minIn;
      const CityCandidates& lEntry = *node.entryOfCity[l];
      const SupposedArc outArc{h, l, hl, entry.insertCost, lEntry.insertCost, true};
      const SupposedArc inArc{l, h, Cost{d[l][h]}, lEntry.insertCost, entry.insertCost, false};

      for (std::int32_t r = 0; r < nearCount && dirs != 0; ++r) {
        const std::int32_t m = nearList[r];
        if (m == l) continue;
        const CityCandidates& mEntry = *node.entryOfCity[m];
        Cost insertLimit = Cost{d[l][m]} + d[h][m] - hl;
        if (mEntry.insertCost < insertLimit) insertLimit = mEntry.insertCost;
        const Cost share = Cost{mEntry.minOut} + mEntry.minIn + mEntry.adjust;
        if ((dirs & kOutgoing) != 0) {
          const Cost pairCost = pairs.cheapestPair(outArc, m, insertLimit);
          if (pairCost == kNoPair) {
            dirs &= static_cast<std::uint8_t>(~kOutgoing);
          } else {
            outRoom += share - pairCost;
            if (outRoom <= 0) dirs &= static_cast<std::uint8_t>(~kOutgoing);
          }
        }
        if ((dirs & kIncoming) != 0) {
          const Cost pairCost = pairs.cheapestPair(inArc, m, insertLimit);
          if (pairCost == kNoPair) {
            dirs &= static_cast<std::uint8_t>(~kIncoming);
          } else {
            inRoom += share - pairCost;
            if (inRoom <= 0) dirs &= static_cast<std::uint8_t>(~kIncoming);
          }
        }
      }
      if (dirs == oldDirs) continue;
      if (!restrictAndPropagate(context, node, h, l, i, dirs)) return false;
      // The next edge examined is the one just below position i.
      if (i > entry.edgeCount) i = entry.edgeCount;
    }
  }
  return true;
}

}  // namespace ringmarch
