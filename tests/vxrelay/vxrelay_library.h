// The webcam control library as the program uses it: the built file loaded by its path, every
// function bound by name.
#pragma once

#include "audio/video_driver_vidralux.h"

namespace qav::test {

inline const VidraluxFunctions& Vxrelay() {
  static const CVideoDriverVidralux library(QAV_VXRELAY_LIBRARY);
  return library.functions();
}

}  // namespace qav::test
