// A test of the application object as start-up finds it installed: program folders of its own,
// the call client registered (version 5.0.0.0) in their registry, a virtual loop, and the
// recording parts, with every message box answered OK. The test makes the object itself, from
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

class InstalledAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegistryStore store(dir.path() + "/registry");
    ASSERT_EQ(store.CreateKey(RegistryRoot::kCurrentUser, u"Software\\Skype\\Phone\\UI"), kRegOk);
    ASSERT_EQ(store.SetValue(RegistryRoot::kCurrentUser, u"Software\\Skype\\Phone\\UI", u"Version",
                             MakeRegistryDword(0x05000000)),
              kRegOk);
  }

  TempDir dir;
  ScopedProgramFolders folders{dir.path()};
  VirtualLoop v;
  Journal journal;
  AnsweringBoxes boxes{journal, IDOK};
  RecordingParts parts{journal};
};

}  // namespace qav::test
