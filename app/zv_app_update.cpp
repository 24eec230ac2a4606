// The update of a copy on a removable drive: the installed copy copies its own files onto the
// medium ("/updatepath"), and the copy on the medium offers that when the installed one is newer.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/app_names.h"
#include "app/app_switches.h"
#include "app/zv_app.h"
#include "foundation/app_folders.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/registry_access.h"
#include "foundation/version.h"
#include "platform/folders.h"
#include "platform/named_mutex.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace {

// How long the copy being replaced is given to end (it holds the single-instance lock until then).
constexpr int kReplacedCopyWaitMs = 1500;

// The files a copy of this program is made of, relative to its folder: the language files the
// language list reads, the data files, and the program last, so that a copy that fails half-way
// does not start with files older than itself. Optional parts are copied when this copy has them.
std::vector<std::u16string> UpdateFiles(const std::u16string& programFolder, std::vector<std::u16string>& optional) {
  std::vector<std::u16string> files;
  std::error_code error;
  const std::filesystem::path languages(qav::U8(programFolder + u"Language/"));
  std::vector<std::u16string> languageFiles;
  for (const auto& entry : std::filesystem::directory_iterator(languages, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("ZV_", 0) == 0 && name.size() > 5 && name.substr(name.size() - 5) == ".lang") {
      languageFiles.push_back(u"Language/" + qav::Utf8ToUtf16(name));
    }
  }
  std::sort(languageFiles.begin(), languageFiles.end());
  files.insert(files.end(), languageFiles.begin(), languageFiles.end());
  files.insert(files.end(), {u"beep1.wav", u"beep2.wav", u"greeting.wav"});
  optional = {u"greeting.avi", u"libvxrelay.so", u"QAV.url"};
  for (const auto& name : optional) {
    if (access(qav::U8(programFolder + name).c_str(), F_OK) == 0) files.push_back(name);
  }
  files.push_back(kProgramFileName);
  return files;
}

bool CopyOne(const std::u16string& from, const std::u16string& to) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(qav::U8(to)).parent_path(), error);
  return std::filesystem::copy_file(qav::U8(from), qav::U8(to), std::filesystem::copy_options::overwrite_existing,
                                    error);
}

}  // namespace

bool CZVApp::RunUpdate(const std::u16string& targetFolder) {
  QAV_LOG(LOG_INFO, u"Starting QAV Update to path '%s'", targetFolder);
  {
    qav::NamedMutex replaced;
    replaced.AcquireWithin(kInstanceLockName, kReplacedCopyWaitMs);
  }
  const std::u16string programFolder = GetAppFolder();
  std::vector<std::u16string> optional;
  const std::vector<std::u16string> files = UpdateFiles(programFolder, optional);
  int errors = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::u16string from = programFolder + files[i];
    const std::u16string to = targetFolder + files[i];
    if (CopyOne(from, to)) {
      QAV_LOG(LOG_INFO, u"Done Update File ['%s' to '%s'] (%d/%d)", from, to, i + 1, files.size());
    } else {
      ++errors;
      QAV_LOG(LOG_WARNING, u"ERROR on CopyFile ['%s' to '%s'] (%d/%d)", from, to, i + 1, files.size());
    }
  }
  if (errors > 0) {
    QAV_LOG(LOG_WARNING, u"Encountered %d errors out of %d files when updating QAV.", errors, files.size());
    DoMessageBox(u"QAV update process encountered a few errors and might not work properly", qav::MB_ICONEXCLAMATION);
  } else {
    QAV_LOG(LOG_INFO, u"Successfully updated QAV - %d files where copied.", files.size());
    DoMessageBox(u"QAV update finished successfully", qav::MB_ICONINFORMATION);
  }
  const qav::CommandLine restart = m_commandLine.Without(kSwitchUpdatePath);
  const std::u16string program = targetFolder + kProgramFileName;
  QAV_LOG(LOG_INFO, u"Restarting QAV after update: Path: '%s', Params: '%s'", program, restart.ToText());
  m_shell->StartProgram(program, restart.arguments());
  return false;
}

bool CZVApp::CheckInstalledCopy() {
  CRegistryAccess registry;
  std::u16string installPath;
  if (registry.SetRootKey(HKEY_LOCAL_MACHINE) && registry.SetKey(u"Software\\QAV", false)) {
    installPath = registry.ReadString(u"InstallPath", u"");
  }
  const std::u16string candidate = qav::WithTrailingSlash(installPath) + kProgramFileName;
  if (installPath.empty() || access(qav::U8(candidate).c_str(), F_OK) != 0) {
    QAV_LOG(LOG_WARNING, u"Could not find PC installed version in path %s", candidate);
    return true;
  }
  const std::u16string installedVersion = CVersion::GetAppFileVersion(candidate);
  int newer = 0;
  if (installedVersion.empty() || !CVersion::CompareSWVersions(installedVersion, CVersion::GetAppVersion(), newer)) {
    QAV_LOG(LOG_WARNING, u"ERROR retrieving PC Installed version number");
    return true;
  }
  if (!newer) {
    QAV_LOG(LOG_INFO, u"PC Installed version is older [%s], no need to upgrade", installedVersion);
    return true;
  }
  QAV_LOG(LOG_INFO, u"PC Installed version is newer [%s]", installedVersion);
  const int answer = DoMessageBox(GetLangString(IDS_NOTIFY_USER_NEWER_QAV_VERSION_FOUND_ON_COMPUTER_THEN_ON_USB),
                                  qav::MB_YESNO | qav::MB_ICONINFORMATION);
  if (answer != qav::IDYES) {
    QAV_LOG(LOG_INFO, u"QAV Update: User does NOT want to update QAV on his USB memory");
    return true;
  }
  QAV_LOG(LOG_INFO, u"QAV Update: User approved QAV update on this USB memory");
  std::vector<std::u16string> arguments = {u"/updatepath", GetAppFolder()};
  arguments.insert(arguments.end(), m_commandLine.arguments().begin(), m_commandLine.arguments().end());
  m_shell->StartProgram(candidate, arguments);
  return false;
}
