// What savkit codebook counts of each variable, in one pass over the cases:
// weighted frequencies of distinct values (exact up to a cap), moments,
// extremes, and the values that quartiles and histograms are taken from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common.h"
#include "savkit/host/variant.h"

namespace savkit {
class TSPSSVariable;
class TSPSSMRMDSet;
}  // namespace savkit

namespace savkit::cli::codebook {

// Frequencies are exact for up to this many distinct values of a variable.
constexpr std::size_t kDistinctCap = 1000;
// Quartiles and histograms of a variable with more distinct values are exact
// for up to this many (value, weight) pairs, and from a uniform random
// sample of kSample cases beyond.
constexpr std::size_t kExactPairs = 100000;
constexpr std::size_t kSample = 20000;

// Distinct keys (a number's 8 bytes or a text) and their summed weights, up
// to a cap. The tables start small and grow, so a file of many variables
// with few values each takes little memory.
class Tally {
 public:
  struct Entry {
    std::string key;
    double weight;
    std::uint64_t hash;
  };
  explicit Tally(std::size_t cap = kDistinctCap);
  // Adds w to key's weight; false, changing nothing, for a new key past the cap.
  bool Add(std::string_view key, double w);
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  void Rehash();  // twice the slots
  std::size_t cap_;
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> slots_;   // entry index + 1; 0 empty; grown up to twice the cap
  std::vector<std::uint64_t> filter_;  // once full: a bit per hash's top 16 bits of the keys held
};

// The same for numbers, compared by their bits.
class NumberTally {
 public:
  explicit NumberTally(std::size_t cap = kDistinctCap);
  bool Add(double x, double w) {
    const std::uint64_t bits = Bits(x);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Spread(bits) & mask;; i = (i + 1) & mask) {
      const std::uint32_t at = slots_[i];
      if (at == 0) return Insert(bits, w);
      if (keys_[at - 1] == bits) {
        weights_[at - 1] += w;
        return true;
      }
    }
  }
  std::size_t Size() const { return keys_.size(); }
  // The values and their weights, in ascending order.
  std::vector<std::pair<double, double>> Sorted() const;

 private:
  static std::uint64_t Bits(double x);  // -0 as 0
  static std::uint64_t Spread(std::uint64_t bits) {
    bits ^= bits >> 29;
    bits *= 0xBF58476D1CE4E5B9ULL;
    return bits ^ (bits >> 32);
  }
  bool Insert(std::uint64_t bits, double w);
  void Place(std::size_t index);  // puts keys_[index] in a free slot
  std::size_t cap_;
  std::vector<std::uint64_t> keys_;
  std::vector<double> weights_;
  std::vector<std::uint32_t> slots_;
};

// A number as a tally key, -0 and 0 alike, and back.
std::string_view NumberKey(const double& x, double& scratch);
double KeyNumber(const std::string& key);

// (value, weight) pairs in ascending order of value, equal values merged.
using Distribution = std::vector<std::pair<double, double>>;

// The p-th fraction of a distribution of total weight w: rank (w - 1) p,
// between two values by the fraction of the rank.
double Percentile(const Distribution& sorted, double w, double p);

class NumberStats {
 public:
  explicit NumberStats(const TSPSSVariable& v);
  void Add(double x, double w);  // w > 0

  double ValidWeight() const { return valid_; }
  double UserMissingWeight() const { return userMissing_; }
  double SystemMissingWeight() const { return sysmis_; }  // with NaN and infinities
  double NotFiniteWeight() const { return notFinite_; }
  double Mean() const;
  double StdDev() const;  // NaN below a total weight of 2
  double Min() const { return min_; }
  double Max() const { return max_; }
  // All distinct valid values are known, with exact weights.
  bool Counted() const { return !overflow_; }
  // The quartiles and histogram are exact rather than from a sample.
  bool Exact() const { return !overflow_ || !sampling_; }
  std::size_t Distinct() const { return valid_tally_.Size(); }
  // Sorts what was kept, once all cases are in.
  void Finish();
  // Valid values with their weights: all of them, or the sample's.
  const Distribution& Values() const { return values_; }
  double ValuesWeight() const { return valuesWeight_; }
  Distribution UserMissing() const { return missing_tally_.Sorted(); }

 private:
  void Overflow();
  void Keep(double x, double w);
  void StartSampling();
  std::uint64_t Next();  // xorshift
  MissingSpec missing_;
  double sysmisValue_;
  NumberTally valid_tally_, missing_tally_;
  Distribution values_;
  double valuesWeight_ = 0;
  double valid_ = 0, userMissing_ = 0, sysmis_ = 0, notFinite_ = 0;
  double shift_ = 0, sum_ = 0, sumSquares_ = 0;
  long double wideSum_ = 0, wideSquares_ = 0;  // of values whose squares a double cannot hold
  double min_, max_;
  bool overflow_ = false, sampling_ = false;
  Distribution pairs_;
  std::uint64_t seen_ = 0, rng_ = 0x9E3779B97F4A7C15ULL;
};

class TextStats {
 public:
  explicit TextStats(const TSPSSVariable& v);
  void Add(std::string_view text, double w);  // trailing blanks dropped first

  double ValidWeight() const { return valid_; }
  double UserMissingWeight() const { return userMissing_; }
  bool Counted() const { return !overflow_; }
  // Distinct values, heaviest first (ties in byte order); user-missing ones apart.
  std::vector<std::pair<std::string, double>> Valid() const;
  std::vector<std::pair<std::string, double>> Missing() const;

 private:
  MissingSpec missing_;
  Tally valid_tally_, missing_tally_;
  double valid_ = 0, userMissing_ = 0;
  bool overflow_ = false;
};

// A multiple-response set: how often each category (or member, for a
// dichotomy) is counted, and in how many cases any is.
class SetStats {
 public:
  explicit SetStats(TSPSSMRMDSet& set);
  std::size_t Members() const { return members_.size(); }
  const TSPSSVariable& Member(std::size_t i) const { return *members_[i]; }
  // Called per case with each member's value: a number's, or a text's.
  void Add(const std::vector<double>& numbers, const std::vector<std::string_view>& texts, double w);

  bool Dichotomy() const { return dichotomy_; }
  double CasesWeight() const { return cases_; }  // cases with any counted
  // A dichotomy's counts, a member each.
  const std::vector<double>& MemberCounts() const { return memberCounts_; }
  // A category set's counted values in order, each once per case.
  std::vector<std::pair<Variant, double>> Categories() const;
  bool Counted() const { return !overflow_; }

 private:
  std::vector<const TSPSSVariable*> members_;
  std::vector<MissingSpec> missing_;
  bool dichotomy_, numeric_;
  double countedNumber_ = 0;
  std::string countedText_;
  std::vector<double> memberCounts_;
  Tally categories_;
  double cases_ = 0;
  bool overflow_ = false;
  std::vector<std::string> seen_;  // a case's categories, each counted once
};

}  // namespace savkit::cli::codebook
