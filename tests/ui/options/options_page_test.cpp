// The options page and its children, driven through their real widgets on the offscreen platform:
// the handler rules write the option variables and mark the sheet modified exactly when they say.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <tuple>

#include "platform/private_profile.h"
#include "tests/ui/options/option_test_controls.h"
#include "tests/ui/options/options_fixture.h"
#include <QCursor>

#include "tests/ui/text_fit.h"
#include "ui/controls/button_ssl.h"
#include "ui/options/dlg_opt_answer_machine_gen.h"
#include "ui/options/dlg_opt_call_waiting_settings.h"
#include "ui/options/dlg_opt_conversation_record_gen.h"
#include "ui/art/app_image_lists.h"
#include "ui/options/dlg_options.h"
#include "ui/controls/list_box_st.h"

namespace qav::test {
namespace {

class AnswerMachinePageTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    page = std::make_unique<CDlgOptAnswerMachineGen>(sheet, nullptr);
    page->show();
  }
  void TearDown() override {
    page.reset();
    OptionsTest::TearDown();
  }
  std::unique_ptr<CDlgOptAnswerMachineGen> page;
};

TEST_F(AnswerMachinePageTest, ChecksStoreTheirStateMarkTheSheetAndGreyWhatDependsOnThem) {
  ASSERT_EQ(g_AnswerAllowed, 1);
  auto* online = Find<QLineEdit>(page.get(), 1018);
  auto* away = Find<QLineEdit>(page.get(), 1021);
  EXPECT_FALSE(sheet.modified) << "UpdateDlg never marks the page modified";

  Click(Find<QCheckBox>(page.get(), 1019));
  EXPECT_EQ(g_AnswerAllowed, 0);
  EXPECT_TRUE(sheet.modified);
  EXPECT_EQ(sheet.Asked(u"refresh the tray"), 1) << "the tray shows the new answering state at once";
  EXPECT_FALSE(online->isEnabled());
  EXPECT_FALSE(away->isEnabled());
  EXPECT_FALSE(Find<QCheckBox>(page.get(), 1030)->isEnabled());
  EXPECT_EQ(online->text(), QString::number(g_SecB4AnsweringOnline.Get())) << "values are kept";

  Click(Find<QCheckBox>(page.get(), 1019));
  EXPECT_EQ(g_AnswerAllowed, 1);
  const std::pair<int, COptionInt*> switches[] = {{1030, &g_AnswerAllowedOnline}, {1027, &g_AnswerAllowedAway}};
  for (const auto& [id, option] : switches) {
    sheet.modified = false;
    const int before = option->Get();
    Click(Find<QCheckBox>(page.get(), id));
    EXPECT_EQ(option->Get(), before ? 0 : 1) << id;
    EXPECT_TRUE(sheet.modified) << id;
    EXPECT_EQ(Find<QLineEdit>(page.get(), id == 1030 ? 1018 : 1021)->isEnabled(), option->Get() != 0) << id;
  }
}

TEST_F(AnswerMachinePageTest, DelayEditsTakeZeroToOneHundredEightyAndRestoreTheValueOtherwise) {
  struct Case {
    QString typed;
    int stored;
    bool refused;
  } cases[] = {{"180", 180, false}, {"0", 0, false}, {"", 0, false}, {"181", 7, true},
               {"-1", 7, true},    {"12abc", 12, false}, {"4294967295", 7, true}};
  for (int id : {1018, 1021}) {
    COptionInt& option = id == 1018 ? g_SecB4AnsweringOnline : g_SecB4AnsweringAway;
    auto* edit = Find<QLineEdit>(page.get(), id);
    for (const Case& c : cases) {
      option = 7;
      page->UpdateDlg();
      sheet.modified = false;
      boxes.texts.clear();
      // Set as a whole, as a paste would: the edit notifies once with the whole text.
      edit->setText(c.typed);
      EXPECT_EQ(option.Get(), c.stored) << id << " " << c.typed.toStdString();
      if (c.refused) {
        ASSERT_EQ(boxes.texts.size(), 1u) << c.typed.toStdString();
        EXPECT_EQ(boxes.texts[0], u"Valid values for answering calls are between 0 and 180 seconds only");
        EXPECT_EQ(boxes.captions[0], u"QAV");
        EXPECT_EQ(boxes.types[0] & 0xF0, MB_ICONEXCLAMATION);
        EXPECT_EQ(edit->text(), "7");
        EXPECT_FALSE(sheet.modified);
      } else {
        EXPECT_TRUE(boxes.texts.empty()) << c.typed.toStdString();
        EXPECT_EQ(sheet.modified, c.stored != 7);
      }
    }
  }
  // Typed key by key, "181" is refused at its last key.
  g_SecB4AnsweringOnline = 5;
  page->UpdateDlg();
  boxes.texts.clear();
  Type(Find<QLineEdit>(page.get(), 1018), "181");
  EXPECT_EQ(g_SecB4AnsweringOnline, 18);
  EXPECT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(Find<QLineEdit>(page.get(), 1018)->text(), "18");
}

