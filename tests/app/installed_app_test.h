// The program as start-up finds it installed. A test of the application object gets program
// folders of its own, the call client registered in their registry, a virtual loop, and the
// recording parts, with every message box answered OK; it makes the object itself, from
// `parts.Components()` with whatever it changes there.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/message_box.h"
#include "platform/registry_store/registry_store.h"
#include "platform/virtual_loop.h"
#include "tests/app/app_doubles.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace qav::test {

// The call client as start-up finds it installed (version 5.0.0.0), in the registry kept in
// `registryFolder`; false when it cannot be written.
inline bool RegisterInstalledCallClient(const std::string& registryFolder) {
  RegistryStore store(registryFolder);
  return store.CreateKey(RegistryRoot::kCurrentUser, u"Software\\Skype\\Phone\\UI") == kRegOk &&
         store.SetValue(RegistryRoot::kCurrentUser, u"Software\\Skype\\Phone\\UI", u"Version",
                        MakeRegistryDword(0x05000000)) == kRegOk;
}

class InstalledAppTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(RegisterInstalledCallClient(dir.path() + "/registry")); }

  TempDir dir;
  ScopedProgramFolders folders{dir.path()};
  VirtualLoop v;
  Journal journal;
  AnsweringBoxes boxes{journal, IDOK};
  RecordingParts parts{journal};
};

}  // namespace qav::test
