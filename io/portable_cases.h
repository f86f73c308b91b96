// A portable file's cases: counted on opening, leaving the place of every
// 256th, then decoded on request into the uncompressed system layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "byte_source.h"
#include "portable_fields.h"
#include "portable_text.h"

namespace savkit::io {

// Where each variable's value goes in a case of the uncompressed layout.
struct Slot {
  int width;           // 0 for a number
  std::size_t offset;  // in the case's bytes
  std::size_t bytes;
};

// The count: each value read through, a checkpoint every 256 cases, and
// the first fault, which ends it (why, and where in the text).
struct Count {
  std::int64_t cases = 0;
  std::vector<std::uint64_t> checkpoints;
  bool allUtf8 = true;
  std::string why;
  std::uint64_t faultAt = 0;
};

Count CountCases(PortableFields& f, const std::vector<Slot>& slots);

// The cases counted, decoded from the text they were counted in.
std::unique_ptr<ByteSource> MakePortableSource(std::unique_ptr<PortableText> text, std::vector<Slot> slots, Count count,
                                               std::size_t caseBytes);

}  // namespace savkit::io