TEST_F(AnswerMachinePageTest, TheSameComboLineOrMuteRadioAgainDoesNotMarkTheSheet) {
  g_AdvancedSettingMode = 1;
  page->UpdateDlg();
  auto* combo = Find<QComboBox>(page.get(), 1142);
  ASSERT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->itemText(1), "Do not save voice message if it is empty");
  g_TakeControlUserOption = 1;
  page->UpdateDlg();
  EXPECT_EQ(combo->currentIndex(), 1);
  combo->setFocus();
  emit combo->activated(1);  // the user picks the line that is already selected
  EXPECT_FALSE(sheet.modified);
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(g_TakeControlUserOption, 2);
  EXPECT_TRUE(sheet.modified);

  for (int value : {0, 1, 2}) {
    g_MuteVolumeOnAnswer = value;
    page->UpdateDlg();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Find<QRadioButton>(page.get(), 1176 + i)->isChecked(), i == value);
    sheet.modified = false;
    Click(Find<QRadioButton>(page.get(), 1176 + value));
    EXPECT_FALSE(sheet.modified) << value;
    Click(Find<QRadioButton>(page.get(), 1176 + (value + 1) % 3));
    EXPECT_EQ(g_MuteVolumeOnAnswer, (value + 1) % 3);
    EXPECT_TRUE(sheet.modified) << value;
  }
}

TEST_F(AnswerMachinePageTest, BasicModeHidesTheLowerGroupsAndShortensTheFrame) {
  g_AdvancedSettingMode = 1;
  page->UpdateDlg();
  SettleLayouts();
  auto* frame = Find<QGroupBox>(page.get(), "answeringFrame");
  const int fullHeight = frame->height();
  const int lowerGroups = Find<QGroupBox>(page.get(), "muteGroup")->height() +
                          Find<QGroupBox>(page.get(), "takeControlGroup")->height();
  EXPECT_TRUE(Find<QComboBox>(page.get(), "takeControl")->isVisible());
  g_AdvancedSettingMode = 0;
  page->UpdateDlg();
  SettleLayouts();
  // The frame gives back at least the room of the two groups it no longer shows.
  EXPECT_LE(frame->height(), fullHeight - lowerGroups);
  EXPECT_GT(frame->height(), 0);
  for (int id : {1174, 1176, 1177, 1178, 1182, 1079, 1142}) {
    auto* control = Find<QWidget>(page.get(), id);
    EXPECT_FALSE(control->isVisible()) << id;
    EXPECT_FALSE(control->isEnabled()) << id;
  }
  EXPECT_TRUE(Find<QCheckBox>(page.get(), "answerAllowed")->isVisible());
  EXPECT_TRUE(Find<QCheckBox>(page.get(), "answerAllowed")->isEnabled()) << "the greyed frame leaves it in use";
}

// The delay rows show every caption whole, side by side (switch, seconds, label), at the desktop's
// font and at a larger one, inside the frame and the child.
TEST_F(AnswerMachinePageTest, TheDelayRowsShowTheirCaptionsWholeInsideTheFrame) {
  const TestFonts fonts(1.6);
  for (const QFont& font : fonts.Both()) {
    QApplication::setFont(font);
    page = std::make_unique<CDlgOptAnswerMachineGen>(sheet, nullptr);
    page->show();
    QApplication::processEvents();
    SCOPED_TRACE(font.pointSizeF());
    const QStringList cut = CutTexts(page.get());
    EXPECT_TRUE(cut.isEmpty()) << Listed(cut);
    const auto place = [this](const char* name) {
      const QWidget* control = Find<QWidget>(page.get(), name);
      return QRect(control->mapTo(page.get(), QPoint(0, 0)), control->size());
    };
    for (const auto& [check, edit, label] : {std::tuple{"answerWhenOnline", "secondsOnline", "secondsOnlineLabel"},
                                             std::tuple{"answerWhenAway", "secondsAway", "secondsAwayLabel"}}) {
      EXPECT_LE(place(check).right(), place(edit).left()) << check;
      EXPECT_LT(place(edit).right(), place(label).left()) << edit;
      EXPECT_LT(place(label).right(), place("answeringFrame").right()) << label;
    }
    EXPECT_EQ(place("secondsOnline").left(), place("secondsAway").left()) << "the rows line up";
  }
}

