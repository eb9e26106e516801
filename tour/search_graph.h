// The graph the local search and the bound work on: the instance itself when it is symmetric, or
// its symmetric 2n form when it is not (Jonker & Volgenant 1983: city i becomes an entry i and an
// exit i + n joined by a fixed edge; exit i to entry j costs d(i, j); two entries or two exits are
// never joined). Every Hamiltonian cycle of the 2n form that keeps the fixed edges is a directed
// tour of the same length (the fixed edges cost nothing). Also the candidate lists: the few
// neighbours of each city that moves and ascents consider, built once.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "instance/instance.h"

namespace ringmarch::tour {

// Coordinate instances of up to this many cities get their distances computed once into a dense
// matrix (at most 16 MB): the search and the bound ask for the same pairs many times, and a rule
// such as GEO costs trigonometry on every call.
inline constexpr int kDistanceMatrixLimit = 2000;

// A cost no tour may pay: far above any sum of real distances of up to 2 * 10^5 edges.
inline constexpr std::int64_t kForbiddenCost = std::int64_t{1} << 50;

class SearchGraph {
 public:
  // The instance as it is when symmetric, else its 2n form.
  explicit SearchGraph(const Instance& instance);

  int size() const { return size_; }
  bool isTwinForm() const { return twin_; }
  int citiesOfInstance() const { return instance_->size(); }
  const Instance& instance() const { return *instance_; }

  std::int64_t cost(int a, int b) const {
    if (!matrix_.empty()) {
      return matrix_[static_cast<std::size_t>(a) * static_cast<std::size_t>(size_) +
                     static_cast<std::size_t>(b)];
    }
    if (!twin_) return instance_->distance(a, b);
    const int n = instance_->size();
    const bool aExit = a >= n;
    if (aExit == (b >= n)) return kForbiddenCost;
    if (aExit) return a - n == b ? 0 : instance_->distance(a - n, b);
    return b - n == a ? 0 : instance_->distance(b - n, a);
  }

  // Edges that every tour keeps: at most two per city. False when the edge would give a city a
  // third fixed edge or close a cycle of fixed edges shorter than the whole tour.
  bool addFixedEdge(int a, int b);
  bool isFixed(int a, int b) const {
    const auto i = static_cast<std::size_t>(a);
    return fixedPartner_[2 * i] == b || fixedPartner_[2 * i + 1] == b;
  }
  int fixedCount(int a) const {
    const auto i = static_cast<std::size_t>(a);
    return (fixedPartner_[2 * i] >= 0 ? 1 : 0) + (fixedPartner_[2 * i + 1] >= 0 ? 1 : 0);
  }
  int fixedPartner(int a, int slot) const {
    return fixedPartner_[2 * static_cast<std::size_t>(a) + static_cast<std::size_t>(slot)];
  }

  // Candidate neighbours of each city, nearest first: for coordinates the nearest few plus the
  // nearest few in each quadrant around the city, for matrices the k nearest by distance; for
  // the 2n form, the nearest cities of the other side (never a forbidden pair).
  void buildCandidates(int nearest, int perQuadrant);
  std::span<const int> candidates(int city) const {
    const auto c = static_cast<std::size_t>(city);
    return {candidates_.data() + candidateStart_[c], candidates_.data() + candidateStart_[c + 1]};
  }
  // Candidate lists given by the caller, in the order given (the search reads every entry);
  // false, and nothing changed, when they do not fit the graph (a count, a city out of range, a
  // city its own neighbour, a pair no tour may join).
  bool useCandidates(std::span<const std::vector<int>> lists);
  // Adds the edges of a tour to the candidate lists (so that the graph of candidates holds a
  // Hamiltonian cycle and is connected).
  void addTourEdges(std::span<const int> tour);

 private:
  void buildFromCoordinates(int nearest, int perQuadrant);
  void buildFromMatrix(int nearest);
  void setLists(const std::vector<std::vector<int>>& lists);

  const Instance* instance_;
  int size_ = 0;
  bool twin_ = false;
  std::vector<std::int32_t> matrix_;  // the rule's distances, computed once (small instances)
  std::vector<int> fixedPartner_;
  std::vector<int> fixedRoot_;  // union-find over fixed paths, to refuse short fixed cycles
  std::vector<int> candidates_;
  std::vector<std::size_t> candidateStart_;
};

}  // namespace ringmarch::tour
