// libFuzzer target: any bytes, opened and read whole by the data file component.
#include <cstddef>
#include <cstdint>

#include "fuzz_file.h"
#include "read_everything.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static savkit::fuzzing::FuzzFile file;
  savkit::fuzzing::ReadThroughComponent(file.Hold(data, size));
  return 0;
}
