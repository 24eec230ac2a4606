#include "app/app_switches.h"

#include <gtest/gtest.h>

#include "platform/text.h"

using namespace qav;

namespace {

TEST(AppSwitches, WhatAStartAsksFor) {
  struct Case {
    std::vector<std::u16string> arguments;
    bool forward;
    bool showsAgain;
    const char* expect;  // the flags that must be set, as letters
  } cases[] = {
      // i isrunning, s shutdown, r removable, v removeqavvac, I install, U uninstall, P pimcmd
      {{u"/ISRUNNING"}, false, false, "i"},
      {{u"/Shutdown"}, false, false, "s"},
      {{u"/WinStartUp"}, true, false, ""},
      {{u"/bringtofocus"}, true, false, ""},
      {{u"/install"}, true, false, "I"},
      {{u"/uninstall"}, false, false, "U"},
      {{u"/pimcmd", u"/pimcontext=3"}, false, true, "P"},
      {{u"/winstartup", u"/pimcontext=5"}, true, false, ""},  // 5 shows nothing more
      {{u"/winstartup", u"/PIMCONTEXT=6", u"/pimcontext=0"}, true, true, ""},  // the first one counts
      {{u"/useskypepath", u"/media/removable/skype"}, false, false, ""},        // a value, not a switch
      {{u"/updatepath:", u"/removable/"}, false, false, ""},
      {{u"/Removable", u"/removeqavvac"}, false, false, "rv"},
      {{u"/removable/x", u"/installer", u"/winstartupx"}, false, false, ""},  // whole arguments only
  };
  for (const auto& c : cases) {
    const CAppStartRequest r = ParseAppSwitches(CommandLine(c.arguments));
    const std::string name = qav::U8(c.arguments[0]);
    EXPECT_EQ(r.ForwardRequest(), c.forward) << name;
    EXPECT_EQ(r.PimContextShowsAgain(), c.showsAgain) << name;
    const std::string expect = c.expect;
    EXPECT_EQ(r.isRunning, expect.find('i') != std::string::npos) << name;
    EXPECT_EQ(r.shutdown, expect.find('s') != std::string::npos) << name;
    EXPECT_EQ(r.removable, expect.find('r') != std::string::npos) << name;
    EXPECT_EQ(r.removeVac, expect.find('v') != std::string::npos) << name;
    EXPECT_EQ(r.table[AppSwitch::INSTALL], expect.find('I') != std::string::npos) << name;
    EXPECT_EQ(r.table[AppSwitch::UNINSTALL], expect.find('U') != std::string::npos) << name;
    EXPECT_EQ(r.table[AppSwitch::PIMCMD], expect.find('P') != std::string::npos) << name;
  }
  EXPECT_EQ(ParseAppSwitches(CommandLine({u"x"})).pimContext, -1);
}

TEST(AppSwitches, PathValuesKeepTheirCaseAndBlanks) {
  const CAppStartRequest r = ParseAppSwitches(
      CommandLine::FromText(u"/UseSkypePath \"/opt/My Skype/Skype\" /UPDATEPATH: \"/media/USB Stick/QAV/\""));
  EXPECT_EQ(r.useSkypePath, u"/opt/My Skype/Skype");
  EXPECT_EQ(r.updatePath, u"/media/USB Stick/QAV/");
  EXPECT_FALSE(ParseAppSwitches(CommandLine({u"/winstartup"})).updatePath.has_value());
}

}  // namespace
