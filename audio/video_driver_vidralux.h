// CVideoDriverVidralux: the webcam control library (libvxrelay.so), loaded by its full path, with
// its eleven functions bound by name.
//
// A library that is missing or lacks any of the eleven functions is a failed construction: the
// object never exists with a function it cannot call.
#pragma once

#include <string>

#include "vxrelay/vxrelay.h"

struct VidraluxFunctions {
  decltype(&::Vidralux_SetFile) SetFile = nullptr;
  decltype(&::Vidralux_GetFile) GetFile = nullptr;
  decltype(&::Vidralux_GetVersion) GetVersion = nullptr;
  decltype(&::Vidralux_GetDirectory) GetDirectory = nullptr;
  decltype(&::Vidralux_Run) Run = nullptr;
  decltype(&::Vidralux_RunMinimized) RunMinimized = nullptr;
  decltype(&::Vidralux_Exit) Exit = nullptr;
  decltype(&::Vidralux_IsRunning) IsRunning = nullptr;
  decltype(&::Vidralux_Start) Start = nullptr;
  decltype(&::Vidralux_Stop) Stop = nullptr;
  decltype(&::Vidralux_Pause) Pause = nullptr;
};

class CVideoDriverVidralux {
 public:
  // Throws std::runtime_error when the library cannot be loaded or lacks a function (logged at
  // WARNING).
  explicit CVideoDriverVidralux(const std::string& libraryPath);
  ~CVideoDriverVidralux();
  CVideoDriverVidralux(const CVideoDriverVidralux&) = delete;
  CVideoDriverVidralux& operator=(const CVideoDriverVidralux&) = delete;

  // Every pointer is set.
  const VidraluxFunctions& functions() const { return m_functions; }

 private:
  void* m_module = nullptr;
  VidraluxFunctions m_functions;
};
