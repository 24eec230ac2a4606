// The one exception of the Skype protocol model.
//
// A command builder throws it when it refuses its arguments (an empty handle, a property it may not
// ask for), and the notification parser throws it for a line it cannot read. Callers that can be
// handed a bad argument or a bad line catch it; what() says what was refused, for the log.
#pragma once

#include <stdexcept>
#include <string>

namespace qav {

class SkypeProtocolError : public std::runtime_error {
 public:
  explicit SkypeProtocolError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace qav
