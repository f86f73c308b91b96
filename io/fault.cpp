#include "fault.h"

namespace savkit::io {

Fault& OpenFault() {
  thread_local Fault fault;
  return fault;
}

}  // namespace savkit::io
