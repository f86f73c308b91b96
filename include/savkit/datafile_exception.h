// The one exception type of the data file model.
#pragma once

#include <cstdint>

#include "savkit/host/exceptions.h"

namespace savkit {

class ESPSSDataFileException : public Exception {
 public:
  // For the library's statuses: ErrorCode is the status.
  ESPSSDataFileException(std::string message, std::int32_t errorCode)
      : Exception(std::move(message)), errorCode_(errorCode) {}
  // For the model's own checks: ErrorCode is 0.
  explicit ESPSSDataFileException(std::string message) : Exception(std::move(message)) {}

  std::int32_t ErrorCode() const noexcept { return errorCode_; }

 private:
  std::int32_t errorCode_ = 0;
};

}  // namespace savkit
