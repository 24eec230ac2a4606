#include <gtest/gtest.h>

#include <string>

#include "platform/message_box.h"

using namespace qav;

namespace {

TEST(MessageBox, TheDefaultButtonAnswersWhenNobodyIsAsked) {
  struct Case {
    uint32_t type;
    int answer;
  } cases[] = {
      {MB_OK, IDOK},
      {MB_OK | MB_ICONSTOP, IDOK},
      {MB_OKCANCEL, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO | MB_ICONEXCLAMATION, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_OK | MB_DEFBUTTON3, IDOK},  // fewer buttons than the default names
  };
  ASSERT_EQ(GetMessageBoxHandler(), nullptr);
  for (const auto& c : cases) EXPECT_EQ(ShowMessageBox(u"text", u"caption", c.type), c.answer) << c.type;
}

TEST(MessageBox, AnInstalledHandlerAnswers) {
  struct Answering : MessageBoxHandler {
    int Show(std::u16string_view text, std::u16string_view caption, uint32_t type) override {
      seen = std::u16string(caption) + u":" + std::u16string(text);
      seenType = type;
      return IDNO;
    }
    std::u16string seen;
    uint32_t seenType = 0;
  } handler;
  SetMessageBoxHandler(&handler);
  EXPECT_EQ(ShowMessageBox(u"Update?", u"Zarvelin QAV", MB_YESNO | MB_ICONINFORMATION), IDNO);
  SetMessageBoxHandler(nullptr);
  EXPECT_EQ(handler.seen, u"Zarvelin QAV:Update?");
  EXPECT_EQ(handler.seenType, MB_YESNO | MB_ICONINFORMATION);

  // A handler that cannot count down shows a timed notice as an ordinary box; nobody: the default.
  SetMessageBoxHandler(&handler);
  EXPECT_EQ(ShowTimedMessageBox(u"Sent.", u"Zarvelin QAV", MB_OK), IDNO);
  SetMessageBoxHandler(nullptr);
  EXPECT_EQ(handler.seen, u"Zarvelin QAV:Sent.");
  EXPECT_EQ(ShowTimedMessageBox(u"Sent.", u"Zarvelin QAV", MB_OKCANCEL | MB_DEFBUTTON2, 3), IDCANCEL);
}

}  // namespace
