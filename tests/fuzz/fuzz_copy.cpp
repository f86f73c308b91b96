// libFuzzer target: any bytes, read and written back whole with
// spssOpenWriteCopy, so that hostile dictionaries reach the writer too; a
// copy that is written must read back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_file.h"
#include "read_everything.h"
#include "savkit/spssio.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static savkit::fuzzing::FuzzFile file;
  static const std::string target = "/tmp/savkit-fuzz-copy-" + std::to_string(::getpid()) + ".sav";
  const std::string& path = file.Hold(data, size);
  if (savkit::fuzzing::CopyThroughLibrary(path.c_str(), target.c_str(), -1) <= 0) {
    int h;
    // What we wrote, we must read.
    if (spssOpenRead(target.c_str(), &h) > 0) std::abort();
    spssCloseRead(h);
    savkit::fuzzing::ReadThroughLibrary(target.c_str());
  }
  ::unlink(target.c_str());
  return 0;
}
