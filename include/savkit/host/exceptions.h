// The exception family of the framework layer. Every failure the library raises
// derives from savkit::Exception, which carries the message and a help context.
#pragma once

#include <exception>
#include <string>

namespace savkit {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message, int helpContext = 0)
      : message_(std::move(message)), helpContext_(helpContext) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  int HelpContext() const noexcept { return helpContext_; }

 private:
  std::string message_;
  int helpContext_;
};

// A text that is not a number, a date that does not exist, and the like.
class EConvertError : public Exception {
  using Exception::Exception;
};

// An index outside a list or collection.
class EListError : public Exception {
  using Exception::Exception;
};

// Component ownership and naming.
class EComponentError : public Exception {
  using Exception::Exception;
};

class EVariantError : public Exception {
  using Exception::Exception;
};

// A variant that cannot be converted to the type asked for.
class EVariantTypeCastError : public EVariantError {
  using EVariantError::EVariantError;
};

// An index outside the bounds of a variant array.
class EVariantBadIndexError : public EVariantError {
  using EVariantError::EVariantError;
};

}  // namespace savkit
