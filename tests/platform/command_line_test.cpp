#include <gtest/gtest.h>

#include "platform/command_line.h"
#include "platform/text.h"

using namespace qav;

namespace {

constexpr SwitchSpec kFlag{u"/removable", SwitchValue::kNone};
constexpr SwitchSpec kAttached{u"/pimcontext=", SwitchValue::kAttached};
constexpr SwitchSpec kSeparate{u"/updatepath", SwitchValue::kSeparate};

TEST(CommandLine, MatchesWholeArgumentsWithoutCaseAndKeepsValues) {
  struct Case {
    std::vector<std::u16string> arguments;
    SwitchSpec spec;
    bool found;
    std::u16string value;
  } cases[] = {
      {{u"/removable"}, kFlag, true, u""},
      {{u"/REMOVABLE"}, kFlag, true, u""},
      {{u"/media/removable/QAV"}, kFlag, false, u""},  // a path that contains the switch
      {{u"/removables"}, kFlag, false, u""},
      {{u"x", u"/Removable"}, kFlag, true, u""},
      {{u"/pimcontext=3"}, kAttached, true, u"3"},
      {{u"/PimContext=\"4\""}, kAttached, true, u"4"},
      {{u"/pimcontext="}, kAttached, true, u""},
      {{u"/updatepath", u"/media/USB/QAV/"}, kSeparate, true, u"/media/USB/QAV/"},
      {{u"/updatepath:", u"/media/My Stick/"}, kSeparate, true, u"/media/My Stick/"},
      {{u"/UpdatePath=/Media/X"}, kSeparate, true, u"/Media/X"},
      {{u"/updatepath:\"/a b/\""}, kSeparate, true, u"/a b/"},
      {{u"/updatepath"}, kSeparate, true, u""},
      {{u"/updatepathx", u"/y"}, kSeparate, false, u""},
  };
  for (const auto& c : cases) {
    const auto match = CommandLine(c.arguments).Find(c.spec);
    ASSERT_EQ(match.has_value(), c.found) << U8(c.arguments[0]);
    if (match) {
      EXPECT_EQ(match->value, c.value) << U8(c.arguments[0]);
    }
  }
}

TEST(CommandLine, TextLinesSplitQuoteAndRejoin) {
  const CommandLine line = CommandLine::FromText(u"/useskypepath \"/opt/My Skype/skype\" /pimid=\"a b\" tail\\\"x");
  EXPECT_EQ(line.arguments(), (std::vector<std::u16string>{u"/useskypepath", u"/opt/My Skype/skype", u"/pimid=a b",
                                                           u"tail\"x"}));
  EXPECT_EQ(line.Find({u"/useskypepath", SwitchValue::kSeparate})->value, u"/opt/My Skype/skype");
  // Whatever the arguments hold, the text form splits back into the same arguments.
  const CommandLine tricky({u"", u"a b", u"q\"uote", u"back\\\\", u"end\\", u"plain"});
  EXPECT_EQ(CommandLine::FromText(tricky.ToText()).arguments(), tricky.arguments());
}

TEST(CommandLine, TableTakesEachArgumentOnceAndWithoutDropsTheValue) {
  const SwitchSpec table[] = {kFlag, kSeparate, kAttached};
  const CommandLine line({u"/updatepath", u"/removable", u"/pimcontext=6", u"other"});
  const auto found = line.MatchTable(table);
  ASSERT_EQ(found.size(), 2u);  // "/removable" is the value of "/updatepath" here
  EXPECT_EQ(found[0].first, 1u);
  EXPECT_EQ(found[0].second.value, u"/removable");
  EXPECT_EQ(found[1].first, 2u);
  EXPECT_EQ(found[1].second.value, u"6");
  EXPECT_EQ(line.Without(kSeparate).arguments(), (std::vector<std::u16string>{u"/pimcontext=6", u"other"}));
  const CommandLine other({u"/media/removable", u"x"});
  EXPECT_EQ(other.Without(kFlag).arguments(), other.arguments());
}

}  // namespace
