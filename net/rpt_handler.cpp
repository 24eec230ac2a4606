#include "net/rpt_handler.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <optional>

#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "net/report_dialog.h"
#include "net/report_upload.h"
#include "net/settings_copy.h"
#include "net/sys_info_xml.h"
#include "net/zlib_zip.h"
#include "platform/crash_record.h"
#include "platform/fd/fd_write.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace {

constexpr char16_t kCrashQuestion[] =
    u"%s has encountered a problem and needs to close.\n\nWe have created a report that can help us impove and "
    u"stabilize future releases.\nWe will treat this report as confidential and anonymous.\n\nWould you like to send "
    u"this information?";
constexpr char16_t kProblemQuestion[] =
    u"%s Problem Report.\n\nWe have created a report that can help us impove and stabilize future releases.\nWe "
    u"will treat this report as confidential and anonymous.\n\nWould you like to send this information?";

bool CanRead(const std::u16string& path) {
  const int fd = open(qav::U8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool WriteWholeFile(const std::u16string& path, std::string_view bytes) {
  const int fd = open(qav::U8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = qav::WriteAllToFd(fd, bytes);
  return close(fd) == 0 && written;
}

bool CopyWholeFile(const std::u16string& from, const std::u16string& to) {
  const int in = open(qav::U8(from).c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = open(qav::U8(to).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  bool ok = out >= 0;
  char buffer[65536];
  while (ok) {
    const ssize_t got = read(in, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    ok = qav::WriteAllToFd(out, std::string_view(buffer, static_cast<size_t>(got)));
  }
  close(in);
  if (out >= 0 && close(out) != 0) ok = false;
  if (!ok && out >= 0) unlink(qav::U8(to).c_str());
  return ok;
}

// A file name made of a description: no folder separators, never empty.
std::u16string FileNameOf(std::u16string_view description) {
  std::u16string name(description);
  for (char16_t& c : name) {
    if (c == u'/' || c == u'\0') c = u'_';
  }
  if (name.empty() || name == u"." || name == u"..") name = u"settings.ini";
  return name;
}

}  // namespace

CRptHandler::CRptHandler(std::u16string title, std::u16string product, CReportDestination destination,
                         AddFilesCallback addFiles, TerminateCallback terminate)
    : m_title(std::move(title)),
      m_product(std::move(product)),
      m_destination(std::move(destination)),
      m_addFiles(std::move(addFiles)),
      m_terminate(std::move(terminate)) {}

void CRptHandler::AddTextInfo(std::u16string_view subject, std::u16string_view body) {
  QAV_LOG(LOG_WARNING, u"CRptHandler::AddTextInfo:\r\nSubject: %s, \r\nBody: %s", subject, body);
  m_subject = subject;
  m_body = body;
}

void CRptHandler::AddFile(std::u16string_view path, std::u16string_view description, bool deleteAfterwards) {
  QAV_LOG(LOG_WARNING, u"CRptHandler::AddFile( %s, '%s')", path, description);
  const std::u16string key(path);
  if (!CanRead(key)) return;
  m_files[key] = description;
  m_deleteFlags[key] = deleteAfterwards;
}

void CRptHandler::AddSettingsFile(std::u16string_view path, std::u16string_view description) {
  const std::u16string copy = qav::TempFolder() + FileNameOf(description);
  if (CopySettingsWithoutPassword(path, copy) != 1) {
    QAV_LOG(LOG_WARNING, u"CRptHandler::AddSettingsFile( %s ): no copy could be made", path);
    return;
  }
  AddFile(copy, description, true);
}

int CRptHandler::AskUser(bool crash, qav::Hwnd parent, CReportDialogAnswer& answer) {
  if (m_dialog) {
    try {
      return m_dialog->Show(crash, parent, answer);
    } catch (const std::exception& error) {
      QAV_LOG(LOG_WARNING, u"CRptHandler::GenerateReport( the report dialog failed: %s )", error.what());
    } catch (...) {
      QAV_LOG(LOG_WARNING, u"CRptHandler::GenerateReport( the report dialog failed )");
    }
  }
  const std::u16string question = qav::Format(crash ? kCrashQuestion : kProblemQuestion, m_title);
  return qav::ShowMessageBox(question, m_title, qav::MB_YESNO | qav::MB_ICONSTOP) == qav::IDYES ? 1 : 2;
}

int CRptHandler::GenerateReport(bool crash, qav::Hwnd parent, const std::string* crashRecord) {
  if (crash) {
    QAV_LOG(LOG_INFO, u"CRptHandler::GenerateReport() CRASH CRASH CRASH");
  } else {
    QAV_LOG(LOG_INFO, u"CRptHandler::GenerateReport( hWnd=%x )", parent);
  }
  // Each report starts from nothing, so what one report attached never reaches the next.
  m_files.clear();
  m_deleteFlags.clear();
  m_subject.clear();
  m_body.clear();
  m_savedReport.clear();

  int result = 0;
  [&] {
    if (m_addFiles) {
      QAV_LOG(LOG_INFO, u"CRptHandler:: Doing User Callback function");
      if (m_addFiles(*this, crash) < 1) {
        QAV_LOG(LOG_WARNING, u"CRptHandler::GenerateReport( Break After User Callback )");
        return;
      }
    }
    CReportDialogAnswer answer;
    const int asked = AskUser(crash, parent, answer);
    if (asked != 1) {
      if (asked == 2) {
        QAV_LOG(LOG_INFO, u"CRptHandler::GenerateReport( User skiped SendReport() )");
      } else if (asked == 0) {
        QAV_LOG(LOG_WARNING, u"CRptHandler::GenerateReport( FAILED on DialogBox() [Invalid hWndParent(%x]", parent);
      } else if (asked == -1) {
        QAV_LOG(LOG_WARNING, u"CRptHandler::GenerateReport( FAILED on DialogBox() [ERROR = %d])", errno);
      } else {
        QAV_LOG(LOG_WARNING, u"CRptHandler::GenerateReport( FAILED on DialogBox() [rv = %d])", asked);
      }
      return;
    }

    const std::u16string subject = m_subject.empty() ? qav::Format(u"%s Report", m_title) : m_subject;
    const std::u16string body = m_body + qav::Format(u"\r\n\r\nUsers Contact: %s", answer.contact) +
                                qav::Format(u"\r\n\r\nUsers Description: \r\n%s", answer.description);
    for (const std::u16string& attachment : answer.attachments) AddFile(attachment, u"User Attachment", false);

    const std::string recordText = crashRecord ? *crashRecord : qav::RecordOfThisProcess();
    const std::u16string dumpPath = qav::TempFolder() + m_title + u".dmp";
    if (WriteWholeFile(dumpPath, recordText)) {
      QAV_LOG(LOG_INFO, u"CRptHandler::GenerateReport( MiniDumpFile created %s )", dumpPath);
      AddFile(dumpPath, qav::Format(u"%s MiniDump", m_product), true);
    } else {
      QAV_LOG(LOG_WARNING, u"CRptHandler::GenerateReport( NO MiniDumpFile created)");
    }
    const std::optional<qav::CrashRecord> record = qav::ParseCrashRecord(recordText);
    const std::u16string xmlPath = qav::TempFolder() + m_title + u".xml";
    if (record && WriteSysInfoXml(xmlPath, *record, CurrentSystemFacts()) == 1) {
      QAV_LOG(LOG_INFO, u"CRptHandler::GenerateReport( SysInfoFile created %s )", xmlPath);
      AddFile(xmlPath, qav::Format(u"%s SysInfo", m_title), true);
    } else {
      QAV_LOG(LOG_WARNING, u"CRptHandler::GenerateReport( NO SysInfoFile created)");
    }

    // Without a ZIP (ZipReportFiles leaves none that is not whole) the subject and body still go.
    std::u16string zip;
    if (ZipReportFiles(zip) != 1) zip.clear();
    if (SendReport(zip, subject, body) == 1) {
      DeleteFlaggedFiles();
      if (!zip.empty()) unlink(qav::U8(zip).c_str());
      result = 1;
      return;
    }
    if (!zip.empty()) {
      const std::u16string copy = qav::TempFolder() + m_title + u" Report Log.zip";
      if (CopyWholeFile(zip, copy)) {
        m_savedReport = copy;
        unlink(qav::U8(zip).c_str());
      } else {
        m_savedReport = zip;  // the temporary ZIP is the one copy left, so it stays
      }
    }
    DeleteFlaggedFiles();
    // The message names a saved copy only when there is one.
    TellNotSent(m_savedReport);
  }();
  if (m_terminate) m_terminate(*this, crash);
  return result;
}

void CRptHandler::DeleteFlaggedFiles() {
  for (const auto& [path, flagged] : m_deleteFlags) {
    if (flagged) unlink(qav::U8(path).c_str());
  }
}

void CRptHandler::TellNotSent(const std::u16string& keptAt) {
  std::u16string message = qav::Format(GetLangString(IDS_DLG_REPORT_SEND_FAILED_MESSAGE), m_product) + u"\r\n";
  if (!keptAt.empty()) {
    message += u"\r\n" + qav::Format(GetLangString(IDS_DLG_REPORT_SEND_FAILED_MESSAGE_ATTACHMENT), keptAt);
  }
  message += u"\r\n" + qav::Format(GetLangString(IDS_DLG_REPORT_SEND_FAILED_MESSAGE_DETAILS), m_destination.supportAddress);
  qav::ShowMessageBox(message, m_title, qav::MB_OK | qav::MB_ICONSTOP);
}

int CRptHandler::ZipReportFiles(std::u16string& zipPath) {
  std::string pattern = qav::U8(qav::TempFolder() + u"QAVXXXXXX.tmp");
  const int fd = mkstemps(pattern.data(), 4);
  if (fd < 0) {
    QAV_LOG(LOG_WARNING, u"CRptHandler::ZipReportFiles( FAILED )");
    return 0;
  }
  close(fd);
  const std::u16string path = qav::U16(pattern);
  CZLib zip;
  bool ok = zip.OpenZip(path, 0) == 1;
  if (ok) {
    for (const auto& [file, description] : m_files) zip.AddFile(file);
    ok = zip.CloseZip() == 1;
  }
  if (!ok) {
    unlink(pattern.c_str());
    QAV_LOG(LOG_WARNING, u"CRptHandler::ZipReportFiles( FAILED )");
    return 0;
  }
  QAV_LOG(LOG_INFO, u"CRptHandler::ZipReportFiles( Done [File Name = '%s'] )", path);
  zipPath = path;
  return 1;
}

int CRptHandler::SendReport(std::u16string_view zipPath, std::u16string_view subject, std::u16string_view body) {
  QAV_LOG(LOG_INFO, u"CRptHandler::SendReport()");
  Upload upload = [url = m_destination.uploadUrl, subject = std::u16string(subject), body = std::u16string(body),
                   zip = std::u16string(zipPath)](const std::atomic<bool>* abortFlag,
                                                  const std::function<void(int)>& progress) {
    return UploadReport(url, subject, body, zip, abortFlag, progress);
  };
  return m_uploadRunner ? m_uploadRunner(std::move(upload)) : upload(nullptr, {});
}
