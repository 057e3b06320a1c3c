// The environment of ScopedEnv (test_support.h): the only part of the portable fixtures that
// differs between operating systems.
#include "test_support.h"

#include <cstdlib>

namespace vorlisk::test {

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
  if (const char* old = std::getenv(name)) previous_ = old;
  Set(value);
}

void ScopedEnv::Set(const std::optional<std::string>& value) {
#ifdef _WIN32
  ::_putenv_s(name_.c_str(), value ? value->c_str() : "");  // "" removes the variable
#else
  if (value)
    ::setenv(name_.c_str(), value->c_str(), 1);
  else
    ::unsetenv(name_.c_str());
#endif
}

}  // namespace vorlisk::test
