// Reading and writing portable files (.por) through the same dictionary and
// case records as system files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "byte_source.h"
#include "dictionary.h"
#include "io/text_codec.h"

namespace savkit::io {

// True when the file starts as a portable file does.
bool LooksPortable(int fd, std::uint64_t size);

// Reads a file LooksPortable took for one: its dictionary into dict, counting its cases, and
// makes the source of its cases in the uncompressed system layout. encoding,
// when given, is what the bytes outside the portable character set are
// taken to be. A status, or SPSS_DATA_CUT with the cases before a fault.
int OpenPortable(int fd, std::uint64_t size, const char* encoding, Dictionary& dict,
                 std::unique_ptr<ByteSource>& source, Fault& fault);

// Writes a dictionary as a portable file's header and records, then its
// cases, then the end; texts come in UTF-8.
class PortableWriter {
 public:
  PortableWriter(int fd, const Dictionary& dict);
  ~PortableWriter();
  PortableWriter(const PortableWriter&) = delete;
  PortableWriter& operator=(const PortableWriter&) = delete;
  // SPSS_EXC_STRVALUE, naming the variable in why, when a text holds a
  // character the portable set lacks.
  int WriteDictionary(std::string& why);
  int WriteCase(const std::uint8_t* record, std::string& why);
  int Finish();

 private:
  int MakeCase(const std::uint8_t* record, std::string& why);
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Short names a portable file can hold: up to 8 capitals, digits and
// @$_. starting with a capital; others become VAR001 and on.
void PortableShortNames(Dictionary& dict);

// What a portable file cannot hold of a dictionary, one line a variable or
// fact, empty when it holds it all: very long strings and the like.
std::string PortableMisfits(const Dictionary& dict);

}  // namespace savkit::io
