#pragma once

#include <stdexcept>
#include <string>

namespace invoice {

// A failed step of reading or converting invoice data. The message is the
// exact text shown to the user, in Windows-1252 like every invoice text.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace invoice
