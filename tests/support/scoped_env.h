// Sets (or unsets) an environment variable for the life of the object and puts the old value
// back afterwards, so a test can point the program's folders at its own temporary folder.
#pragma once

#include <optional>
#include <string>

namespace qav::test {

class ScopedEnv {
 public:
  // nullopt unsets the variable.
  ScopedEnv(std::string name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace qav::test