TEST_F(AnswerMachinePageTest, TheTestCallIsALinkOrForScreenReadersAButtonAndAsksTheTestContact) {
  EXPECT_TRUE(Find<QLabel>(page.get(), 1273)->isVisible());
  EXPECT_FALSE(Find<QPushButton>(page.get(), 1280)->isVisible());
  g_ScreenReaderFriendlyMode = 1;
  page->UpdateDlg();
  EXPECT_FALSE(Find<QLabel>(page.get(), 1273)->isVisible());
  auto* button = Find<QPushButton>(page.get(), 1280);
  ASSERT_TRUE(button->isVisible());
  EXPECT_EQ(button->text(), "Start an incoming test call from echo123");
  Click(button);
  ASSERT_EQ(sheet.chats.size(), 1u);
  EXPECT_EQ(sheet.chats[0], u"echo123: Call Me");
  EXPECT_FALSE(sheet.modified);
  // The pause shows the wait cursor; a page that goes within it (the sheet closed) gives it back.
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  Click(button);
  page.reset();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the wait cursor stayed after the page went";
}

class ConversationPagesTest : public OptionsTest {};

TEST_F(ConversationPagesTest, RecordingRadiosAlwaysMarkTheSheetAndTheLegalWarningComesWhenANoticeGoes) {
  CDlgOptConversationRecordGen page(sheet, nullptr);
  page.show();
  const std::pair<const char*, std::pair<COptionInt*, int>> radios[] = {
      {"recordAutomatically", {&g_ConversationAutoRecordMode, 1}},
      {"recordManually", {&g_ConversationAutoRecordMode, 0}},
      {"stereoFile", {&g_ConversationAudioFileModeStereo, 1}},
      {"monoFile", {&g_ConversationAudioFileModeStereo, 0}}};
  for (const auto& [name, expected] : radios) {
    *expected.first = expected.second;
    page.UpdateDlg();
    sheet.modified = false;
    Click(Find<QRadioButton>(&page, name));
    EXPECT_EQ(expected.first->Get(), expected.second) << name;
    EXPECT_TRUE(sheet.modified) << "the radio already chosen still marks the sheet: " << name;
  }

  g_RecConvAudioNotificationAllowed = 0;
  page.UpdateDlg();
  Click(Find<QCheckBox>(&page, "audioBeep"));
  EXPECT_TRUE(boxes.texts.empty()) << "checking the beep shows nothing";
  EXPECT_EQ(g_RecConvAudioNotificationAllowed, 1);
  Click(Find<QCheckBox>(&page, "audioBeep"));
  EXPECT_EQ(g_RecConvAudioNotificationAllowed, 0);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], GetLangString(710));

  boxes.texts.clear();
  g_RecConvTextNotificationStartAllowed = 1;
  g_RecConvTextNotificationTextMsgStart = u"ab";
  page.UpdateDlg();
  auto* start = Find<QPlainTextEdit>(&page, "startText");
  start->setFocus();
  start->moveCursor(QTextCursor::End);
  QTest::keyClick(start, Qt::Key_Backspace);
  EXPECT_TRUE(boxes.texts.empty());
  QTest::keyClick(start, Qt::Key_Backspace);
  EXPECT_EQ(g_RecConvTextNotificationTextMsgStart.Get(), u"");
  EXPECT_EQ(boxes.texts.size(), 1u) << "emptied: the warning once";
  QTest::keyClicks(start, "x");
  EXPECT_EQ(boxes.texts.size(), 1u) << "typing into an empty edit warns nobody";
  EXPECT_EQ(g_RecConvTextNotificationTextMsgStart.Get(), u"x");

  Click(Find<QCheckBox>(&page, "startTextSwitch"));
  EXPECT_EQ(boxes.texts.size(), 2u);
  EXPECT_FALSE(start->isEnabled());
  EXPECT_FALSE(Find<CButtonSSL>(&page, "startTextReset")->isEnabled()) << "no reset while the start switch is off";
}

