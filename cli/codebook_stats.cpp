#include "codebook_stats.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <limits>

#include "common.h"
#include "savkit/model/sets.h"
#include "savkit/model/variable.h"
#include "savkit/spssio.h"
#include "savkit/trim.h"

namespace savkit::cli::codebook {

namespace {

std::uint64_t Hash(std::string_view key) { return TextHash(key); }

Distribution Merged(Distribution pairs) {
  std::sort(pairs.begin(), pairs.end());
  Distribution out;
  for (const auto& [x, w] : pairs) {
    if (!out.empty() && out.back().first == x)
      out.back().second += w;
    else
      out.emplace_back(x, w);
  }
  return out;
}

}  // namespace

Tally::Tally(std::size_t cap) : cap_(cap), slots_(16, 0) {}

bool Tally::Add(std::string_view key, double w) {
  const std::uint64_t hash = Hash(key);
  const std::uint64_t bit = hash >> 48;  // another part of the hash than the slot's
  const bool full = entries_.size() == cap_;
  if (full && !(filter_[bit / 64] >> (bit % 64) & 1)) return false;  // surely not a key held
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  for (; slots_[i] != 0; i = (i + 1) & mask) {
    Entry& e = entries_[slots_[i] - 1];
    if (e.hash == hash && e.key == key) {
      e.weight += w;
      return true;
    }
  }
  if (full) return false;
  entries_.push_back({std::string(key), w, hash});
  if (2 * entries_.size() > slots_.size()) {
    Rehash();
  } else {
    slots_[i] = static_cast<std::uint32_t>(entries_.size());
  }
  if (entries_.size() == cap_) {
    filter_.assign(1024, 0);
    for (const Entry& e : entries_) filter_[(e.hash >> 48) / 64] |= std::uint64_t{1} << ((e.hash >> 48) % 64);
  }
  return true;
}

void Tally::Rehash() {
  slots_.assign(slots_.size() * 2, 0);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t k = 0; k < entries_.size(); ++k) {
    std::size_t i = entries_[k].hash & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = static_cast<std::uint32_t>(k + 1);
  }
}

NumberTally::NumberTally(std::size_t cap) : cap_(cap), slots_(16, 0) {}

std::uint64_t NumberTally::Bits(double x) {
  if (x == 0) x = 0;
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

bool NumberTally::Insert(std::uint64_t bits, double w) {
  if (keys_.size() == cap_) return false;
  keys_.push_back(bits);
  weights_.push_back(w);
  if (2 * keys_.size() > slots_.size()) {
    slots_.assign(slots_.size() * 2, 0);
    for (std::size_t k = 0; k < keys_.size(); ++k) Place(k);
  } else {
    Place(keys_.size() - 1);
  }
  return true;
}

void NumberTally::Place(std::size_t index) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = Spread(keys_[index]) & mask;
  while (slots_[i] != 0) i = (i + 1) & mask;
  slots_[i] = static_cast<std::uint32_t>(index + 1);
}

std::vector<std::pair<double, double>> NumberTally::Sorted() const {
  std::vector<std::pair<double, double>> out;
  out.reserve(keys_.size());
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    double x;
    std::memcpy(&x, &keys_[i], sizeof x);
    out.emplace_back(x, weights_[i]);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string_view NumberKey(const double& x, double& scratch) {
  scratch = x == 0 ? 0.0 : x;
  return {reinterpret_cast<const char*>(&scratch), sizeof scratch};
}

double KeyNumber(const std::string& key) {
  assert(key.size() == sizeof(double));
  double x;
  std::memcpy(&x, key.data(), sizeof x);
  return x;
}

double Percentile(const Distribution& sorted, double w, double p) {
  if (sorted.empty()) return std::numeric_limits<double>::quiet_NaN();
  const double target = (w - 1) * p;
  double rank = 0;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    rank += sorted[i].second;
    if (rank <= target) continue;
    if (target + 1 < rank || i + 1 == sorted.size()) return sorted[i].first;
    double whole;
    const double fraction = std::modf(target, &whole);
    return sorted[i].first + fraction * (sorted[i + 1].first - sorted[i].first);
  }
  return sorted.back().first;
}

NumberStats::NumberStats(const TSPSSVariable& v)
    : missing_(v), sysmisValue_(front::Sysmis()), min_(std::numeric_limits<double>::quiet_NaN()), max_(min_) {}

void NumberStats::Add(double x, double w) {
  assert(w > 0);
  if (x == sysmisValue_) {
    sysmis_ += w;
    return;
  }
  if (!std::isfinite(x)) {  // no value a file should hold: counted as missing, and said
    sysmis_ += w;
    notFinite_ += w;
    return;
  }
  if (missing_.Number(x)) {
    userMissing_ += w;
    missing_tally_.Add(x, w);
    return;
  }
  if (valid_ == 0) shift_ = min_ = max_ = x;  // shifting by the first value keeps the sums small
  valid_ += w;
  // Deviations from the first value, summed in doubles; values near the
  // double's end (±1.7e308), whose deviations or squares it cannot hold, in
  // a wider type, so that their mean and spread are still numbers.
  constexpr double kLarge = 1e140;
  if (std::fabs(x) < kLarge && std::fabs(shift_) < kLarge) {
    const double d = x - shift_;
    sum_ += w * d;
    sumSquares_ += w * d * d;
  } else {
    const long double d = static_cast<long double>(x) - shift_;
    wideSum_ += w * d;
    wideSquares_ += w * d * d;
  }
  min_ = std::min(min_, x);
  max_ = std::max(max_, x);
  if (!overflow_) {
    if (valid_tally_.Add(x, w)) return;
    Overflow();
  }
  Keep(x, w);
}

