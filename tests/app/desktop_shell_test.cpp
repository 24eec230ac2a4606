// The desktop shell's "open" against a stand-in for the desktop's opener on $PATH that records its
// argv: only http and https addresses and the program's own absolute paths reach it, each as its
// one argument, and a desktop without an opener is told apart from one that opened the link.
#include "app/desktop_shell.h"

#include <gtest/gtest.h>

#include <string>

#include "app/link_opening.h"
#include "app/web_links.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "tests/support/fake_opener.h"
#include "tests/support/temp_dir.h"

using namespace qav;
using namespace qav::test;

namespace {

class RecordingBoxes : public MessageBoxHandler {
 public:
  RecordingBoxes() : previous_(GetMessageBoxHandler()) { SetMessageBoxHandler(this); }
  ~RecordingBoxes() override { SetMessageBoxHandler(previous_); }
  int Show(std::u16string_view text, std::u16string_view, uint32_t type) override {
    shown.push_back(U8(text) + " " + std::to_string(type));
    return IDOK;
  }
  std::vector<std::string> shown;

 private:
  MessageBoxHandler* previous_;
};

// Links a server or a file may carry that must never reach the opener.
constexpr const char16_t* kRefusedLinks[] = {
    u"file:///etc/passwd", u"--help", u"-h", u"javascript:alert(1)", u"ftp://127.0.0.1/qav.exe", u"/etc/passwd",
    u"qav.desktop", u"http://", u"https://", u"http:/127.0.0.1/", u"http://127.0.0.1/a\nb", u"",
};

TEST(DesktopShell, OnlyWebAddressesReachTheOpenerEachAsItsOneArgument) {
  TempDir dir;
  FakeOpener opener(dir.path());
  CDesktopShell shell;
  for (const char16_t* link : kRefusedLinks) EXPECT_FALSE(shell.OpenUrl(link, true)) << U8(link);
  EXPECT_TRUE(shell.OpenUrl(u"http://127.0.0.1/qav?lang=EN&ver=1.0", true));
  EXPECT_TRUE(shell.OpenUrl(u"HTTPS://127.0.0.1/a b", false));
  ASSERT_TRUE(opener.WaitForRuns(2));
  const auto runs = opener.Runs();  // the refused ones ran nothing, before or after
  ASSERT_EQ(runs.size(), 2u);
  // Detached runs may finish in either order.
  EXPECT_TRUE((runs[0] == "1 [http://127.0.0.1/qav?lang=EN&ver=1.0]" && runs[1] == "1 [HTTPS://127.0.0.1/a b]") ||
              (runs[1] == "1 [http://127.0.0.1/qav?lang=EN&ver=1.0]" && runs[0] == "1 [HTTPS://127.0.0.1/a b]"))
      << runs[0] << "\n" << runs[1];
}

TEST(DesktopShell, TheProgramsOwnFilesGoAsFileAddresses) {
  TempDir dir;
  FakeOpener opener(dir.path());
  CDesktopShell shell;
  EXPECT_FALSE(shell.OpenLocalFile(u"Language/ZV_EN.lang"));  // relative: nothing it could mean for sure
  EXPECT_FALSE(shell.OpenLocalFile(u"--help"));
  EXPECT_FALSE(shell.OpenLocalFile(u""));
  EXPECT_TRUE(shell.OpenLocalFile(u"/opt/QAV dir/Language/ZV_ÉN%.lang"));
  ASSERT_TRUE(opener.WaitForRuns(1));
  EXPECT_EQ(opener.Runs(), std::vector<std::string>{"1 [file:///opt/QAV%20dir/Language/ZV_%C3%89N%25.lang]"});
}

// Without an opener installed every open fails, and what the user asked for says so in the box.
TEST(DesktopShell, WithoutAnOpenerTheUserIsToldTheLinkCannotOpen) {
  TempDir dir;
  FakeOpener opener(dir.path(), FakeOpener::Presence::kAbsent);
  CDesktopShell shell;
  RecordingBoxes boxes;
  EXPECT_FALSE(shell.OpenUrl(u"http://127.0.0.1/", true));
  EXPECT_TRUE(boxes.shown.empty());  // the shell itself only reports

  EXPECT_FALSE(OpenWebLinkForUser(shell, u"http://127.0.0.1/help", true));
  EXPECT_FALSE(OpenLocalFileForUser(shell, u"/opt/QAV/Language/ZV_EN.lang"));
  const std::string box =
      "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension. " +
      std::to_string(MB_OK | MB_ICONEXCLAMATION);
  EXPECT_EQ(boxes.shown, (std::vector<std::string>{box, box}));

  // A link that is refused is logged, not put to the user as a desktop fault.
  boxes.shown.clear();
  EXPECT_FALSE(OpenWebLinkForUser(shell, u"file:///etc/passwd", true));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST(WebLinks, LocalFileAddressNeedsAnAbsolutePath) {
  EXPECT_EQ(LocalFileAddress(u"/a/b c"), u"file:///a/b%20c");
  EXPECT_EQ(LocalFileAddress(u"a/b"), u"");
  EXPECT_FALSE(IsWebAddress(LocalFileAddress(u"/x")));  // never the way to a web page
}

}  // namespace
