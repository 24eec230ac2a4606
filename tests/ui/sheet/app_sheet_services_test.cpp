// The sheet's services from the running program: what the About page's links and the language
// file's edit button open, and what the user sees when the desktop cannot open it.
#include "app/app_sheet_services.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/zv_app.h"
#include "app/zv_app_wnd.h"
#include "foundation/language_tables.h"
#include "platform/virtual_loop.h"
#include "tests/app/app_doubles.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "ui/about/dlg_about.h"

using namespace qav;
using namespace qav::test;

namespace {

class AppSheetServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadDefaultLangLib();
    app_ = std::make_unique<CZVApp>(v_.loop(), parts_.Components(), CommandLine());
    window_ = std::make_unique<CZVAppWnd>(*app_);
    services_ = std::make_unique<CAppSheetServices>(*app_, *window_);
  }

  TempDir dir_;
  ScopedProgramFolders folders_{dir_.path()};
  VirtualLoop v_;
  Journal journal_;
  AnsweringBoxes boxes_{journal_, IDOK};
  RecordingParts parts_{journal_};
  std::unique_ptr<CZVApp> app_;
  std::unique_ptr<CZVAppWnd> window_;
  std::unique_ptr<CAppSheetServices> services_;
};

constexpr char kUnableBox[] =
    "box 0x30 Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.";

TEST_F(AppSheetServicesTest, AWebLinkOrFileTheDesktopCannotOpenSaysSo) {
  ASSERT_NE(parts_.shell, nullptr);
  services_->OpenUrl(CDlgAbout::kEncoderAddress);
  services_->OpenLocalFile(u"/opt/QAV/Language/ZV_EN.lang");
  EXPECT_EQ(journal_.Text(), "shell.open https://lame.sourceforge.io/ max\nshell.openfile /opt/QAV/Language/ZV_EN.lang");

  journal_.Clear();
  parts_.shell->opens = false;
  services_->OpenUrl(CDlgAbout::kEncoderAddress);
  services_->OpenLocalFile(u"/opt/QAV/Language/ZV_EN.lang");
  EXPECT_EQ(journal_.Text(), std::string("shell.open https://lame.sourceforge.io/ max\n") + kUnableBox +
                                 "\nshell.openfile /opt/QAV/Language/ZV_EN.lang\n" + kUnableBox);
}

// A link of the language file's texts is outside data: only http and https go to the browser.
TEST_F(AppSheetServicesTest, OnlyWebAddressesGoToTheBrowser) {
  for (const char16_t* link : {u"file:///etc/passwd", u"--help", u"javascript:alert(1)"}) services_->OpenUrl(link);
  EXPECT_EQ(journal_.Text(), "");
}

}  // namespace
