#include "audio/video_driver.h"

#include <sys/stat.h>

#include <stdexcept>

#include "foundation/logger.h"
#include "foundation/registry_access.h"
#include "foundation/version.h"
#include "platform/folders.h"
#include "platform/text.h"

std::atomic<CVideoDriver*> g_pVideoDriver{nullptr};

namespace {

// Unknown (-1) is never enough.
bool CanSendVideo(int32_t packedVersion) {
  std::optional<int> order = CVersion::ComparePackedVersions(packedVersion, kSkypeVideoVersion);
  return order && *order >= 0;
}

}  // namespace

std::string CVideoDriver::DefaultLibraryPath() { return qav::U8(qav::ProgramFolder()) + kVxrelayLibraryFileName; }

CVideoDriver::CVideoDriver(CVideoDriverSetup setup) : m_setup(std::move(setup)) {
  if (m_setup.libraryPath.empty()) m_setup.libraryPath = DefaultLibraryPath();
  if (!CheckSkypeVersion()) throw std::runtime_error("the Skype client cannot send video");
  try {
    m_binding = std::make_unique<CVideoDriverVidralux>(m_setup.libraryPath);
  } catch (const std::exception&) {
    QAV_LOG(LOG_WARNING, u"CVideoDriver() Fail to load CVideoDriverVidralux.");
    throw std::runtime_error("no Vidralux control library");
  }
  const int version = m_binding->functions().GetVersion();
  if (version == 0) {
    QAV_LOG(LOG_WARNING, u"CVideoDriver() Error retrieving Vidralux version");
    throw std::runtime_error("Vidralux is not installed");
  }
  QAV_LOG(LOG_INFO, u"CVideoDriver() Vidralun version: %d.%d", version >> 16, version & 0xFFFF);
  m_startedByUs = 0;
  if (!EnsureAppRunning()) throw std::runtime_error("Vidralux cannot be started");
  QAV_LOG(LOG_INFO, u"CVideoDriver() Init successfully.");
}

CVideoDriver::~CVideoDriver() {
  if (m_startedByUs) m_binding->functions().Exit();
}

int CVideoDriver::CheckSkypeVersion() {
  const int32_t known = m_setup.readSkypeVersion ? m_setup.readSkypeVersion() : 0;
  if (CanSendVideo(known)) return 1;
  CRegistryAccess registry;
  registry.SetRootKey(HKEY_CURRENT_USER);
  const int32_t installed = registry.SetKey(u"Software\\Skype\\Phone\\UI", false) ? registry.ReadInt(u"Version", 0) : 0;
  // The installed client must reach the version that sends video; being newer than the known
  // version is not enough.
  if (!CanSendVideo(installed)) {
    QAV_LOG(LOG_WARNING, u"CVideoDriver() Skype Version does not support video");
    return 0;
  }
  if (m_setup.storeSkypeVersion) m_setup.storeSkypeVersion(installed);
  QAV_LOG(LOG_INFO, u"CVideoDriver() Updated Skype Version that supports video");
  return 1;
}

int CVideoDriver::EnsureAppRunning() {
  const VidraluxFunctions& vidralux = m_binding->functions();
  if (vidralux.IsRunning() != 0) return 1;
  QAV_LOG(LOG_INFO, u"CVideoDriver() Vidralux is not running. Trying to start it...");
  if (vidralux.RunMinimized() == 0) {
    QAV_LOG(LOG_WARNING, u"CVideoDriver() Failed to start Vidralux");
    return 0;
  }
  m_startedByUs = 1;
  QAV_LOG(LOG_INFO, u"CVideoDriver() Vidralux successfully started");
  return 1;
}

int CVideoDriver::PlayVideoFileStart(std::u16string_view path) {
  if (!CheckSkypeVersion() || !EnsureAppRunning()) return 0;
  const std::string file = qav::U8(path);
  struct stat info {};
  const bool named = file.find('\0') == std::string::npos;  // a zero would end the path early
  if (!named || stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    QAV_LOG(LOG_WARNING, u"CVideoDriver::PlayVideoFileStart() Failed to find file %s", path);
    return 0;
  }
  // A cut path would name another file, or none.
  if (file.size() > kMaxVideoPathBytes) {
    QAV_LOG(LOG_WARNING, u"CVideoDriver::PlayVideoFileStart() Path of %d bytes is longer than %d: %s",
            static_cast<int>(file.size()), static_cast<int>(kMaxVideoPathBytes), path);
    return 0;
  }
  const VidraluxFunctions& vidralux = m_binding->functions();
  if (vidralux.SetFile(file.c_str()) <= 0) return 0;
  return vidralux.Start() > 0 ? 1 : 0;
}

int CVideoDriver::PlayVideoFileStop() {
  if (!CheckSkypeVersion() || !EnsureAppRunning()) return 0;
  return m_binding->functions().Stop() > 0 ? 1 : 0;
}

int CVideoDriver::PlayVideoFilePause() {
  if (!CheckSkypeVersion() || !EnsureAppRunning()) return 0;
  return m_binding->functions().Pause() > 0 ? 1 : 0;
}
