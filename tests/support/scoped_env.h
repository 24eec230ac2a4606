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

// Points every folder the program keeps things in (desktop, registry, data, configuration, state,
// temporary, runtime) at its own sub-folder of `root` for the life of the object, so a real program
// a test starts reads and writes nothing of the user's.
class ScopedProgramFolders {
 public:
  explicit ScopedProgramFolders(const std::string& root)
      : desktop_("QAV_DESKTOP_DIR", root + "/desktop"),
        registry_("QAV_REGISTRY_DIR", root + "/registry"),
        data_("QAV_DATA_DIR", root + "/data"),
        config_("QAV_CONFIG_DIR", root + "/config"),
        state_("QAV_STATE_DIR", root + "/state"),
        temp_("QAV_TEMP_DIR", root + "/temp"),
        runtime_("QAV_RUNTIME_DIR", root + "/runtime") {}

 private:
  ScopedEnv desktop_, registry_, data_, config_, state_, temp_, runtime_;
};

}  // namespace qav::test
