// libFuzzer target: any bytes read whole through the I/O library, started
// from portable files, so that what it explores is the portable reader:
// its lines, character table, base-30 numbers and counted strings.
#include <cstddef>
#include <cstdint>

#include "fuzz_file.h"
#include "read_everything.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static savkit::fuzzing::FuzzFile file;
  savkit::fuzzing::ReadThroughLibrary(file.Hold(data, size).c_str());
  return 0;
}
