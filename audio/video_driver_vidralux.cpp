#include "audio/video_driver_vidralux.h"

#include <dlfcn.h>

#include <stdexcept>

#include "foundation/logger.h"
#include "platform/crash_signals.h"

namespace {

template <typename Function>
bool Bind(void* module, const char* name, Function* slot) {
  void* address = dlsym(module, name);
  if (address == nullptr) {
    QAV_LOG(LOG_WARNING, u"CVideoDriverVidralux() Missing function %s in the Vidralux control DLL.", name);
    return false;
  }
  *slot = reinterpret_cast<Function>(address);
  return true;
}

}  // namespace

CVideoDriverVidralux::CVideoDriverVidralux(const std::string& libraryPath) {
  // Once loaded the library stays mapped: it keeps state of its own for as long as the process
  // runs (each thread's bus connections, closed when the thread ends; the platform's tables), which
  // must not vanish under a thread that is still to end. Deleting the binding only drops our use.
  m_module = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (m_module == nullptr) {
    const char* reason = dlerror();
    QAV_LOG(LOG_WARNING, u"Fail to load Vidralux control DLL.");
    QAV_LOG(LOG_FINE, u"CVideoDriverVidralux() %s", reason ? reason : libraryPath.c_str());
    throw std::runtime_error("cannot load " + libraryPath);
  }
  qav::RefreshCrashModules();
  VidraluxFunctions& f = m_functions;
  const bool bound = Bind(m_module, "Vidralux_SetFile", &f.SetFile) && Bind(m_module, "Vidralux_GetFile", &f.GetFile) &&
                     Bind(m_module, "Vidralux_GetVersion", &f.GetVersion) &&
                     Bind(m_module, "Vidralux_GetDirectory", &f.GetDirectory) && Bind(m_module, "Vidralux_Run", &f.Run) &&
                     Bind(m_module, "Vidralux_RunMinimized", &f.RunMinimized) &&
                     Bind(m_module, "Vidralux_Exit", &f.Exit) && Bind(m_module, "Vidralux_IsRunning", &f.IsRunning) &&
                     Bind(m_module, "Vidralux_Start", &f.Start) && Bind(m_module, "Vidralux_Stop", &f.Stop) &&
                     Bind(m_module, "Vidralux_Pause", &f.Pause);
  if (!bound) {
    dlclose(m_module);
    throw std::runtime_error("incomplete Vidralux control library " + libraryPath);
  }
}

CVideoDriverVidralux::~CVideoDriverVidralux() { dlclose(m_module); }