void NumberStats::Overflow() {
  overflow_ = true;
  pairs_ = valid_tally_.Sorted();
  seen_ = pairs_.size();
}

void NumberStats::Keep(double x, double w) {
  ++seen_;
  if (!sampling_) {
    if (pairs_.size() == kExactPairs) {
      // Merging equal values makes room, unless nearly all differ (as a
      // look at the first tenth tells): then sampling starts.
      Distribution first(pairs_.begin(), pairs_.begin() + kExactPairs / 10);
      if (Merged(std::move(first)).size() < kExactPairs / 10 * 9 / 10) pairs_ = Merged(std::move(pairs_));
      if (pairs_.size() > kExactPairs / 2) StartSampling();
    }
    if (!sampling_) {
      pairs_.emplace_back(x, w);
      return;
    }
  }
  // Reservoir sampling: every case so far has the same chance to be kept.
  const std::uint64_t j = static_cast<std::uint64_t>((static_cast<unsigned __int128>(Next()) * seen_) >> 64);
  if (j < pairs_.size()) pairs_[j] = {x, w};
}

void NumberStats::StartSampling() {
  sampling_ = true;
  // A uniform sample of the cases so far, the reservoir to go on with.
  for (std::size_t i = 0; i < kSample; ++i)
    std::swap(pairs_[i], pairs_[i + static_cast<std::size_t>(Next() % (pairs_.size() - i))]);
  pairs_.resize(kSample);
  pairs_.shrink_to_fit();
}

std::uint64_t NumberStats::Next() {
  rng_ ^= rng_ << 13, rng_ ^= rng_ >> 7, rng_ ^= rng_ << 17;
  return rng_;
}

double NumberStats::Mean() const {
  if (valid_ <= 0) return std::numeric_limits<double>::quiet_NaN();
  return static_cast<double>(shift_ + (sum_ + wideSum_) / valid_);
}

double NumberStats::StdDev() const {
  if (valid_ < 2) return std::numeric_limits<double>::quiet_NaN();
  const long double sum = sum_ + wideSum_, squares = sumSquares_ + wideSquares_;
  return static_cast<double>(std::sqrt(std::max(0.0L, (squares - sum * sum / valid_) / (valid_ - 1))));
}

void NumberStats::Finish() {
  values_ = overflow_ ? Merged(std::move(pairs_)) : valid_tally_.Sorted();
  pairs_ = {};
  valuesWeight_ = 0;
  for (const auto& pair : values_) valuesWeight_ += pair.second;
}

TextStats::TextStats(const TSPSSVariable& v) : missing_(v) {}

void TextStats::Add(std::string_view text, double w) {
  text = trim::Blanks(text);
  if (missing_.Text(text)) {
    userMissing_ += w;
    missing_tally_.Add(text, w);
    return;
  }
  valid_ += w;
  if (!valid_tally_.Add(text, w)) overflow_ = true;
}

namespace {

std::vector<std::pair<std::string, double>> Heaviest(const Tally& t) {
  std::vector<std::pair<std::string, double>> out;
  for (const Tally::Entry& e : t.Entries()) out.emplace_back(e.key, e.weight);
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
    return a.second != b.second ? a.second > b.second : a.first < b.first;
  });
  return out;
}

}  // namespace

std::vector<std::pair<std::string, double>> TextStats::Valid() const { return Heaviest(valid_tally_); }
std::vector<std::pair<std::string, double>> TextStats::Missing() const { return Heaviest(missing_tally_); }

SetStats::SetStats(TSPSSMRMDSet& set) : dichotomy_(set.IsDichotomy()) {
  for (int i = 0; i < set.VarList()->Count(); ++i) {
    members_.push_back(set.VarList()->Get_Var(i));
    missing_.emplace_back(*members_.back());
  }
  numeric_ = members_.empty() || members_[0]->IsNumeric();
  if (dichotomy_ && !set.CountedValue().IsEmpty()) {
    if (numeric_)
      countedNumber_ = set.CountedValue().ToDouble();
    else
      countedText_ = std::string(trim::Blanks(set.CountedValue().ToString()));
  }
  memberCounts_.assign(members_.size(), 0);
}

void SetStats::Add(const std::vector<double>& numbers, const std::vector<std::string_view>& texts, double w) {
  bool any = false;
  if (dichotomy_) {
    for (std::size_t i = 0; i < members_.size(); ++i) {
      const bool counted = numeric_ ? numbers[i] == countedNumber_ : trim::Blanks(texts[i]) == countedText_;
      if (counted) memberCounts_[i] += w, any = true;
    }
  } else {
    seen_.clear();
    double scratch;
    for (std::size_t i = 0; i < members_.size(); ++i) {
      std::string key;
      if (numeric_) {
        if (numbers[i] == front::Sysmis() || !std::isfinite(numbers[i]) || missing_[i].Number(numbers[i])) continue;
        key = std::string(NumberKey(numbers[i], scratch));
      } else {
        const std::string_view t = trim::Blanks(texts[i]);
        if (t.empty() || missing_[i].Text(t)) continue;
        key = std::string(t);
      }
      if (std::find(seen_.begin(), seen_.end(), key) != seen_.end()) continue;
      seen_.push_back(key);
      if (!categories_.Add(key, w)) overflow_ = true;
      any = true;
    }
  }
  if (any) cases_ += w;
}

std::vector<std::pair<Variant, double>> SetStats::Categories() const {
  std::vector<std::pair<Variant, double>> out;
  for (const Tally::Entry& e : categories_.Entries())
    out.emplace_back(numeric_ ? Variant(KeyNumber(e.key)) : Variant(e.key), e.weight);
  std::sort(out.begin(), out.end(),
            [](const auto& a, const auto& b) { return Variant::Compare(a.first, b.first) < 0; });
  return out;
}

}  // namespace savkit::cli::codebook
