#include "portable_text.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>
#include <map>

#include "file_input.h"

namespace savkit::io {

namespace {
constexpr std::size_t kRawChunk = 1u << 20;
constexpr std::size_t kScan = 64u << 10;
constexpr std::size_t kFillAhead = 256u << 10;  // the most of a line looked at for its end at once
constexpr std::size_t kMeasureBytes = 64u << 10;
constexpr std::uint64_t kAnchorEvery = 1u << 20;  // characters between the places kept to go back to
constexpr std::size_t kNoPadding = std::numeric_limits<std::size_t>::max();
}  // namespace

PortableText::PortableText(int fd, std::uint64_t size) : fd_(fd), size_(size) {
  for (int i = 0; i < 256; ++i) map_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  anchors_.push_back(Line{0, 0});
  lines_.push_back(Line{0, 0});
}

bool PortableText::MeasureLines() {
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size_, kMeasureBytes));
  std::vector<std::uint8_t> head(n);
  if (!ReadFully(fd_, head.data(), n, 0)) return failed_ = true, false;
  // Most lines of a file have its length; some drop their trailing blanks,
  // and a few may be longer. The commonest length of the first lines is
  // the file's (the longer of two as common); a file with no line end there
  // is not padded.
  std::map<std::size_t, std::size_t> lengths;
  std::size_t begin = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (head[i] != '\n' && head[i] != '\r') continue;
    ++lengths[i - begin];
    if (head[i] == '\r' && i + 1 < n && head[i + 1] == '\n') ++i;
    begin = i + 1;
  }
  lineLength_ = kNoPadding;
  std::size_t most = 0;
  for (const auto& [length, count] : lengths)
    if (count >= most && length > 0) {
      most = count;
      lineLength_ = length;
    }
  return true;
}

void PortableText::Translate(const std::array<std::uint8_t, 256>& map, std::uint64_t from) {
  map_ = map;
  identity_ = true;
  for (int i = 0; i < 256; ++i)
    if (map_[static_cast<std::size_t>(i)] != i) identity_ = false;
  anchors_.assign(1, Line{0, 0});
  buf_.clear();
  start_ = 0;
  lines_.assign(1, Line{0, 0});
  nextFile_ = 0;
  std::size_t count;
  At(from, 1, count);
}

void PortableText::Restart(std::uint64_t pos) {
  // The last place kept at or before pos; the end of what is in memory when
  // that is nearer.
  auto it =
      std::upper_bound(anchors_.begin(), anchors_.end(), pos, [](std::uint64_t p, const Line& a) { return p < a.pos; });
  assert(it != anchors_.begin());
  const Line anchor = *(it - 1);
  const std::uint64_t end = start_ + buf_.size();
  if (!(end <= pos && end >= anchor.pos && !lines_.empty())) {
    buf_.clear();
    start_ = anchor.pos;
    lines_.assign(1, anchor);
    nextFile_ = anchor.file;
  } else {
    buf_.clear();
    start_ = end;
  }
}

bool PortableText::ReadRaw() {
  // Keeps the bytes from nextFile_ on and reads on after them.
  if (nextFile_ < rawStart_ || nextFile_ > rawStart_ + raw_.size()) {
    raw_.clear();
    rawStart_ = nextFile_;
  } else {
    raw_.erase(raw_.begin(), raw_.begin() + static_cast<std::ptrdiff_t>(nextFile_ - rawStart_));
    rawStart_ = nextFile_;
  }
  const std::uint64_t from = rawStart_ + raw_.size();
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kRawChunk, size_ - from));
  if (want == 0) return false;
  const std::size_t old = raw_.size();
  raw_.resize(old + want);
  if (!ReadFully(fd_, raw_.data() + old, want, from)) {
    raw_.resize(old);
    failed_ = true;
    return false;
  }
  return true;
}

