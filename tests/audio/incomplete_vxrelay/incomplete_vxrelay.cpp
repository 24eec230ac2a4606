// A webcam control library without Vidralux_Pause: the video driver must refuse it whole.
#include "vxrelay/vxrelay.h"

extern "C" {
int Vidralux_SetFile(const char*) { return 1; }
const char* Vidralux_GetFile(void) { return nullptr; }
int Vidralux_GetVersion(void) { return 0x30000; }
const char* Vidralux_GetDirectory(void) { return nullptr; }
int Vidralux_Run(void) { return -1; }
int Vidralux_RunMinimized(void) { return -1; }
int Vidralux_Exit(void) { return 1; }
int Vidralux_IsRunning(void) { return -1; }
int Vidralux_Start(void) { return 1; }
int Vidralux_Stop(void) { return 1; }
}
