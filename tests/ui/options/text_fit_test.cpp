// Every option child reads whole at the default font and at a larger one, in basic, advanced and
// screen-reader mode, in English and in a language whose words are half as long again: no label, box, button or group title is narrower than its text, nothing
// stands outside what its page shows (the child area scrolls instead), and nothing lies over
// another control. A child lays out to the page's width, never needing a horizontal scroll bar.
// The sheet stays on its screen.
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QAbstractScrollArea>
#include <filesystem>

#include "foundation/language_list.h"

#include "skype/link/main_window_port.h"
#include "tests/ui/options/options_fixture.h"
#include "tests/ui/text_fit.h"
#include "ui/art/app_image_lists.h"
#include "ui/options/dlg_options.h"
#include "ui/options/option_child.h"
#include "ui/samples/sample_sheet_services.h"

namespace qav::test {
namespace {

struct Mode {
  const char* name;
  int advanced;
  int screenReader;
};
constexpr Mode kModes[] = {{"basic", 0, 0}, {"advanced", 1, 0}, {"screen reader", 1, 1}, {"basic screen reader", 0, 1}};

class OptionTextFitTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    languages_ = dir.path() + "/Language";
    std::filesystem::create_directories(languages_);
    ASSERT_EQ(LanguagesInit(U16(languages_), true), 1);  // writes the built-in English file
    WriteLongWordsLanguage();
    lists_.Create();
    g_pImageLists = &lists_;
  }
  void TearDown() override {
    LanguagesTerm();
    LoadDefaultLangLib();
    g_pImageLists = nullptr;
    CDlgOptions::SetRememberedIndex(0);
    OptionsTest::TearDown();
  }

  // "ZV_LW": every English text with each word of four letters or more half as long again, as
  // languages with longer words than English make them (format fields and keys untouched).
  void WriteLongWordsLanguage() {
    QFile english(QString::fromStdString(languages_ + "/ZV_EN.lang"));
    ASSERT_TRUE(english.open(QIODevice::ReadOnly));
    const QByteArray bytes = english.readAll();
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    const QRegularExpression line(QStringLiteral("^(IDS_\\w+)(\\s+)\"(.*)\"\\r?$"), QRegularExpression::MultilineOption);
    const QRegularExpression word(QStringLiteral("(?<![%\\\\])\\b[A-Za-z]{4,}\\b"));
    QString longer;
    for (const QString& row : text.split(QLatin1Char('\n'))) {
      const QRegularExpressionMatch match = line.match(row);
      if (!match.hasMatch() || match.captured(1).startsWith(QLatin1String("IDS_LANGUAGE"))) {
        longer += row + QLatin1Char('\n');
        continue;
      }
      QString value = match.captured(3);
      QString grown;
      qsizetype from = 0;
      for (auto it = word.globalMatch(value); it.hasNext();) {
        const QRegularExpressionMatch w = it.next();
        grown += value.mid(from, w.capturedStart() - from) + w.captured() + w.captured().left(w.capturedLength() / 2).toLower();
        from = w.capturedEnd();
      }
      grown += value.mid(from);
      longer += match.captured(1) + match.captured(2) + QLatin1Char('"') + grown + QStringLiteral("\"\r\n");
    }
    longer.replace(QStringLiteral("IDS_LANGUAGE_NAME \"English\""), QStringLiteral("IDS_LANGUAGE_NAME \"Langwort\""));
    WriteUtf16LangFile(languages_ + "/ZV_LW.lang", longer.toStdU16String());
  }

  std::string languages_;
  TestFonts fonts_{1.5};
  CAppImageLists lists_;
  CSampleSheetServices services_{u"alice"};
};

TEST_F(OptionTextFitTest, EveryChildReadsWholeAtEachFontAndModeAndTheSheetStaysOnItsScreen) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (const char16_t* language : {u"ZV_EN", u"ZV_LW"}) {
   ASSERT_EQ(LoadLangLib(language), 1);
   for (const QFont& font : fonts_.Both()) {
    QApplication::setFont(font);
    for (const Mode& mode : kModes) {
      g_AdvancedSettingMode = mode.advanced;
      g_ScreenReaderFriendlyMode = mode.screenReader;
      OptionsOnlySheet shown(services_);
      CDlgOptions* page = shown.options->Options();
      for (int slot = 0; slot < CDlgOptions::kSlotCount; ++slot) {
        if (page->ListIndexOf(slot) < 0) continue;
        page->OnUserSelectPage(page->Child(slot)->DialogId());
        QApplication::processEvents();
        SCOPED_TRACE("child " + std::to_string(page->CurrentChild()->DialogId()) + ", " + mode.name + ", " +
                     std::to_string(font.pointSizeF()) + "pt, " + qav::Utf16ToUtf8(language));
        const QStringList cut = CutTexts(&shown.sheet);
        EXPECT_TRUE(cut.isEmpty()) << Listed(cut);
        // The child lays out to the page's width: it scrolls sideways only where the screen
        // leaves less room than the child itself needs (this screen is 800 pixels wide; no
        // wider child decides it).
        const auto* area = page->findChild<QAbstractScrollArea*>(QStringLiteral("childArea"));
        ASSERT_NE(area, nullptr);
        const int room = area->width() - area->verticalScrollBar()->sizeHint().width();
        if (page->CurrentChild()->minimumSizeHint().width() <= room) {
          EXPECT_FALSE(area->horizontalScrollBar()->isVisible()) << "a horizontal scroll bar";
          EXPECT_LE(page->CurrentChild()->width(), area->viewport()->width());
        }
      }
      EXPECT_TRUE(screen.contains(shown.sheet.frameGeometry())) << mode.name << " at " << font.pointSizeF() << "pt";
    }
   }
  }
}

}  // namespace
}  // namespace qav::test