TEST_F(ConversationPagesTest, TextsKeepCrLfAndResetToTheLanguageDefault) {
  CDlgOptCallWaitingSettings page(sheet, nullptr);
  page.show();
  g_RejectCallWaitingQAVEnabled = 1;
  g_RejectCallWaitingQAVTextEnabled = 1;
  page.UpdateDlg();
  EXPECT_FALSE(sheet.modified) << "the default shown again is no change";
  auto* text = Find<QPlainTextEdit>(&page, "qavReplyText");
  EXPECT_FALSE(text->toPlainText().contains('\r'));
  text->setFocus();
  text->moveCursor(QTextCursor::End);
  QTest::keyClick(text, Qt::Key_Return);
  QTest::keyClicks(text, "Bye");
  EXPECT_EQ(g_RejectCallWaitingQAVTextMsg.Get(), GetLangString(765) + u"\r\nBye");
  EXPECT_TRUE(sheet.modified);

  text->setPlainText(QString(300, 'a'));
  EXPECT_EQ(g_RejectCallWaitingQAVTextMsg.Get(), std::u16string(300, u'a')) << "the replies have no limit of 250";

  sheet.modified = false;
  Click(Find<CButtonSSL>(&page, "qavReplyReset"));
  EXPECT_EQ(g_RejectCallWaitingQAVTextMsg.Get(), GetLangString(765));
  EXPECT_TRUE(sheet.modified);
}

TEST_F(ConversationPagesTest, TheCallWaitingTipCounterIsRaisedToTwoButNeverLowered) {
  CDlgOptCallWaitingSettings page(sheet, nullptr);
  page.show();
  const std::pair<int, int> cases[] = {{0, 2}, {1, 2}, {2, 2}, {3, 3}, {9, 9}, {-1, -1}};
  for (const char* name : {"rejectWhileQavHandles", "rejectWhileUserHandles"}) {
    for (const auto& [before, after] : cases) {
      g_CallWaitingInfoTipShowedCount = before;
      Click(Find<QCheckBox>(&page, name));
      EXPECT_EQ(g_CallWaitingInfoTipShowedCount, after) << name << " from " << before;
    }
  }
}

// The reset buttons of the recording and call-waiting pages: outside screen-reader mode each
// stands at the right of its text, within the text's row; in it, below its text, lined up with it,
// its caption whole and clear of every other control. Switching the mode while the page is open
// moves them there and back.
TEST_F(ConversationPagesTest, EachResetButtonStandsBesideItsTextOrBelowItWithItsCaption) {
  CAppImageLists lists;
  lists.Create();
  g_pImageLists = &lists;
  g_RecConvTextNotificationStartAllowed = 1;
  g_RecConvTextNotificationStopAllowed = 1;
  std::vector<std::unique_ptr<COptionChild>> pages;
  pages.push_back(std::make_unique<CDlgOptConversationRecordGen>(sheet, nullptr));
  pages.push_back(std::make_unique<CDlgOptCallWaitingSettings>(sheet, nullptr));
  const std::vector<std::pair<const char*, const char*>> resets[] = {
      {{"startText", "startTextReset"}, {"stopText", "stopTextReset"}},
      {{"qavReplyText", "qavReplyReset"}, {"userReplyText", "userReplyReset"}}};
  for (const int screenReader : {0, 1, 0}) {
    g_ScreenReaderFriendlyMode = screenReader;
    for (size_t i = 0; i < pages.size(); ++i) {
      COptionChild* page = pages[i].get();
      page->UpdateDlg();
      page->show();
      // A caption's new size climbs the nested frames' layouts one posted request at a time.
      for (int round = 0; round < 4; ++round) QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
      const auto place = [page](const QWidget* widget) { return QRect(widget->mapTo(page, QPoint()), widget->size()); };
      for (const auto& [textName, resetName] : resets[i]) {
        SCOPED_TRACE(std::string(resetName) + (screenReader ? ", screen reader" : ""));
        const QRect text = place(Find<QPlainTextEdit>(page, textName));
        auto* reset = Find<CButtonSSL>(page, resetName);
        const QRect button = place(reset);
        if (screenReader) {
          EXPECT_EQ(reset->text(), reset->GetTooltipText());
          EXPECT_GE(reset->width(), reset->sizeHint().width()) << "the caption whole";
          EXPECT_GT(button.top(), text.bottom()) << "below its text";
          EXPECT_EQ(button.left(), text.left()) << "lined up with its text";
        } else {
          EXPECT_TRUE(reset->text().isEmpty());
          EXPECT_GT(button.left(), text.right()) << "at the right of its text";
          EXPECT_TRUE(button.top() >= text.top() && button.bottom() <= text.bottom()) << "within the text's row";
        }
        for (const QWidget* other : page->findChildren<QWidget*>()) {
          const bool control = qobject_cast<const QAbstractButton*>(other) || qobject_cast<const QPlainTextEdit*>(other);
          if (other == reset || !control || !other->isVisibleTo(page)) continue;
          EXPECT_FALSE(place(other).intersects(button)) << "over " << other->objectName().toStdString();
        }
      }
      EXPECT_TRUE(CutTexts(page).isEmpty()) << Listed(CutTexts(page));
    }
  }
  pages.clear();
  g_pImageLists = nullptr;
}

