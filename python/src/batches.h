// Batches of records read on a worker thread, two at a time: while the
// caller takes one batch apart (making Python strings, which needs the
// interpreter), the worker reads the next and fills its numbers in. Or, for
// a caller that runs as many readers as there are cores, on its own thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace savkit::python {

class Batches {
 public:
  // produce fills records with the batch that starts at row done and says
  // how many rows it holds, 0 at the end.
  using Produce = std::function<std::size_t(std::uint8_t* records, std::int64_t done)>;

  Batches(std::size_t bytes, Produce produce, bool ahead) : produce_(std::move(produce)), ahead_(ahead) {
    for (Slot& s : slots_) s.records.resize(ahead ? bytes : 0);
    if (!ahead) {
      slots_[0].records.resize(bytes);
      return;
    }
    worker_ = std::thread([this] { Work(); });
  }
  Batches(const Batches&) = delete;
  Batches& operator=(const Batches&) = delete;
  ~Batches() {
    if (!ahead_) return;
    {
      std::lock_guard lock(m_);
      stop_ = true;
    }
    ready_.notify_all();
    worker_.join();
  }

  // The next batch in order, or false after the last; a failure of the
  // worker comes out here, after the batches before it.
  bool Next(const std::uint8_t*& records, std::size_t& rows, std::int64_t& done) {
    if (!ahead_) {
      Slot& s = slots_[0];
      s.done = produced_;
      s.rows = produce_(s.records.data(), s.done);
      produced_ += static_cast<std::int64_t>(s.rows);
      records = s.records.data(), rows = s.rows, done = s.done;
      return s.rows > 0;
    }
    std::unique_lock lock(m_);
    ready_.wait(lock, [&] { return slots_[next_].full || failed_ || end_; });
    const Slot& s = slots_[next_];
    if (s.full) {
      records = s.records.data(), rows = s.rows, done = s.done;
      return true;
    }
    if (failed_) std::rethrow_exception(failed_);
    return false;
  }

  // The batch Next gave is taken apart; the worker may fill it again.
  void Release() {
    if (!ahead_) return;
    {
      std::lock_guard lock(m_);
      slots_[next_].full = false;
      next_ ^= 1;
    }
    ready_.notify_all();
  }

 private:
  struct Slot {
    std::vector<std::uint8_t> records;
    std::size_t rows = 0;
    std::int64_t done = 0;
    bool full = false;
  };

  void Work() {
    std::int64_t done = 0;
    for (int s = 0;; s ^= 1) {
      {
        std::unique_lock lock(m_);
        ready_.wait(lock, [&] { return stop_ || !slots_[s].full; });
        if (stop_) return;
      }
      std::size_t rows = 0;
      try {
        rows = produce_(slots_[s].records.data(), done);
      } catch (...) {
        std::lock_guard lock(m_);
        failed_ = std::current_exception();
      }
      {
        std::lock_guard lock(m_);
        if (rows == 0)
          end_ = true;
        else
          slots_[s].rows = rows, slots_[s].done = done, slots_[s].full = true;
      }
      ready_.notify_all();
      if (rows == 0) return;
      done += static_cast<std::int64_t>(rows);
    }
  }

  Produce produce_;
  const bool ahead_;
  std::int64_t produced_ = 0;  // on the caller's thread: rows given so far
  Slot slots_[2];
  std::mutex m_;
  std::condition_variable ready_;
  int next_ = 0;  // the slot Next gives
  bool stop_ = false, end_ = false;
  std::exception_ptr failed_;
  std::thread worker_;
};

}  // namespace savkit::python
