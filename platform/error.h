// Errors that end the operation in progress and reach the user in an error box.
#pragma once

#include <stdexcept>
#include <string>

namespace vorlisk {

// Base of every error the program raises on purpose. Its message is what the user sees.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file (item, order, settings or registry file) could not be written: "Unable to write to %s".
class WriteError : public Error {
 public:
  explicit WriteError(const std::string& path) : Error("Unable to write to " + path) {}
};

}  // namespace vorlisk