class OptionsPageTest : public OptionsTest {
 protected:
  void TearDown() override {
    CDlgOptions::SetRememberedIndex(0);
    OptionsTest::TearDown();
  }
};

TEST_F(OptionsPageTest, TheListPicksTheChildAndAnUnlistedOrUnknownIdFallsBack) {
  CDlgOptions page(sheet, nullptr);
  page.show();
  QListWidget* list = page.SelectionList();
  ASSERT_GE(list->count(), 3);
  EXPECT_EQ(list->item(0)->text(), "Conversation Recording");
  EXPECT_EQ(page.CurrentChild()->DialogId(), 207);
  list->setCurrentRow(1);
  EXPECT_EQ(page.CurrentChild()->DialogId(), 149);
  EXPECT_TRUE(page.CurrentChild()->isVisible());
  EXPECT_FALSE(page.Child(0)->isVisible());
  EXPECT_EQ(CDlgOptions::RememberedIndex(), 1);

  page.OnUserSelectPage(348);
  EXPECT_EQ(page.CurrentChild()->DialogId(), 348);
  g_AdvancedSettingMode = 0;
  page.OnUpdateDlg();
  page.OnUserSelectPage(343);  // audio settings: listed only in advanced mode
  EXPECT_EQ(list->currentRow(), -1);
  EXPECT_EQ(page.CurrentChild()->DialogId(), 207);
  EXPECT_FALSE(sheet.modified);
}

// Every caption shows whole: no word is wider than the room its row leaves for text, in both
// modes, in the list's own font and with its icons; the children stay clear of the list.
TEST_F(OptionsPageTest, TheListShowsEachCaptionWholeWithItsIcon) {
  CAppImageLists lists;
  lists.Create();
  g_pImageLists = &lists;
  for (const int advanced : {0, 1}) {
    SCOPED_TRACE(advanced ? "advanced" : "basic");
    g_AdvancedSettingMode = advanced;
    CDlgOptions page(sheet, nullptr);
    page.show();
    CListBoxST* list = page.SelectionList();
    EXPECT_EQ(list->GetImageList(), &lists.m_optionsList);
    ASSERT_EQ(list->count(), advanced ? 9 : 6);
    const QFontMetrics metrics(list->font());
    const int room = list->TextWidth(list->viewport()->width());
    for (int row = 0; row < list->count(); ++row) {
      const COptionChild* child = reinterpret_cast<COptionChild*>(list->GetItemData(row));
      ASSERT_NE(child, nullptr);
      int slot = 0;
      while (page.Child(slot) != child) ++slot;
      EXPECT_EQ(list->GetItemImage(row), slot) << "the slot's picture";
      for (const QString& word : list->item(row)->text().split(' ', Qt::SkipEmptyParts))
        EXPECT_LE(metrics.horizontalAdvance(word), room) << word.toStdString();
      list->setCurrentRow(row);
      QApplication::processEvents();
      ASSERT_EQ(page.CurrentChild(), child);
      EXPECT_GT(child->mapTo(&page, QPoint(0, 0)).x(), list->geometry().right()) << "beside the list, not over it";
    }
  }
  g_pImageLists = nullptr;
}

