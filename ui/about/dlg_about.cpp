#include "ui/about/dlg_about.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <functional>

#include "app/web_links.h"
#include "foundation/language_tables.h"
#include "foundation/version.h"
#include "ui/art/art_images.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/hyper_link.h"
#include "ui/controls/qt_color.h"
#include "ui/controls/ux_theme.h"
#include "ui/sheet/sheet_services.h"

namespace {

QString Q(std::u16string_view text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }

// The links are blue until opened, and blue while the mouse is over them.
constexpr COLORREF kLinkColour = 0xEE0000;

// The program's version information. There are no version resources here: the version is the
// compiled-in one, the other values are the program's own.
struct VersionEntry {
  std::u16string_view name;
  std::u16string_view value;
};
constexpr VersionEntry kVersionValues[] = {
    {u"FileDescription", u"QAV answering machine and call recorder"},
    {u"LegalCopyright", u"Copyright \u00a9 Zarvelin"},
    {u"CompanyName", u"Zarvelin"},
};

// The product icon opens the product's page when clicked.
class ClickableIcon : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> onClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && onClick) onClick();
  }
};

}  // namespace

const char16_t* const CDlgAbout::kCallClientAddress = u"https://www.skype.com/";
const char16_t* const CDlgAbout::kEncoderAddress = u"https://lame.sourceforge.io/";
const char16_t* const CDlgAbout::kWebcamAddress = u"https://www.vidralux.com/";

CDlgAbout::CDlgAbout(CSheetServices& services, QWidget* parent)
    : CPropPage(parent),
      m_services(services),
      // The button-text colour, or the themed tab body's text colour where the style gives one.
      m_textColour(ThemedTabBodyColor(this, TMT_TEXTCOLOR, ToColorRef(QApplication::palette().color(QPalette::ButtonText)))) {
  auto* icon = new ClickableIcon(this);
  icon->onClick = [this] { m_services.OpenUrl(ProductAddress()); };
  icon->setCursor(Qt::PointingHandCursor);
  if (const auto art = FindArtImage(151)) {
    QPixmap pixmap;
    if (pixmap.loadFromData(art->data(), static_cast<uint>(art->size()))) icon->setPixmap(pixmap);
  }
  m_icon = icon;
  m_description = MakeLink(QStringLiteral("FileDescription"), ProductAddress());
  m_fileVersion = MakeText(QStringLiteral("FileVersion"));
  m_copyright = MakeText(QStringLiteral("LegalCopyright"));
  m_writtenBy = MakeText(QStringLiteral("Written by"));
  m_company = MakeText(QStringLiteral("CompanyName"));
  m_credit = MakeText(QStringLiteral("Comments"));
  m_credit->setWordWrap(true);
  m_callClient = MakeLink(QStringLiteral("Skype\u2122 is a trademark owned by Skype Limited"), kCallClientAddress);
  m_components = MakeText(QStringLiteral("Components:"));
  m_encoder = MakeLink(QStringLiteral("LAME MP3 Encoding - lame.sourceforge.io"), kEncoderAddress);
  m_webcam = MakeLink(QStringLiteral("Vidralux by Quenmark - www.vidralux.com"), kWebcamAddress);

  // A link takes the width of its text only, so that only a click on the text opens it.
  auto* layout = new QGridLayout(this);
  layout->addWidget(m_icon, 0, 0, 4, 1, Qt::AlignTop);
  layout->addWidget(m_description, 0, 1, 1, 2, Qt::AlignLeft);
  layout->addWidget(m_fileVersion, 1, 1, 1, 2);
  layout->addWidget(m_copyright, 2, 1, 1, 2);
  layout->addWidget(m_writtenBy, 3, 1);
  layout->addWidget(m_company, 3, 2);
  layout->addWidget(m_credit, 4, 1, 1, 2);
  layout->addWidget(m_callClient, 5, 1, 1, 2, Qt::AlignLeft);
  layout->addWidget(m_components, 6, 1, 1, 2);
  layout->addWidget(m_encoder, 7, 1, 1, 2, Qt::AlignLeft);
  layout->addWidget(m_webcam, 8, 1, 1, 2, Qt::AlignLeft);
  layout->setColumnStretch(2, 1);
  layout->setRowStretch(9, 1);

  FillVersionInfo();
  Localize();
}

std::u16string CDlgAbout::GetTabTitle() const { return GetLangString(IDS_SHEET_TAB_ABOUT); }

void CDlgAbout::Localize() {
  m_credit->setText(Q(GetLangString(IDS_TRANSLATOR_CREDIT)));
  m_credit->setVisible(!m_credit->text().isEmpty());
  m_components->setText(Q(GetLangString(IDS_ABOUT_TAB_COMPONENTS)));
}

void CDlgAbout::OnSetActive() { Localize(); }

std::u16string CDlgAbout::ProductAddress() {
  return ProductPageLink(u"", {{u"lang", m_services.WebLanguage()}});
}

std::u16string CDlgAbout::VersionValue(std::u16string_view name) {
  if (name == u"FileVersion") return CVersion::GetAppVersion();
  for (const VersionEntry& entry : kVersionValues) {
    if (entry.name == name) return std::u16string(entry.value);
  }
  return {};
}

void CDlgAbout::FillVersionInfo() {
  // Each control's text names the value that replaces it.
  for (QLabel* label : std::initializer_list<QLabel*>{m_description, m_fileVersion, m_copyright, m_company}) {
    std::u16string value = VersionValue(label->text().toStdU16String());
    if (value.empty()) continue;
    if (label == m_fileVersion) value = DottedVersion(value);
    label->setText(Q(value));
  }
}

std::u16string CDlgAbout::DottedVersion(std::u16string_view written) {
  std::u16string dotted;
  for (char16_t c : written) {
    if (c == u' ') continue;
    dotted.push_back(c == u',' ? u'.' : c);
  }
  return dotted;
}

CColorStaticST* CDlgAbout::MakeText(const QString& text) {
  auto* label = new CColorStaticST(this);
  label->setText(text);
  label->SetTextColor(m_textColour);
  label->SetTransparent(true);
  label->StartTextBlink(false, 0);
  return label;
}

CHyperLink* CDlgAbout::MakeLink(const QString& text, const std::u16string& address) {
  auto* link = new CHyperLink(text, this);
  link->SetURL(Q(address));
  link->SetColours(kLinkColour, m_textColour, kLinkColour, CHyperLink::kNoColour);
  link->ActivateTooltip(false);
  link->SetOpener([this](const std::u16string& target) { return m_services.OpenAddress(target); });
  return link;
}
