// The one pass over the cases: records are read in batches, and each batch's
// variables are counted by two threads taking them in turn, the reading
// thread joining once it has read the next batch.
#include <algorithm>
#include <atomic>
#include <barrier>
#include <cmath>
#include <cstring>
#include <exception>
#include <thread>

#include "codebook.h"
#include "savkit/resourcestrings.h"
#include "savkit/model/sets.h"
#include "savkit/front/records.h"
#include "savkit/spssio.h"

namespace savkit::cli::codebook {

namespace {

// A batch holds up to 4,096 cases and, for wide files, about 8 MB.
constexpr std::size_t kBatchCases = 4096;
constexpr std::size_t kBatchBytes = 8 << 20;

std::string_view StoredText(const std::uint8_t* slot, std::size_t size) {
  const void* nul = std::memchr(slot, 0, size);
  return {reinterpret_cast<const char*>(slot),
          nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - slot) : size};
}

class Pass {
 public:
  Pass(TSPSSDatafile& d, Summary& s) : d_(d), s_(s), records_(d) {
    caseSize_ = records_.Size();
    batchCases_ = std::clamp<std::size_t>(kBatchBytes / std::max<std::size_t>(caseSize_, 1), 1, kBatchCases);
    for (auto& b : batch_) b.records.resize(caseSize_ * batchCases_), b.weights.resize(batchCases_);
    if (s.weight) weightMissing_ = std::make_unique<MissingSpec>(*s.weight);
    tasks_ = s.variables.size() + s.sets.size();
  }

  void Run(const std::function<void(std::int64_t)>& progress) {
    const std::int64_t cases = d_.Cases()->Count();
    if (cases > 0) records_.Seek(0);
    std::int64_t done = Read(batch_[0], cases, 0);
    std::barrier sync(2);
    std::exception_ptr failed;
    bool finished = false;
    int current = 0;
    std::thread helper([&] {
      for (;;) {
        sync.arrive_and_wait();  // a batch is ready, or the end
        if (finished) return;
        try {
          Count(batch_[current]);
        } catch (...) {
          failed = std::current_exception();
          next_ = tasks_;  // the batch's remaining tasks go undone; the reader stops
        }
        sync.arrive_and_wait();
      }
    });
    try {
      while (batch_[current].rows > 0) {
        next_ = 0;
        sync.arrive_and_wait();
        // While the helper counts, the next batch is read.
        std::int64_t read = 0;
        try {
          read = Read(batch_[1 - current], cases, done);
          Count(batch_[current]);
        } catch (...) {
          next_ = tasks_;
          sync.arrive_and_wait();
          throw;
        }
        sync.arrive_and_wait();
        if (failed) std::rethrow_exception(failed);
        done += read;
        progress(done);
        current = 1 - current;
      }
    } catch (...) {
      finished = true;
      sync.arrive_and_wait();
      helper.join();
      throw;
    }
    finished = true;
    sync.arrive_and_wait();
    helper.join();
  }

 private:
  struct Batch {
    std::vector<std::uint8_t> records;
    std::vector<double> weights;  // 0: the case is left out
    int rows = 0;
  };

  // Reads up to a batch of the cases after done.
  std::int64_t Read(Batch& b, std::int64_t cases, std::int64_t done) {
    b.rows = static_cast<int>(std::min<std::int64_t>(static_cast<std::int64_t>(batchCases_), cases - done));
    for (int r = 0; r < b.rows; ++r) {
      std::uint8_t* record = b.records.data() + caseSize_ * static_cast<std::size_t>(r);
      records_.Read(reinterpret_cast<char*>(record));
      b.weights[static_cast<std::size_t>(r)] = WeightOf(record);
    }
    return b.rows;
  }

