#include <gtest/gtest.h>

#include <vector>

#include "platform/autostart.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

using namespace qav;

namespace {

TEST(AutostartCommand, ArgumentsAreQuotedAndReadBack) {
  test::TempDir dir;
  const std::u16string folder = U16(dir.path() + "/autostart/");
  const std::vector<std::u16string> arguments = {u"/winstartup", u"50% $HOME"};
  EXPECT_EQ(DesktopExecLine(u"/opt/my apps/qav", arguments),
            u"\"/opt/my apps/qav\" \"/winstartup\" \"50%% \\\\$HOME\"");
  EXPECT_FALSE(ReadAutostartExec(folder, u"ZarvelinQAV").has_value());
  ASSERT_TRUE(WriteAutostartEntry(folder, u"ZarvelinQAV", u"/opt/my apps/qav", arguments, u"QAV"));
  EXPECT_EQ(ReadAutostartExec(folder, u"ZarvelinQAV"), DesktopExecLine(u"/opt/my apps/qav", arguments));
}

}  // namespace
