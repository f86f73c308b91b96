// Reading the dictionary records. Every count and length comes from the file,
// so each is checked against the bytes that remain before anything is sized
// by it.
#include <cstring>

#include "fault.h"
#include "io/format.h"
#include "file_input.h"
#include "raw_dictionary.h"
#include "savkit/spssio.h"
#include "savkit/trim.h"

namespace savkit::io {

namespace {

class Records {
 public:
  Records(FileInput& in, bool swap) : in_(in), swap_(swap) {}

  // Says what is wrong with the record being read; false, for returning.
  bool Bad(std::string what) {
    OpenFault().Note(static_cast<std::int64_t>(start_), name_ + " " + what);
    return false;
  }
  // The record whose type was just read, for the fault that may follow.
  void Begin(std::string name) {
    name_ = std::move(name);
    start_ = in_.Pos() - 4;
  }
  void Rename(std::string name) { name_ = std::move(name); }
  // A record read in vain for no reason said: the file ended, or could not be read.
  int Fail() {
    Bad(in_.Failed() ? "cannot be read" : "ends unexpectedly");
    return Status();
  }

  bool Bytes(void* dst, std::size_t n) { return in_.Read(dst, n); }
  bool Int(std::int32_t& v) {
    std::uint8_t b[4];
    if (!in_.Read(b, 4)) return false;
    v = LoadI32(b, swap_);
    return true;
  }
  bool Text(std::string& s, std::size_t n) {
    s.resize(n);
    return in_.Read(s.data(), n);
  }
  // True when count items of at least minSize bytes each can still follow.
  bool Fits(std::int64_t count, std::int64_t minSize) const {
    return count >= 0 && static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(minSize) <= in_.Remaining();
  }
  int Status() const { return in_.Failed() ? SPSS_FILE_RERROR : SPSS_INVALID_FILE; }
  std::uint64_t Start() const { return start_; }
  FileInput& in() { return in_; }

