// The report builder: a problem report the user asks for from the tray, or the report of a crash
// (built in the crash helper process from the program's crash record).
//
// A report collects the application's own files and texts (through the add-files callback), the
// crash record (the ".dmp" file; for a problem report a record of the running process) and the
// system-information XML, asks the user (the report dialog, or a Yes/No box without one), packs
// everything into a ZIP and uploads it with a subject and a body to the maker's web server. A
// report that cannot be sent is kept as a copy in the temporary folder, and the user is told where.
//
// Every report starts from nothing: files attached to one report never reappear in the next, and
// a ZIP that could not be written whole is never sent: the subject and body then go without it,
// and an unsent report without a ZIP leaves no copy, which the message does not claim.
//
// Threading: one report at a time, on the thread that calls GenerateReport (the GUI thread for a
// problem report, the helper's only thread for a crash). The upload goes through the upload runner
// when one is set: the program's runs it on a worker while the GUI thread goes on serving calls,
// and stops it through its abort flag when the user cancels or the program ends.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message.h"

class CReportDialog;
struct CReportDialogAnswer;

// Where reports go and whom users may write to instead.
struct CReportDestination {
  std::u16string uploadUrl;       // the product's area + "applinks/report/" + "index.php"
  std::u16string supportAddress;  // the maker's support e-mail address
};

class CRptHandler {
 public:
  // Lets the application add its files and texts; a result below 1 stops the report.
  using AddFilesCallback = std::function<int(CRptHandler& report, bool crash)>;
  // Called at the end of every report.
  using TerminateCallback = std::function<void(CRptHandler& report, bool crash)>;

  CRptHandler(std::u16string title, std::u16string product, CReportDestination destination,
              AddFilesCallback addFiles, TerminateCallback terminate);

  // The dialog to ask with (null: the Yes/No message box). The caller keeps it alive.
  void SetDialog(CReportDialog* dialog) { m_dialog = dialog; }

  // One upload, ready to run on any thread: it owns copies of everything it sends. It hears the
  // share sent (0-100, may be empty) and stops soon after the abort flag (may be null) is set;
  // 1 when the server took the report.
  using Upload = std::function<int(const std::atomic<bool>* abortFlag, const std::function<void(int)>& progress)>;
  // Runs an upload and returns its result; it may return before the upload has ended (it must then
  // have set the flag it gave), giving 0. Empty: the upload runs on the calling thread.
  using UploadRunner = std::function<int(Upload upload)>;
  void SetUploadRunner(UploadRunner runner) { m_uploadRunner = std::move(runner); }

  void AddTextInfo(std::u16string_view subject, std::u16string_view body);
  // Adds the file when it can be opened for reading; the same path again replaces its entry.
  void AddFile(std::u16string_view path, std::u16string_view description, bool deleteAfterwards);
  // Adds a copy of a settings file, named after its description, with the stored mail password
  // blanked; the copy is deleted after the report. Nothing is added when the copy cannot be made.
  void AddSettingsFile(std::u16string_view path, std::u16string_view description);

  // Builds, asks, packs and sends the report. `crashRecord` is the crash record's text for a
  // crash (null for a problem report). 1 when the report was sent, else 0.
  int GenerateReport(bool crash, qav::Hwnd parent, const std::string* crashRecord);

  // Packs the report's files into a fresh temporary ZIP; 1 with its path in `zipPath`. On failure
  // 0, and no ZIP is left behind.
  int ZipReportFiles(std::u16string& zipPath);
  // Uploads the ZIP ("" for none) with the subject and body; 1 when the server took it (200).
  int SendReport(std::u16string_view zipPath, std::u16string_view subject, std::u16string_view body);

  // The files of the report under way, path to description, in path order.
  const std::map<std::u16string, std::u16string>& Files() const { return m_files; }
  // Where the last unsent report was kept ("" when none was).
  const std::u16string& SavedReportPath() const { return m_savedReport; }

 private:
  int AskUser(bool crash, qav::Hwnd parent, CReportDialogAnswer& answer);
  void DeleteFlaggedFiles();
  void TellNotSent(const std::u16string& keptAt);

  const std::u16string m_title;
  const std::u16string m_product;
  const CReportDestination m_destination;
  const AddFilesCallback m_addFiles;
  const TerminateCallback m_terminate;
  CReportDialog* m_dialog = nullptr;
  UploadRunner m_uploadRunner;

  std::map<std::u16string, std::u16string> m_files;
  std::map<std::u16string, bool> m_deleteFlags;
  std::u16string m_subject;
  std::u16string m_body;
  std::u16string m_savedReport;
};
