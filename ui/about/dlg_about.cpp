#include "ui/about/dlg_about.h"

#include <QGridLayout>
#include <functional>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

#include "app/web_links.h"
#include "foundation/language_tables.h"
#include "foundation/version.h"
#include "ui/art/art_images.h"
#include "ui/sheet/sheet_services.h"

namespace {

QString Q(std::u16string_view text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }

// The link colour of the page's links (blue) as the sheet's pages draw links.
constexpr char kLinkColour[] = "#0000ee";

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

CDlgAbout::CDlgAbout(CSheetServices& services, QWidget* parent) : CPropPage(parent), m_services(services) {
  auto* icon = new ClickableIcon(this);
  icon->onClick = [this] { Open(Q(ProductAddress())); };
  icon->setCursor(Qt::PointingHandCursor);
  if (const auto art = FindArtImage(151)) {
    QPixmap pixmap;
    if (pixmap.loadFromData(art->data(), static_cast<uint>(art->size()))) icon->setPixmap(pixmap);
  }
  m_icon = icon;
  m_description = MakeLink(QStringLiteral("FileDescription"), ProductAddress());
  m_fileVersion = new QLabel(QStringLiteral("FileVersion"), this);
  m_copyright = new QLabel(QStringLiteral("LegalCopyright"), this);
  m_company = new QLabel(QStringLiteral("CompanyName"), this);
  m_credit = new QLabel(QStringLiteral("Comments"), this);
  m_credit->setWordWrap(true);
  m_callClient = MakeLink(QStringLiteral("Skype\u2122 is a trademark owned by Skype Limited"), kCallClientAddress);
  m_components = new QLabel(QStringLiteral("Components:"), this);
  m_encoder = MakeLink(QStringLiteral("LAME MP3 Encoding - lame.sourceforge.io"), kEncoderAddress);
  m_webcam = MakeLink(QStringLiteral("Vidralux webcam application - www.vidralux.com"), kWebcamAddress);

  auto* writtenBy = new QLabel(QStringLiteral("Written by"), this);
  auto* layout = new QGridLayout(this);
  layout->addWidget(m_icon, 0, 0, 4, 1, Qt::AlignTop);
  layout->addWidget(m_description, 0, 1, 1, 2);
  layout->addWidget(m_fileVersion, 1, 1, 1, 2);
  layout->addWidget(m_copyright, 2, 1, 1, 2);
  layout->addWidget(writtenBy, 3, 1);
  layout->addWidget(m_company, 3, 2);
  layout->addWidget(m_credit, 4, 1, 1, 2);
  layout->addWidget(m_callClient, 5, 1, 1, 2);
  layout->addWidget(m_components, 6, 1, 1, 2);
  layout->addWidget(m_encoder, 7, 1, 1, 2);
  layout->addWidget(m_webcam, 8, 1, 1, 2);
  layout->setColumnStretch(2, 1);
  layout->setRowStretch(9, 1);

  FillVersionInfo();
  Localize();
}

std::u16string CDlgAbout::GetTabTitle() const { return GetLangString(63); }

void CDlgAbout::Localize() {
  m_credit->setText(Q(GetLangString(6)));
  m_credit->setVisible(!m_credit->text().isEmpty());
  m_components->setText(Q(GetLangString(200)));
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
  for (QLabel* label : {m_description, m_fileVersion, m_copyright, m_company}) {
    const QString name = label->property("valueName").isValid() ? label->property("valueName").toString() : label->text();
    std::u16string value = VersionValue(name.toStdU16String());
    if (value.empty()) continue;
    if (label == m_fileVersion) {
      // A version written "3, 0, 0, 1" shows as "3.0.0.1".
      std::u16string dotted;
      for (char16_t c : value) {
        if (c == u' ') continue;
        dotted.push_back(c == u',' ? u'.' : c);
      }
      value = dotted;
    }
    if (label == m_description) {
      label->setText(QStringLiteral("<a href=\"%1\" style=\"color:%2\">%3</a>")
                         .arg(label->property("address").toString().toHtmlEscaped(), QLatin1String(kLinkColour), Q(value).toHtmlEscaped()));
    } else {
      label->setText(Q(value));
    }
  }
}

QLabel* CDlgAbout::MakeLink(const QString& text, const std::u16string& address) {
  auto* label = new QLabel(this);
  label->setProperty("valueName", text);
  label->setProperty("address", Q(address));
  label->setTextFormat(Qt::RichText);
  label->setText(QStringLiteral("<a href=\"%1\" style=\"color:%2\">%3</a>")
                     .arg(Q(address).toHtmlEscaped(), QLatin1String(kLinkColour), text.toHtmlEscaped()));
  label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  label->setOpenExternalLinks(false);
  connect(label, &QLabel::linkActivated, this, [this](const QString& link) { Open(link); });
  return label;
}

void CDlgAbout::Open(const QString& address) { m_services.OpenUrl(address.toStdU16String()); }
