#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

#include "foundation/language_tables.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "ui/reports/qt_report_dialog.h"
#include "ui/reports/rtf_to_html.h"

namespace {

TEST(RtfToHtml, TheHeadingsSubsetBecomesHtml) {
  const struct {
    const char16_t* rtf;
    const char16_t* html;
  } cases[] = {
      {u"{\\rtf1\\ansi {\\b QAV has stopped.}\\par We are sorry.\\par}", u"<b>QAV has stopped.</b><br>We are sorry.<br>"},
      {u"{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\*\\generator x;}\\i slanted\\i0  plain}", u"<i>slanted</i> plain"},
      {u"{\\rtf1 a\\tab b\\line c\\'e9 \\u8364? \\\\ \\{x\\} <&>}",
       u"a&nbsp;&nbsp;&nbsp;&nbsp;b<br>c\u00e9 \u20ac \\ {x} &lt;&amp;&gt;"},
      {u"{\\rtf1 \\ul under\\ulnone  \\b\\i both\\plain  none}", u"<u>under</u> <b><i>both</i></b> none"},
      {u"{\\rtf1 unclosed {\\b group", u"unclosed <b>group</b>"},
  };
  for (const auto& c : cases) EXPECT_EQ(qav::U8(RtfToHtml(c.rtf)), qav::U8(c.html)) << qav::U8(c.rtf);

  // What the language loader made of "\rtf1" and "\tab" is put back first.
  EXPECT_EQ(RestoreRtfEscapes(u"{\rtf1 a\tab\n}"), u"{\\rtf1 a\\tab\\n}");
}

class RecordingBoxes : public qav::MessageBoxHandler {
 public:
  RecordingBoxes() { qav::SetMessageBoxHandler(this); }
  ~RecordingBoxes() override { qav::SetMessageBoxHandler(nullptr); }
  int Show(std::u16string_view text, std::u16string_view, uint32_t type) override {
    shown.push_back(qav::U8(text));
    types.push_back(type);
    return qav::IDOK;
  }
  std::vector<std::string> shown;
  std::vector<uint32_t> types;
};

// Fills and clicks the dialog once it runs.
void WhenOpen(CQtReportDialog& dialog, std::function<void(CReportDialogWindow&)> inside) {
  dialog.SetOnOpen([inside](QDialog& open) {
    auto* window = static_cast<CReportDialogWindow*>(&open);
    QTimer::singleShot(0, window, [window, inside] { inside(*window); });
  });
}

void Click(QDialog& dialog, const char* name) {
  auto* button = dialog.findChild<QPushButton*>(name);
  ASSERT_NE(button, nullptr) << name;
  button->click();
}

class ReportDialog : public ::testing::Test {
 protected:
  void SetUp() override { LoadDefaultLangLib(); }
  RecordingBoxes boxes_;
};

// A problem report needs a description: Send without one says so and keeps the dialog open.
TEST_F(ReportDialog, AProblemReportIsNotSentWithoutADescription) {
  CQtReportDialog dialog([](QWidget*) { return std::u16string(u"/home/me/Pictures/shot.png"); });
  bool stayedOpen = false;
  WhenOpen(dialog, [&](CReportDialogWindow& window) {
    window.ContactField()->setText("me@example.invalid");
    Click(window, "send");
    stayedOpen = window.isVisible();
    Click(window, "browse");
    window.DescriptionField()->setPlainText("It stopped answering");
    Click(window, "send");
  });
  CReportDialogAnswer answer;
  EXPECT_EQ(dialog.Show(false, 0, answer), 1);
  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0], "Please describe the problem before sending the report.");
  EXPECT_EQ(boxes_.types[0], qav::MB_OK | qav::MB_ICONSTOP);
  EXPECT_EQ(answer.contact, u"me@example.invalid");
  EXPECT_EQ(answer.description, u"It stopped answering");
  EXPECT_EQ(answer.attachments, std::vector<std::u16string>{u"/home/me/Pictures/shot.png"});
}

// A crash report goes without a description, from a dialog above every other window.
TEST_F(ReportDialog, ACrashReportGoesWithoutADescriptionAndStaysOnTop) {
  CQtReportDialog dialog;
  bool onTop = false;
  std::string heading;
  WhenOpen(dialog, [&](CReportDialogWindow& window) {
    onTop = window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    heading = window.findChild<QLabel*>("heading")->text().toStdString();
    Click(window, "send");
  });
  CReportDialogAnswer answer;
  EXPECT_EQ(dialog.Show(true, 0, answer), 1);
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_TRUE(onTop);
  EXPECT_NE(heading.find("<b>QAV has encountered a problem and needs to close.</b>"), std::string::npos) << heading;
}

TEST_F(ReportDialog, DontSendAndClosingBothMeanNo) {
  CQtReportDialog dialog;
  WhenOpen(dialog, [](CReportDialogWindow& window) { Click(window, "dontSend"); });
  CReportDialogAnswer answer;
  EXPECT_EQ(dialog.Show(false, 0, answer), 2);
  WhenOpen(dialog, [](CReportDialogWindow& window) { window.reject(); });
  EXPECT_EQ(dialog.Show(false, 0, answer), 2);
}

}  // namespace