 private:
  FileInput& in_;
  bool swap_;
  std::string name_;
  std::uint64_t start_ = 0;
};

int BadHeader(std::size_t at, std::string what) {
  OpenFault().Note(static_cast<std::int64_t>(at), std::move(what));
  return SPSS_INVALID_FILE;
}

int ReadHeader(FileInput& in, RawDictionary& raw) {
  std::uint8_t h[header::kSize];
  if (!in.Read(h, sizeof h)) {
    if (in.Failed()) return OpenFault().Note(0, "the file header cannot be read"), SPSS_FILE_RERROR;
    return BadHeader(0, "the file is shorter than a file header (" + std::to_string(in.Size()) + " of " +
                            std::to_string(header::kSize) + " bytes)");
  }
  if (std::memcmp(h + header::kMagic, header::kMagicPlain, 4) == 0) {
    raw.zlib = false;
  } else if (std::memcmp(h + header::kMagic, header::kMagicZlib, 4) == 0) {
    raw.zlib = true;
  } else {
    return BadHeader(header::kMagic, "it does not start with $FL2 or $FL3");
  }
  const std::int32_t layout = LoadI32(h + header::kLayout, false);
  if (layout == 2 || layout == 3) {
    raw.swap = false;
  } else if (LoadI32(h + header::kLayout, true) == 2 || LoadI32(h + header::kLayout, true) == 3) {
    raw.swap = true;
  } else {
    return BadHeader(header::kLayout, "the header's layout code is " + std::to_string(layout) + ", not 2 or 3");
  }
  raw.compression = LoadI32(h + header::kCompression, raw.swap);
  if (raw.compression < kUncompressed || raw.compression > kZlib || (raw.compression == kZlib) != raw.zlib)
    return BadHeader(header::kCompression, "the header's compression code " + std::to_string(raw.compression) +
                                               " does not go with " + (raw.zlib ? "$FL3" : "$FL2"));
  raw.weightIndex = LoadI32(h + header::kWeight, raw.swap);
  raw.cases = LoadI32(h + header::kCases, raw.swap);
  raw.bias = LoadF64(h + header::kBias, raw.swap);
  raw.product.assign(reinterpret_cast<const char*>(h + header::kProduct), header::kProductLength);
  raw.date.assign(reinterpret_cast<const char*>(h + header::kDate), header::kDateLength);
  raw.time.assign(reinterpret_cast<const char*>(h + header::kTime), header::kTimeLength);
  raw.fileLabel = trim::Padding({reinterpret_cast<const char*>(h + header::kLabel), header::kLabelLength});
  return SPSS_OK;
}

bool ReadVariable(Records& r, RawDictionary& raw) {
  std::int32_t f[5];
  char name[8];
  for (auto& v : f)
    if (!r.Int(v)) return false;
  if (!r.Bytes(name, 8)) return false;
  RawVariable var;
  var.type = f[0];
  var.offset = r.Start();
  if (var.type < -1 || var.type > kSegmentWidth)
    return r.Bad("has the width " + std::to_string(var.type) + ", not -1 to 255");
  if (f[1] != 0 && f[1] != 1) return r.Bad("has the label flag " + std::to_string(f[1]) + ", not 0 or 1");
  var.print = static_cast<std::uint32_t>(f[3]);
  var.write = static_cast<std::uint32_t>(f[4]);
  var.name = trim::Padding({name, 8});
  if (f[1] == 1) {
    std::int32_t len;
    if (!r.Int(len)) return false;
    if (!r.Fits(len, 1)) return r.Bad("has a label of " + std::to_string(len) + " bytes, more than the file holds");
    if (!r.Text(var.label, static_cast<std::size_t>(len))) return false;
    if (!r.in().Skip((4 - len % 4) % 4)) return false;
  }
  const int n = f[2];
  if (n != 0 && n != 1 && n != 2 && n != 3 && n != -2 && n != -3)
    return r.Bad("has the missing-value code " + std::to_string(n) + ", not 0 to 3, -2 or -3");
  var.missingCount = n;
  for (int i = 0; i < (n < 0 ? -n : n); ++i)
    if (!r.Bytes(var.missing[static_cast<std::size_t>(i)].data(), 8)) return false;
  raw.variables.push_back(std::move(var));
  return true;
}

bool ReadValueLabels(Records& r, RawDictionary& raw) {
  std::int32_t count;
  if (!r.Int(count)) return false;
  if (!r.Fits(count, 16)) return r.Bad("claims " + std::to_string(count) + " labels, more than the file holds");
  RawValueLabels vl;
  vl.labels.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    std::array<std::uint8_t, 8> value;
    std::uint8_t len;
    if (!r.Bytes(value.data(), 8) || !r.Bytes(&len, 1)) return false;
    std::string label;
    if (!r.Text(label, len)) return false;
    if (!r.in().Skip((8 - (len + 1) % 8) % 8)) return false;
    vl.labels.emplace_back(value, std::move(label));
  }
  std::int32_t type, n;
  if (!r.Int(type)) return false;
  if (type != kValueLabelVariables) return r.Bad("is followed by a record of type " + std::to_string(type) + ", not 4");
  if (!r.Int(n)) return false;
  if (!r.Fits(n, 4)) return r.Bad("claims " + std::to_string(n) + " variables, more than the file holds");
  vl.indexes.resize(static_cast<std::size_t>(n));
  for (auto& idx : vl.indexes)
    if (!r.Int(idx)) return false;
  raw.valueLabels.push_back(std::move(vl));
  return true;
}

bool ReadDocuments(Records& r, RawDictionary& raw) {
  std::int32_t n;
  if (!r.Int(n)) return false;
  if (!r.Fits(n, static_cast<std::int64_t>(kDocumentLine)))
    return r.Bad("claims " + std::to_string(n) + " lines, more than the file holds");
  for (std::int32_t i = 0; i < n; ++i) {
    std::string line;
    if (!r.Text(line, kDocumentLine)) return false;
    raw.documents.push_back(std::move(line));
  }
  return true;
}

bool ReadExtension(Records& r, RawDictionary& raw) {
  RawRecord rec;
  std::int32_t subtype, size, count;
  if (!r.Int(subtype)) return false;
  r.Rename("extension record of subtype " + std::to_string(subtype));
  if (!r.Int(size) || !r.Int(count)) return false;
  if (size < 0 || count < 0)
    return r.Bad("has the item size " + std::to_string(size) + " and count " + std::to_string(count) +
                 ", which cannot be");
  if (!r.Fits(count, size))
    return r.Bad("claims " + std::to_string(count) + " items of " + std::to_string(size) +
                 " bytes, more than the file holds");
  rec.subtype = subtype;
  rec.size = size;
  rec.count = count;
  rec.offset = r.in().Pos();
  rec.data.resize(static_cast<std::size_t>(size) * static_cast<std::size_t>(count));
  if (!r.Bytes(rec.data.data(), rec.data.size())) return false;
  raw.extensions.push_back(std::move(rec));
  return true;
}

}  // namespace

int ReadRawDictionary(int fd, std::uint64_t fileSize, RawDictionary& raw) {
  // Every fault noted says which record, at which byte: the first one only.
  FileInput in(fd, fileSize);
  if (const int status = ReadHeader(in, raw)) return status;
  Records r(in, raw.swap);
  for (;;) {
    std::int32_t type;
    if (!r.Int(type)) {
      OpenFault().Note(static_cast<std::int64_t>(in.Pos()),
                       in.Failed() ? "the dictionary cannot be read" : "the dictionary has no end (record type 999)");
      return in.Failed() ? SPSS_FILE_RERROR : SPSS_NO_TYPE999;
    }
    bool ok;
    switch (type) {
      case kVariableRecord: r.Begin("variable record"), ok = ReadVariable(r, raw); break;
      case kValueLabelRecord: r.Begin("value label record"), ok = ReadValueLabels(r, raw); break;
      case kDocumentRecord: r.Begin("document record"), ok = ReadDocuments(r, raw); break;
      case kExtensionRecord: r.Begin("extension record"), ok = ReadExtension(r, raw); break;
      case kDictionaryEnd: {
        r.Begin("dictionary end record");
        std::int32_t filler;
        if (!r.Int(filler)) return r.Fail();
        raw.dataOffset = in.Pos();
        if (raw.variables.empty())
          OpenFault().Note(static_cast<std::int64_t>(in.Pos()) - 8, "the dictionary has no variables");
        return raw.variables.empty() ? SPSS_NO_TYPE2 : SPSS_OK;
      }
      default:
        r.Begin("record");
        r.Bad("has the type " + std::to_string(type) + ", which no dictionary record has");
        return SPSS_INVALID_FILE;
    }
    if (!ok) return r.Fail();
  }
}

}  // namespace savkit::io
