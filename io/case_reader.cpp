#include "case_reader.h"

#include <algorithm>
#include <cassert>
#include <cfloat>
#include <cstring>

#include "io/format.h"
#include "savkit/spssio.h"

namespace savkit::io {

namespace {

// One element from a command that carries no raw value. The bias comes in by
// value: read through the dictionary it would be reloaded after every store.
inline void Implied(std::uint8_t c, bool numeric, double bias, std::uint8_t* dst) {
  if (!dst) return;
  if (c == code::kBlanks || c == code::kSysmis) {
    // Blanks in a number and system-missing in a string are taken as the other.
    if (numeric) {
      const double d = -DBL_MAX;
      std::memcpy(dst, &d, 8);
    } else {
      std::memset(dst, ' ', 8);
    }
    return;
  }
  const double d = c - bias;
  std::memcpy(dst, &d, 8);
}

}  // namespace

CaseReader::CaseReader(const Dictionary& dict, std::unique_ptr<ByteSource> source, TextCodec& codec)
    : dict_(dict), source_(std::move(source)), window_(*source_), codec_(codec) {
  caseBytes_ = static_cast<std::size_t>(dict.elementsPerCase) * 8;
  direct_ = codec.Identity();
  for (const Variable& v : dict.variables)
    if (v.segments > 1 || static_cast<std::size_t>(v.elements) * 8 != v.slot) direct_ = false;
  scratch_.resize(caseBytes_);
  for (const Variable& v : dict.variables)
    if (!v.IsNumeric() && v.fileWidth % 8 != 0)
      pads_.emplace_back(v.offset + static_cast<std::size_t>(v.fileWidth),
                         v.slot - static_cast<std::size_t>(v.fileWidth));
  if (dict.compression != kUncompressed) checkpoints_.push_back(state_);
  // What each command without a raw value stands for, in a string (first
  // half) and in a number (second).
  for (int numeric = 0; numeric < 2; ++numeric)
    for (int c = 0; c < 256; ++c) {
      std::uint8_t value[8] = {};
      Implied(static_cast<std::uint8_t>(c), numeric != 0, dict.bias, value);
      std::memcpy(&implied_[static_cast<std::size_t>(numeric * 256 + c)], value, 8);
    }
}

int CaseReader::Decode(std::uint8_t* out) {
  if (ended_) return SPSS_FILE_END;
  return dict_.compression == kUncompressed ? DecodeUncompressed(out) : DecodeBytecode(out);
}

// Where the data stop: nothing at all left is the end, part of a case a cut
// file, and a read that failed an error.
int CaseReader::Stopped(bool partly) {
  if (window_.Failed()) {
    const Fault& why = source_->fault;
    fault_.Note(why.offset, why.Empty() ? "the data cannot be read" : why.text);
    return SPSS_FILE_RERROR;
  }
  if (partly) return Cut("the data end inside it");
  ended_ = true;
  return SPSS_FILE_END;
}

// A case that starts but does not end: where it starts, and why.
int CaseReader::Cut(const char* how) {
  fault_.Note(source_->FileOffset(state_.pos),
              "case " + std::to_string(current_ + 1) + ", which starts here, is cut short: " + how);
  return SPSS_DATA_CUT;
}

int CaseReader::DecodeUncompressed(std::uint8_t* out) {
  const std::uint8_t* p = window_.Get(state_.pos, caseBytes_);
  if (!p) return Stopped(window_.Get(state_.pos, 1) != nullptr);
  if (out) {
    std::memcpy(out, p, caseBytes_);
    if (dict_.swap)
      for (int e = 0; e < dict_.elementsPerCase; ++e)
        if (dict_.numeric[static_cast<std::size_t>(e)]) {
          std::uint64_t v;
          std::memcpy(&v, out + 8 * e, 8);
          v = Swap64(v);
          std::memcpy(out + 8 * e, &v, 8);
        }
  }
  state_.pos += caseBytes_;
  return SPSS_OK;
}

namespace {

// One case from a window that holds all it can span. Reading at most n / 8 + 2
// command blocks keeps every read inside the window: n raw values and that
// many blocks take at most n * 9 + 16 bytes, so that the 8 bytes at p can be
// read before the command says whether they are a raw value. A block of eight
// raw values, the common case for measured numbers, is copied at once; other
// commands take their value without a branch on its kind.
template <bool kStore>
const std::uint8_t* DecodeCase(const std::uint8_t* p, [[maybe_unused]] const std::uint8_t* limit, int n,
                               const std::uint8_t* numeric, const std::uint64_t* implied, std::uint8_t* out,
                               std::uint8_t (&cmds)[code::kBlockCommands], int& next) {
  int blocksLeft = n / 8 + 2;
  for (int e = 0; e < n;) {
    if (next == code::kBlockCommands) {
      if (blocksLeft-- == 0) return nullptr;
      std::memcpy(cmds, p, code::kBlockCommands);
      p += code::kBlockCommands;
      next = 0;
      std::uint64_t all;
      std::memcpy(&all, cmds, 8);
      if (all == 0x0101010101010101ULL * code::kRaw && e + code::kBlockCommands <= n) {
        if constexpr (kStore) std::memcpy(out + 8 * e, p, 8 * code::kBlockCommands);
        p += 8 * code::kBlockCommands;
        e += code::kBlockCommands;
        next = code::kBlockCommands;
        continue;
      }
    }
    const std::uint8_t c = cmds[next++];
    if (c == code::kIgnore) continue;
    if (c == code::kEnd) return nullptr;  // rare: the slow path says what it means
    assert(p + 8 <= limit);
    const bool raw = c == code::kRaw;
    if constexpr (kStore) {
      std::uint64_t value;
      std::memcpy(&value, p, 8);
      value = raw ? value : implied[numeric[e] * 256 + c];
      std::memcpy(out + 8 * e, &value, 8);
    }
    p += raw ? 8 : 0;
    ++e;
  }
  return p;
}

}  // namespace

bool CaseReader::DecodeBytecodeInWindow(std::uint8_t* out, int& status) {
  const int n = dict_.elementsPerCase;
  const std::size_t most = static_cast<std::size_t>(n) * 9 + 2 * code::kBlockCommands;
  const std::uint8_t* const base = window_.Get(state_.pos, most);
  if (!base) return false;
  State s = state_;
  const std::uint8_t* numeric = dict_.numeric.data();
  int next = s.next;
  const std::uint8_t* const limit = base + most;
  const std::uint8_t* const end = out ? DecodeCase<true>(base, limit, n, numeric, implied_.data(), out, s.cmds, next)
                                      : DecodeCase<false>(base, limit, n, numeric, implied_.data(), out, s.cmds, next);
  if (!end) return false;
  s.next = static_cast<std::uint8_t>(next);
  assert(end <= limit);
  s.pos += static_cast<std::uint64_t>(end - base);
  state_ = s;
  status = SPSS_OK;
  return true;
}

int CaseReader::DecodeBytecode(std::uint8_t* out) {
  int status;
  if (!dict_.swap && DecodeBytecodeInWindow(out, status)) return status;
  const int n = dict_.elementsPerCase;
  const std::uint8_t* numeric = dict_.numeric.data();
  const double bias = dict_.bias;
  const bool swap = dict_.swap;
  State s = state_;
  for (int e = 0; e < n;) {
    if (s.next == code::kBlockCommands) {
      const std::uint8_t* p = window_.Get(s.pos, code::kBlockCommands);
      if (!p) return Stopped(e > 0);
      std::memcpy(s.cmds, p, code::kBlockCommands);
      s.pos += code::kBlockCommands;
      s.next = 0;
    }
    const std::uint8_t c = s.cmds[s.next++];
    std::uint8_t* dst = out ? out + 8 * e : nullptr;
    switch (c) {
      case code::kIgnore: continue;
      case code::kEnd:
        if (e != 0) return Cut("an end-of-data code stands inside it");
        state_ = s;
        ended_ = true;
        return SPSS_FILE_END;
      case code::kRaw: {
        const std::uint8_t* p = window_.Get(s.pos, 8);
        if (!p) return Stopped(true);
        if (dst) {
          if (swap && numeric[e]) {
            const double d = LoadF64(p, true);
            std::memcpy(dst, &d, 8);
          } else {
            std::memcpy(dst, p, 8);
          }
        }
        s.pos += 8;
        break;
      }
      default: Implied(c, numeric[e], bias, dst);
    }
    ++e;
  }
  state_ = s;
  return SPSS_OK;
}

int CaseReader::Advance(std::uint8_t* elements) {
  const int status = Decode(elements);
  // Data that ends before the number of cases the file declares is damaged.
  if ((status == SPSS_FILE_END || status == SPSS_DATA_CUT) && dict_.cases >= 0 && current_ < dict_.cases) {
    fault_.Note(source_->FileOffset(state_.pos), "the data end after " + std::to_string(current_) + " of the " +
                                                     std::to_string(dict_.cases) + " cases the header declares");
    return SPSS_FILE_RERROR;
  }
  if (status != SPSS_OK) return status;
  ++current_;
  if (dict_.compression != 0 && current_ % kInterval == 0 &&
      static_cast<std::size_t>(current_ / kInterval) == checkpoints_.size())
    checkpoints_.push_back(state_);
  return SPSS_OK;
}

int CaseReader::Seek(std::int64_t caseNumber) {
  if (caseNumber < 0) return SPSS_INVALID_CASE;
  if (dict_.cases >= 0 && caseNumber > dict_.cases) return SPSS_FILE_END;
  if (caseNumber == current_ && !ended_) return SPSS_OK;
  if (dict_.compression == 0) {
    state_.pos = static_cast<std::uint64_t>(caseNumber) * caseBytes_;
    current_ = caseNumber;
    ended_ = false;
    return SPSS_OK;
  }
  // Resume from the checkpoint nearest below, unless going on from here is shorter.
  const std::int64_t wanted = caseNumber / kInterval;
  const std::int64_t known = static_cast<std::int64_t>(checkpoints_.size()) - 1;
  const std::int64_t from = std::min(wanted, known);
  if (ended_ || caseNumber < current_ || from * kInterval > current_) {
    state_ = checkpoints_[static_cast<std::size_t>(from)];
    current_ = from * kInterval;
    ended_ = false;
  }
  while (current_ < caseNumber) {
    const int status = Advance(nullptr);
    if (status != SPSS_OK) return status;
  }
  return SPSS_OK;
}

// A mark: the byte of the data (8, little-endian), the command block (8),
// the next command's index (1), 3 zero bytes, the file's check (4).
void CaseReader::Mark(std::uint8_t mark[kMarkSize], std::uint32_t check) const {
  std::memset(mark, 0, kMarkSize);
  for (int i = 0; i < 8; ++i) mark[i] = static_cast<std::uint8_t>(state_.pos >> (8 * i));
  std::memcpy(mark + 8, state_.cmds, 8);
  mark[16] = state_.next;
  for (int i = 0; i < 4; ++i) mark[20 + i] = static_cast<std::uint8_t>(check >> (8 * i));
}

int CaseReader::SeekMark(std::int64_t caseNumber, const std::uint8_t mark[kMarkSize], std::uint32_t check) {
  std::uint32_t given = 0;
  for (int i = 0; i < 4; ++i) given |= static_cast<std::uint32_t>(mark[20 + i]) << (8 * i);
  if (caseNumber < 0 || (dict_.cases >= 0 && caseNumber > dict_.cases) || given != check || mark[16] > 8 || mark[17] ||
      mark[18] || mark[19])
    return SPSS_INVALID_CASE;
  if (dict_.compression == 0) return Seek(caseNumber);  // the place follows from the number
  State s;
  for (int i = 0; i < 8; ++i) s.pos |= static_cast<std::uint64_t>(mark[i]) << (8 * i);
  if (s.pos % 8 || (caseNumber == 0 && s.pos != 0)) return SPSS_INVALID_CASE;
  std::memcpy(s.cmds, mark + 8, 8);
  s.next = mark[16];
  state_ = s;
  current_ = caseNumber;
  ended_ = false;
  return SPSS_OK;
}

void CaseReader::Transform(const std::uint8_t* elements, std::uint8_t* out) {
  for (const Variable& v : dict_.variables) {
    const std::uint8_t* src = elements + 8 * static_cast<std::size_t>(v.firstElement);
    std::uint8_t* dst = out + v.offset;
    if (v.IsNumeric()) {
      std::memcpy(dst, src, 8);
      continue;
    }
    // The string's bytes: a very long string takes 255 bytes from each of its
    // 256-byte segments until its width is reached.
    text_.clear();
    if (v.segments == 1) {
      text_.assign(reinterpret_cast<const char*>(src), static_cast<std::size_t>(v.fileWidth));
    } else {
      std::size_t left = static_cast<std::size_t>(v.fileWidth);
      for (int s = 0; s < v.segments && left > 0; ++s) {
        const std::size_t take = std::min<std::size_t>(kSegmentWidth, left);
        text_.append(reinterpret_cast<const char*>(src + (kSegmentWidth + 1) * static_cast<std::size_t>(s)), take);
        left -= take;
      }
    }
    if (!codec_.Identity()) {
      while (!text_.empty() && text_.back() == ' ') text_.pop_back();
      text_ = codec_.ToUtf8(text_);
      CutUtf8(text_, v.slot);
    }
    std::memcpy(dst, text_.data(), text_.size());
    std::memset(dst + text_.size(), ' ', v.slot - text_.size());
  }
}

int CaseReader::ReadCase(std::uint8_t* out) {
  if (dict_.cases >= 0 && current_ >= dict_.cases) return SPSS_FILE_END;
  if (direct_) {
    const int status = Advance(out);
    // A string narrower than its slot is its width of bytes; whatever the
    // file holds past them is not part of it.
    for (const auto& [at, n] : pads_) std::memset(out + at, ' ', n);
    return status;
  }
  const int status = Advance(scratch_.data());
  if (status == SPSS_OK) Transform(scratch_.data(), out);
  return status;
}

void CaseReader::Position(std::uint64_t& next, std::uint64_t& blockStart, std::uint8_t cmds[8], int& used) const {
  next = state_.pos;
  used = state_.next;
  std::memcpy(cmds, state_.cmds, 8);
  // The block's commands stand before the raw values its codes 253 took.
  std::uint64_t raws = 0;
  for (int i = 0; i < used && used < 8; ++i) raws += state_.cmds[i] == code::kRaw ? 8 : 0;
  blockStart = used < 8 ? next - raws - 8 : next;
}

int CaseReader::CountCases(std::int64_t& count) {
  int status;
  while ((status = Advance(nullptr)) == SPSS_OK) {
  }
  count = current_;
  // Data cut inside a case: the complete cases count, with the warning.
  return status == SPSS_FILE_END ? SPSS_OK : status;
}

}  // namespace savkit::io