  double WeightOf(const std::uint8_t* record) {
    s_.cases += 1;
    double w = 1;
    if (s_.weight) {
      std::memcpy(&w, record + s_.weight->ReadOffset(), sizeof w);
      if (weightMissing_->Number(w) || !(w > 0 && std::isfinite(w))) {  // system-missing is negative
        s_.unweighted += 1;
        return 0;
      }
    }
    s_.weightedCases += w;
    return w;
  }

  // Takes tasks (a variable or a set each) of the batch until none is left.
  void Count(const Batch& b) {
    for (std::size_t t; (t = next_.fetch_add(1)) < tasks_;) {
      if (t < s_.variables.size())
        CountVariable(s_.variables[t], b);
      else
        CountSet(*s_.sets[t - s_.variables.size()], b);
    }
  }

  void CountVariable(VariableSummary& v, const Batch& b) const {
    const std::size_t offset = static_cast<std::size_t>(v.variable->ReadOffset());
    const std::size_t size = static_cast<std::size_t>(v.variable->StorageSize());
    const std::uint8_t* record = b.records.data() + offset;
    for (int r = 0; r < b.rows; ++r, record += caseSize_) {
      const double w = b.weights[static_cast<std::size_t>(r)];
      if (w == 0) continue;
      if (v.number) {
        double x;
        std::memcpy(&x, record, sizeof x);
        v.number->Add(x, w);
      } else {
        v.text->Add(StoredText(record, size), w);
      }
    }
  }

  void CountSet(SetStats& set, const Batch& b) const {
    std::vector<double> numbers(set.Members());
    std::vector<std::string_view> texts(set.Members());
    for (int r = 0; r < b.rows; ++r) {
      const double w = b.weights[static_cast<std::size_t>(r)];
      if (w == 0) continue;
      const std::uint8_t* record = b.records.data() + caseSize_ * static_cast<std::size_t>(r);
      for (std::size_t i = 0; i < set.Members(); ++i) {
        const TSPSSVariable& m = set.Member(i);
        const std::uint8_t* slot = record + m.ReadOffset();
        if (m.IsNumeric())
          std::memcpy(&numbers[i], slot, sizeof(double));
        else
          texts[i] = StoredText(slot, static_cast<std::size_t>(m.StorageSize()));
      }
      set.Add(numbers, texts, w);
    }
  }

  TSPSSDatafile& d_;
  Summary& s_;
  front::RecordReader records_;
  std::size_t caseSize_ = 0;
  std::size_t batchCases_ = 0;
  Batch batch_[2];
  std::unique_ptr<MissingSpec> weightMissing_;
  std::size_t tasks_ = 0;
  std::atomic<std::size_t> next_{0};
};

}  // namespace

Summary Summarize(TSPSSDatafile& d, const std::function<void(std::int64_t)>& progress) {
  Summary s;
  s.weight = d.Variables()->CaseWeightVar();
  for (int i = 0; i < d.Variables()->Count(); ++i) {
    TSPSSVariable* v = d.Variables()->GetItem(i);
    VariableSummary entry{v, nullptr, nullptr};
    if (v->IsNumeric())
      entry.number = std::make_unique<NumberStats>(*v);
    else
      entry.text = std::make_unique<TextStats>(*v);
    s.variables.push_back(std::move(entry));
  }
  for (int i = 0; i < d.MRMDSets()->Count(); ++i)
    s.sets.push_back(std::make_unique<SetStats>(*d.MRMDSets()->GetItem(i)));
  Pass(d, s).Run(progress);
  // Sorting what each number kept, the variables shared between two threads.
  auto finish = [&s](std::size_t first) {
    for (std::size_t i = first; i < s.variables.size(); i += 2)
      if (s.variables[i].number) s.variables[i].number->Finish();
  };
  std::exception_ptr failed;
  std::thread other([&] {
    try {
      finish(1);
    } catch (...) {
      failed = std::current_exception();
    }
  });
  try {
    finish(0);
  } catch (...) {
    other.join();
    throw;
  }
  other.join();
  if (failed) std::rethrow_exception(failed);
  return s;
}

}  // namespace savkit::cli::codebook
