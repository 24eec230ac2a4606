// CVideoDriver: shows the video greeting to a caller through the virtual-webcam application.
//
// The driver handles no video itself. It drives the webcam application through the webcam control
// library (libvxrelay.so, vxrelay/vxrelay.h), loaded from the program folder by its full path:
// it starts the application when it does not run, puts the greeting file into it and starts,
// pauses or stops playback. The call state machine switches the call client's video input to the
// application's capture device and calls PlayVideoFileStart; the greeting option pages build
// instances of their own for a preview.
//
// Construction throws std::runtime_error when the call client cannot send video, the library is
// missing or incomplete, the application is not installed (no version), or it cannot be started;
// the program then runs without video greetings. The play operations return 1 or 0 and log why.
// A driver that started the application closes it when it is deleted; one that found it running
// leaves it running.
//
// Threading: one thread at a time (the GUI thread). Every operation may block that thread while
// the application answers, at most the library's time-out per request.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "audio/video_driver_vidralux.h"

// The library's file name in the program folder.
inline constexpr char kVxrelayLibraryFileName[] = "libvxrelay.so";
// The webcam application's capture device: the client takes the video greeting from it.
inline constexpr std::u16string_view kVirtualWebcamDeviceName = u"Vidralux Capture";
// The lowest packed version of the call client that can send video (2.0.0.69).
inline constexpr int32_t kSkypeVideoVersion = 0x2000045;
// The longest video path handed to the application, in UTF-8 bytes; a longer path is refused.
inline constexpr size_t kMaxVideoPathBytes = 259;

struct CVideoDriverSetup {
  // Full path of the library; empty: kVxrelayLibraryFileName in the program folder.
  std::string libraryPath;
  // The call client's packed version as the program knows it (the dispatcher's version
  // requirement), and where a version read from the registry is stored back. Without a reader the
  // known version is 0, so the registry decides; without a writer nothing is stored.
  std::function<int32_t()> readSkypeVersion;
  std::function<void(int32_t)> storeSkypeVersion;
};

class CVideoDriver {
 public:
  explicit CVideoDriver(CVideoDriverSetup setup);
  ~CVideoDriver();
  CVideoDriver(const CVideoDriver&) = delete;
  CVideoDriver& operator=(const CVideoDriver&) = delete;

  // 1 when the call client can send video: the known version is at least kSkypeVideoVersion, or
  // the current user's "Software\Skype\Phone\UI" value "Version" is (and is then stored).
  int CheckSkypeVersion();
  // 1 when the application runs, starting it minimized when it does not.
  int EnsureAppRunning();

  // Plays the file (an existing file, path of at most kMaxVideoPathBytes) in the application.
  int PlayVideoFileStart(std::u16string_view path);
  int PlayVideoFileStop();
  int PlayVideoFilePause();

  // Whether this driver started the application (and so closes it when deleted).
  bool StartedApplication() const { return m_startedByUs != 0; }

  // kVxrelayLibraryFileName in the program folder.
  static std::string DefaultLibraryPath();

 private:
  CVideoDriverSetup m_setup;
  std::unique_ptr<CVideoDriverVidralux> m_binding;
  int32_t m_startedByUs = 0;
};

// The program's video driver; null when there is none (every user checks). The GUI thread sets it at
// start-up and again when the options page retries a missing driver, and uses it; the dispatcher
// thread asks whether there is one at the same time. A user loads it once and uses what it loaded.
extern std::atomic<CVideoDriver*> g_pVideoDriver;
// Whether the program has its video driver now; any thread.
inline bool HasVideoDriver() { return g_pVideoDriver.load(std::memory_order_acquire) != nullptr; }
