#include "app/program_components.h"

#include "app/transport_link.h"
#include "app/video_driver_part.h"
#include "app/zv_app.h"
#include "audio/virtual_cable_removal.h"

CAppComponents ProgramComponents() {
  CAppComponents components;
  components.link = [] { return std::make_unique<CTransportLink>(g_pApp->GuiLoop()); };
  components.videoDriver = [] { return std::make_unique<CVideoDriverPart>(); };
  components.removeVirtualCable = [] { return RemoveVirtualCableDriver() == 1; };
  // Still null parts (app/null_parts.h): the property sheet, the tray, the worker threads, the
  // version check, problem reports, the image lists, the audio driver and the engine.
  return components;
}
