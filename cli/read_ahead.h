// Records read ahead: a worker thread fills the next batch while the caller
// takes the records of the last, so that reading and working on the records
// share two cores. The reader runs on one thread at a time, batch after batch.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <future>
#include <string>
#include <utility>
#include <vector>

namespace savkit::cli {

class ReadAhead {
 public:
  // Fills a record and the line it starts on; false at the end of the input.
  using Reader = std::function<bool(std::vector<std::string>& record, long& line)>;

  explicit ReadAhead(Reader read) : read_(std::move(read)) { Start(); }
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;
  ~ReadAhead() {
    if (pending_.valid()) pending_.wait();
  }

  // The next record, valid until the next call, and its line; false at the
  // end. What the reader threw is thrown here, after the records before it.
  bool Next(const std::vector<std::string>*& record, long& line) {
    if (taken_ == current_.count) {
      if (current_.error) std::rethrow_exception(current_.error);
      if (current_.last) return false;
      pending_.get();
      std::swap(current_, ahead_);
      taken_ = 0;
      if (!current_.last) Start();
      if (current_.count == 0) return Next(record, line);
    }
    record = &current_.records[taken_];
    line = current_.lines[taken_];
    ++taken_;
    return true;
  }

 private:
  static constexpr std::size_t kBatch = 2048;
  struct Batch {
    std::vector<std::vector<std::string>> records;  // their strings used again batch after batch
    std::vector<long> lines;
    std::size_t count = 0;
    bool last = false;
    std::exception_ptr error;  // what ended the input, after the records before it
  };

  void Start() {
    pending_ = std::async(std::launch::async, [this] {
      Batch& b = ahead_;
      b.count = 0;
      b.records.resize(kBatch);
      b.lines.resize(kBatch);
      try {
        for (; b.count < kBatch; ++b.count)
          if (!read_(b.records[b.count], b.lines[b.count])) {
            b.last = true;
            return;
          }
      } catch (...) {
        b.error = std::current_exception();
        b.last = true;
      }
    });
  }

  Reader read_;
  Batch current_, ahead_;
  std::size_t taken_ = 0;
  std::future<void> pending_;
};

}  // namespace savkit::cli
