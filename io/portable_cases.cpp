#include "portable_cases.h"

#include <algorithm>
#include <cstring>

#include "portable_format.h"
#include "portable_records.h"

namespace savkit::io {

namespace {

constexpr std::int64_t kCheckpointEvery = 256;

// The cases, decoded into the uncompressed layout on request; the count
// made on opening left the place of every 256th case.
class PortableSource : public ByteSource {
 public:
  PortableSource(std::unique_ptr<PortableText> text, std::vector<Slot> slots, std::vector<std::uint64_t> checkpoints,
                 std::int64_t cases, std::size_t caseBytes)
      : text_(std::move(text)),
        fields_(*text_, checkpoints.empty() ? 0 : checkpoints[0]),
        slots_(std::move(slots)),
        checkpoints_(std::move(checkpoints)),
        cases_(cases),
        caseBytes_(caseBytes),
        scratch_(caseBytes) {}

  long ReadAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) override;
  std::int64_t FileOffset(std::uint64_t) const override { return text_->FileOffset(fields_.Pos()); }

 private:
  bool SeekCase(std::int64_t k);
  bool DecodeCase(std::uint8_t* out);

  std::unique_ptr<PortableText> text_;
  PortableFields fields_;
  std::vector<Slot> slots_;
  std::vector<std::uint64_t> checkpoints_;
  std::int64_t cases_;
  std::size_t caseBytes_;
  std::int64_t next_ = 0;  // the case fields_ stands before
  std::vector<std::uint8_t> scratch_;
  std::string value_;
};

bool PortableSource::SeekCase(std::int64_t k) {
  const std::int64_t mark = k / kCheckpointEvery;
  if (k < next_ || mark > next_ / kCheckpointEvery) {
    fields_.Seek(checkpoints_[static_cast<std::size_t>(mark)]);
    next_ = mark * kCheckpointEvery;
  }
  while (next_ < k)
    if (!DecodeCase(scratch_.data())) return false;
  return true;
}

bool PortableSource::DecodeCase(std::uint8_t* out) {
  std::string why;
  for (const Slot& s : slots_) {
    if (s.width == 0) {
      double v;
      if (!fields_.Number(v, why)) break;
      std::memcpy(out + s.offset, &v, 8);
    } else {
      if (!fields_.String(value_, portable::kMaxStringWidth, why)) break;
      std::memset(out + s.offset, ' ', s.bytes);
      std::memcpy(out + s.offset, value_.data(), std::min(value_.size(), s.bytes));
    }
  }
  if (why.empty()) return ++next_, true;
  // The count read these cases whole: the file changed since, or cannot be read.
  fault.Note(text_->FileOffset(fields_.Pos()), "case " + std::to_string(next_ + 1) + " cannot be read again: " + why);
  return false;
}

long PortableSource::ReadAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) {
  const std::uint64_t total = static_cast<std::uint64_t>(cases_) * caseBytes_;
  if (pos >= total || caseBytes_ == 0) return 0;
  n = static_cast<std::size_t>(std::min<std::uint64_t>(n, total - pos));
  std::size_t off = static_cast<std::size_t>(pos % caseBytes_);
  if (!SeekCase(static_cast<std::int64_t>(pos / caseBytes_))) return -1;
  std::size_t done = 0;
  while (done < n) {
    if (off == 0 && n - done >= caseBytes_) {
      if (!DecodeCase(dst + done)) return -1;
      done += caseBytes_;
      continue;
    }
    if (!DecodeCase(scratch_.data())) return -1;
    const std::size_t take = std::min(caseBytes_ - off, n - done);
    std::memcpy(dst + done, scratch_.data() + off, take);
    done += take;
    off = 0;
  }
  return static_cast<long>(done);
}

}  // namespace

Count CountCases(PortableFields& f, const std::vector<Slot>& slots) {
  Count c;
  std::string text;
  for (;;) {
    const std::uint64_t start = f.Pos();
    const int first = f.PeekField();
    if (first == portable::kEnd) break;
    if (first < 0) {
      c.why = "the data end without the Z that closes them";
      c.faultAt = f.Pos();
      break;
    }
    if (c.cases % kCheckpointEvery == 0) c.checkpoints.push_back(start);
    for (const Slot& s : slots) {
      double v;
      const bool ok = s.width == 0 ? f.Number(v, c.why) : f.String(text, static_cast<std::size_t>(s.width), c.why);
      if (!ok) {
        c.why = "case " + std::to_string(c.cases + 1) + ": " + c.why;
        c.faultAt = f.Pos();
        if (c.cases % kCheckpointEvery == 0) c.checkpoints.pop_back();
        return c;
      }
      if (s.width) NoteUtf8(text, c.allUtf8);
    }
    ++c.cases;
  }
  return c;
}

std::unique_ptr<ByteSource> MakePortableSource(std::unique_ptr<PortableText> text, std::vector<Slot> slots, Count count,
                                               std::size_t caseBytes) {
  return std::make_unique<PortableSource>(std::move(text), std::move(slots), std::move(count.checkpoints), count.cases,
                                          caseBytes);
}

}  // namespace savkit::io
