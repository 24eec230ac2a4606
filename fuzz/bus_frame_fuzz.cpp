// Frames on the desktop bus, as another process could write them to a top-level window's socket:
// the receiver reads them, refuses what is malformed or forged, and hands the window what it
// accepts; a WM_COPYDATA it accepts goes on as a call client line.
//
// The input is a list of records: a flags byte, a 16-bit little-endian length and that many bytes
// of frame. Flags let the fuzzer write what it cannot guess: bit 0 the frame's magic and version,
// bit 1 the target (the window here), bit 2 wParam (a window of the sending process, which
// WM_COPYDATA needs), bit 3 a data length that matches the frame.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "platform/bus_frame.h"
#include "platform/bus_socket.h"
#include "platform/desktop_directory.h"
#include "platform/message_loop.h"
#include "platform/window.h"
#include "skype/link/skype_protocol_error.h"
#include "skype/link/skype_to_device_cmd.h"

namespace {

constexpr char kClassName[] = "QavFuzzBus";
constexpr size_t kMaxFrames = 64;

struct Desk {
  qav::MessageLoop loop;
  qav::Hwnd window = 0;
  std::string dir;
  std::string socketName;
};

qav::LResult OnMessage(qav::Msg& message) {
  if (message.message != qav::WM_COPYDATA) return 0;
  const auto* block = message.Get<qav::CopyDataPayload>();
  if (block == nullptr) __builtin_trap();  // an accepted block always arrives as its own copy
  SkypeToDeviceCmd command;
  try {
    command.Parse(SkypeToDeviceCmd::LineFromWire(block->bytes()));
  } catch (const qav::SkypeProtocolError&) {
  }
  return 1;
}

Desk& TheDesk() {
  static Desk* desk = [] {
    setenv("QAV_DESKTOP_DIR", (qav::fuzz::Folder() + "desktop").c_str(), 1);
    auto* made = new Desk;
    made->dir = qav::OpenDesktopDirectory();
    made->window = qav::CreateWindow(made->loop, kClassName, u"fuzz", qav::WindowKind::kTopLevel, OnMessage);
    if (made->dir.empty() || made->window == 0) std::abort();
    made->socketName = qav::detail::BusSocketName(made->window, kClassName);
    return made;
  }();
  return *desk;
}

void Serve(Desk& desk, int fd) {
  char reply[512];
  for (int idle = 0; idle < 2;) {
    const bool served = desk.loop.ProcessDue();
    while (recv(fd, reply, sizeof reply, MSG_DONTWAIT) > 0) {
    }
    idle = served ? 0 : idle + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Desk& desk = TheDesk();
  qav::detail::ConnectError error = qav::detail::ConnectError::kNone;
  const int fd = qav::detail::ConnectToBusSocket(desk.dir, desk.socketName, 1000, &error);
  if (fd < 0) std::abort();

  std::string_view input = qav::fuzz::Bytes(data, size);
  for (size_t frames = 0; frames < kMaxFrames && input.size() >= 3; ++frames) {
    const uint8_t flags = static_cast<uint8_t>(input[0]);
    const size_t length = std::min<size_t>(static_cast<uint8_t>(input[1]) | (static_cast<uint8_t>(input[2]) << 8),
                                           input.size() - 3);
    std::string frame(input.substr(3, length));
    input.remove_prefix(3 + length);
    if (frame.size() >= sizeof(qav::detail::FrameHeader)) {
      qav::detail::FrameHeader header;
      std::memcpy(&header, frame.data(), sizeof header);
      if (flags & 1) {
        header.magic = qav::detail::kFrameMagic;
        header.version = qav::detail::kFrameVersion;
      }
      if (flags & 2) header.target = desk.window;
      if (flags & 4) header.wParam = desk.window;
      if (flags & 8) header.dataLength = static_cast<uint32_t>(frame.size() - sizeof header);
      std::memcpy(frame.data(), &header, sizeof header);
    }
    if (send(fd, frame.data(), frame.size(), MSG_DONTWAIT | MSG_NOSIGNAL) < 0) break;
    Serve(desk, fd);
  }
  close(fd);
  Serve(desk, -1);
  return 0;
}
