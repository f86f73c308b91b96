// libFuzzer target: any bytes, read whole through the I/O library.
#include <cstddef>
#include <cstdint>

#include "fuzz_file.h"
#include "read_everything.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static savkit::fuzzing::FuzzFile file;
  savkit::fuzzing::ReadThroughLibrary(file.Hold(data, size).c_str());
  return 0;
}