TEST_F(OptionsPageTest, TheRememberedChildComesBackAndAnIndexOutOfRangeMeansTheFirst) {
  CDlgOptions page(sheet, nullptr);
  page.SelectionList()->setCurrentRow(1);
  page.OnKillActive();
  page.OnSetActive();  // the sheet shows the page again
  EXPECT_EQ(page.SelectionList()->currentRow(), 1);
  EXPECT_EQ(page.CurrentChild()->DialogId(), 149);
  CDlgOptions::SetRememberedIndex(42);
  page.OnSetActive();
  EXPECT_EQ(CDlgOptions::RememberedIndex(), 0);
  EXPECT_EQ(page.CurrentChild()->DialogId(), 207);
}

TEST_F(OptionsPageTest, WithoutASignedInUserTheChildIsReplacedByTheNotice) {
  user.clear();
  CDlgOptions page(sheet, nullptr);
  page.show();
  page.OnSetActive();
  EXPECT_EQ(page.CurrentChild()->DialogId(), 349) << "only the application child can be edited";
  EXPECT_TRUE(page.CurrentChild()->isVisible());
  page.OnUserSelectPage(149);
  EXPECT_TRUE(Find<QLabel>(&page, 1315)->isVisible());
  EXPECT_EQ(Find<QLabel>(&page, 1315)->text(), "No user logged in on Skype™");
  EXPECT_FALSE(page.CurrentChild()->isVisible());
  user = u"alice";
  page.OnUpdateDlg();
  EXPECT_FALSE(Find<QLabel>(&page, 1315)->isVisible());
  EXPECT_TRUE(page.CurrentChild()->isVisible());
}

TEST_F(OptionsPageTest, WhatThePagesChangeIsSavedOnApplyAndSurvivesARestart) {
  std::filesystem::create_directories(dir.path() + "/data/QAV/alice");
  {
    CDlgOptions page(sheet, nullptr);
    page.show();
    page.OnUserSelectPage(149);
    QWidget* child = page.CurrentChild();
    Click(Find<QCheckBox>(child, 1027));
    Find<QLineEdit>(child, 1018)->setText("42");
    page.OnUserSelectPage(348);
    child = page.CurrentChild();
    Click(Find<QCheckBox>(child, "rejectWhileUserHandles"));
    Click(Find<QCheckBox>(child, "userReplySwitch"));
    Find<QPlainTextEdit>(child, "userReplyText")->setPlainText("Busy.\nLater.");
    page.OnUserSelectPage(207);
    Click(Find<QRadioButton>(page.CurrentChild(), "recordAutomatically"));
    ASSERT_TRUE(sheet.modified);
    page.OnApply();
    EXPECT_FALSE(sheet.modified);
  }
  SetDefaultOptions();
  LoadSettings();
  EXPECT_EQ(g_AnswerAllowedAway, 0);
  EXPECT_EQ(g_SecB4AnsweringOnline, 42);
  EXPECT_EQ(g_RejectCallWaitingUserEnabled, 1);
  EXPECT_EQ(g_RejectCallWaitingUserTextEnabled, 0);
  EXPECT_EQ(g_RejectCallWaitingUserTextMsg.Get(), u"Busy.\r\nLater.");
  EXPECT_EQ(g_ConversationAutoRecordMode, 1);
  EXPECT_EQ(qav::GetPrivateProfileInt(u"Settings", u"SecB4AnsweringOnline", 0, GetUserIniPath()), 42);
}

TEST_F(OptionsPageTest, RefreshingTheChildrenDropsValuesACancelReloaded) {
  CDlgOptions page(sheet, nullptr);
  page.OnUserSelectPage(149);
  QWidget* child = page.CurrentChild();
  Find<QLineEdit>(child, 1018)->setText("99");
  page.OnUserSelectPage(207);
  SetDefaultOptions();  // what the sheet's Cancel does by reloading the files
  page.RefreshChildren();
  EXPECT_EQ(Find<QLineEdit>(child, 1018)->text(), QString::number(g_SecB4AnsweringOnline.Get()));
}

}  // namespace
}  // namespace qav::test
