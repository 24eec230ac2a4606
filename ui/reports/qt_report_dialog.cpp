#include "ui/reports/qt_report_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <stdexcept>

#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "ui/art/app_image_lists.h"
#include "ui/reports/rtf_to_html.h"

namespace {

constexpr char16_t kCaption[] = u"Zarvelin QAV";
constexpr int kProgramIcon = 128;

QString Text(int id) { return QString::fromStdU16String(GetLangString(id)); }

std::u16string ChooseWithFileDialog(QWidget* parent) {
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  const QString chosen = QFileDialog::getOpenFileName(parent, QString(), pictures,
                                                      "Image files (*.jpg *.jpeg *.png);;All Files (*)");
  return chosen.toStdU16String();
}

QLabel* WrappedLabel(const QString& text) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  return label;
}

}  // namespace

CReportDialogWindow::CReportDialogWindow(bool crash, CQtReportDialog::FileChooser chooser)
    : m_crash(crash), m_chooser(chooser ? std::move(chooser) : ChooseWithFileDialog) {
  setWindowTitle(QString::fromStdU16String(kCaption));
  try {
    setWindowIcon(QIcon(QPixmap::fromImage(LoadImageFromResource(kProgramIcon))));
  } catch (int) {
    // Logged by the loader; the dialog goes on without its icon.
  }
  if (crash) setWindowFlag(Qt::WindowStaysOnTopHint);

  // The heading: the language file's RTF notice on white.
  auto* heading = new QWidget;
  heading->setAutoFillBackground(true);
  QPalette white = heading->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  heading->setPalette(white);
  const int headingId =
      crash ? IDS_DLG_CRASH_REPORT_STATIC_HEADING_TEXT_WORDPAD_RICHEDIT : IDS_DLG_REPORT_STATIC_HEADING_TEXT_WORDPAD_RICHEDIT;
  const std::u16string rtf =
      qav::Format(RestoreRtfEscapes(GetLangString(headingId)), GetLangString(IDS_APPLICATION_NAME_SHORT));
  auto* headingText = WrappedLabel(QString::fromStdU16String(RtfToHtml(rtf)));
  headingText->setTextFormat(Qt::RichText);
  headingText->setObjectName("heading");
  auto* headingLayout = new QHBoxLayout(heading);
  auto* icon = new QLabel;
  icon->setPixmap(windowIcon().pixmap(32, 32));
  headingLayout->addWidget(icon, 0, Qt::AlignTop);
  headingLayout->addWidget(headingText, 1);

  m_contact = new QLineEdit;
  m_description = new QPlainTextEdit;
  m_attachment = new QLineEdit;
  m_attachment->setReadOnly(true);
  auto* browse = new QPushButton(Text(IDS_DLG_REPORT_BUTTON_BROWSE));
  auto* dontSend = new QPushButton(Text(IDS_DLG_REPORT_BUTTON_DONT_SEND));
  auto* send = new QPushButton(Text(IDS_DLG_REPORT_BUTTON_SEND));
  send->setDefault(true);
  browse->setObjectName("browse");
  dontSend->setObjectName("dontSend");
  send->setObjectName("send");

  auto* body = new QVBoxLayout;
  body->addWidget(WrappedLabel(Text(IDS_DLG_REPORT_STATIC_INFORMATION)));
  body->addWidget(WrappedLabel(Text(IDS_DLG_REPORT_STATIC_ALLOW_CONTACT)));
  body->addWidget(m_contact);
  body->addWidget(WrappedLabel(Text(IDS_DLG_REPORT_STATIC_DESCRIBE)));
  body->addWidget(m_description, 1);
  body->addWidget(WrappedLabel(Text(IDS_DLG_REPORT_STATIC_ATTACHMENTS)));
  auto* attachRow = new QHBoxLayout;
  attachRow->addWidget(m_attachment, 1);  // the field ends where Browse begins
  attachRow->addWidget(browse);
  body->addLayout(attachRow);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(dontSend);
  buttons->addWidget(send);
  body->addLayout(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(heading);
  auto* bodyHolder = new QWidget;
  bodyHolder->setLayout(body);
  layout->addWidget(bodyHolder, 1);
  resize(480, 420);

  connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
  connect(send, &QPushButton::clicked, this, [this] { Send(); });
  connect(dontSend, &QPushButton::clicked, this, [this] { done(2); });
}

void CReportDialogWindow::Browse() {
  const std::u16string chosen = m_chooser(this);
  if (chosen.empty()) return;
  m_answer.attachments.push_back(chosen);
  m_attachment->setText(QString::fromStdU16String(chosen));  // the last one chosen
}

void CReportDialogWindow::Send() {
  m_answer.contact = m_contact->text().toStdU16String();
  m_answer.description = m_description->toPlainText().toStdU16String();
  if (!m_crash && m_answer.description.empty()) {
    qav::ShowMessageBox(GetLangString(IDS_DLG_REPORT_STATIC_CANT_SEND_WITH_EMPTY_DESCRIPTION), kCaption,
                        qav::MB_OK | qav::MB_ICONSTOP);
    return;
  }
  done(1);
}

int CQtReportDialog::Show(bool crash, qav::Hwnd, CReportDialogAnswer& answer) {
  if (!QApplication::instance()) throw std::runtime_error("no user interface to show the report dialog in");
  CReportDialogWindow dialog(crash, m_chooser);
  if (m_onOpen) m_onOpen(dialog);
  const int result = dialog.exec();
  answer = dialog.Answer();
  return result == 1 || result == 2 ? result : 2;  // closed by its frame: as Don't Send
}