bool PortableText::Fill(std::size_t min) {
  // Lines are added whole where they end within a scan's reach; a longer
  // one is added in pieces, and padded (if at all) where it ends.
  while (buf_.size() < min) {
    if (nextFile_ >= size_) return false;
    const bool inRaw = nextFile_ >= rawStart_ && nextFile_ <= rawStart_ + raw_.size();
    const std::size_t avail = inRaw ? static_cast<std::size_t>(rawStart_ + raw_.size() - nextFile_) : 0;
    const std::size_t window = std::min(avail, kScan);
    const std::uint8_t* p = inRaw ? raw_.data() + (nextFile_ - rawStart_) : nullptr;
    const auto* nl = window ? static_cast<const std::uint8_t*>(std::memchr(p, '\n', window)) : nullptr;
    const auto* cr =
        window ? static_cast<const std::uint8_t*>(std::memchr(p, '\r', nl ? static_cast<std::size_t>(nl - p) : window))
               : nullptr;
    const std::uint8_t* stop = cr ? cr : nl;
    const bool atEof = rawStart_ + raw_.size() >= size_ && inRaw;
    // A line end just past the window, or a CR whose LF is not read yet, needs more bytes.
    if ((!stop && !atEof && avail < kScan) || (stop && stop + 1 == p + avail && !atEof)) {
      if (!ReadRaw()) return false;
      continue;
    }
    const std::size_t len = stop ? static_cast<std::size_t>(stop - p) : window;
    const std::size_t before = buf_.size();
    buf_.resize(before + len);
    if (len > 0 && identity_)
      std::memcpy(buf_.data() + before, p, len);
    else
      for (std::size_t i = 0; i < len; ++i) buf_[before + i] = map_[p[i]];
    const Line current = lines_.back();
    const std::uint64_t column = start_ + before + len - current.pos;  // the line's characters so far
    const bool padded = lineLength_ != kNoPadding && column < lineLength_;
    if (stop) {
      if (padded) buf_.resize(buf_.size() + (lineLength_ - column), ' ');
      nextFile_ += len + ((stop == cr && stop + 1 < p + avail && stop[1] == '\n') ? 2 : 1);
      const Line next{start_ + buf_.size(), nextFile_};
      lines_.push_back(next);
      if (next.pos >= anchors_.back().pos + kAnchorEvery) anchors_.push_back(next);
    } else {
      nextFile_ += len;  // a piece of a long line, or the last line
      if (nextFile_ >= size_ && padded) buf_.resize(buf_.size() + (lineLength_ - column), ' ');
    }
  }
  return true;
}

void PortableText::Drop(std::uint64_t pos) {
  const std::size_t drop = static_cast<std::size_t>(std::min<std::uint64_t>(pos - start_, buf_.size()));
  buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(drop));
  start_ += drop;
  // The lines wholly before it go; the one it is in stays.
  auto keep =
      std::upper_bound(lines_.begin(), lines_.end(), start_, [](std::uint64_t p, const Line& l) { return p < l.pos; });
  if (keep != lines_.begin()) --keep;
  lines_.erase(lines_.begin(), keep);
}

const std::uint8_t* PortableText::At(std::uint64_t pos, std::size_t min, std::size_t& count) {
  count = 0;
  if (pos < start_ || pos > start_ + buf_.size()) Restart(pos);
  if (pos > start_) Drop(pos);  // what lies before pos is let go
  while (start_ < pos) {        // restarted before pos: read on to it
    if (!Fill(static_cast<std::size_t>(std::min<std::uint64_t>(pos - start_, kRawChunk)))) return nullptr;
    Drop(pos);
  }
  // Filled well past what is asked, so that asking is rare.
  if (buf_.size() < min) Fill(std::max(min, kFillAhead));
  count = buf_.size();
  return count ? buf_.data() : nullptr;
}

std::int64_t PortableText::FileOffset(std::uint64_t pos) const {
  for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
    if (it->pos <= pos) return static_cast<std::int64_t>(it->file + (pos - it->pos));
  return -1;
}

}  // namespace savkit::io
