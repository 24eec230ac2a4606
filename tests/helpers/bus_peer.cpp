// A second process on the desktop bus for the bus tests and the bus benchmark.
//
//   qav_bus_peer --class NAME [--title TEXT]
//
// Creates one top-level window, prints "ready <handle> <pid>" and then serves its loop. Every
// message the window gets is reported on stdout; commands arrive one a line on stdin:
//   register NAME                    -> "registered NAME <number>"
//   post HANDLE MESSAGE W L          -> "posted 0|1"       (MESSAGE a number or a registered name)
//   broadcast NAME W L               -> "broadcast 0|1"
//   copy HANDLE FROM DWDATA HEXBYTES -> "sent <status> <result>"   (a WM_COPYDATA send)
//   find CLASS [TITLE]               -> "found <handle>"
//   quit
// WM_COPYDATA with dwData 1 is echoed back to the sending window inside the handler (a send made
// while the sender waits); dwData 2 hangs the handler for good ("hanging"); dwData 3 holds it until
// a "go" line arrives ("holding"); any other dwData is reported as "copydata <dwData> <hex> from
// <wParam> pid <sender>". Other messages: "msg <message> <wParam> <lParam> from <sender>".
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/message_loop.h"
#include "platform/registered_message.h"
#include "platform/text.h"
#include "platform/window.h"
#include "tests/support/hex.h"

using namespace qav;

namespace {

std::string Hex(std::string_view bytes) { return bytes.empty() ? "-" : test::HexBytes(bytes); }
std::string Unhex(const std::string& hex) { return hex == "-" ? std::string() : test::BytesFromHex(hex); }

std::string Status(SendStatus s) {
  switch (s) {
    case SendStatus::kOk: return "ok";
    case SendStatus::kNoWindow: return "nowindow";
    case SendStatus::kTimedOut: return "timedout";
    case SendStatus::kPeerGone: return "peergone";
    case SendStatus::kRefused: return "refused";
    case SendStatus::kUnsupported: return "unsupported";
  }
  return "?";
}

void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

uint32_t MessageNumber(const std::string& word) {
  char* end = nullptr;
  unsigned long n = std::strtoul(word.c_str(), &end, 0);
  if (end && *end == '\0') return static_cast<uint32_t>(n);
  return RegisterWindowMessage(word);
}

std::string ReadLineBlocking() {
  std::string line;
  char c;
  while (read(0, &c, 1) == 1 && c != '\n') line.push_back(c);
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  std::string className = "QavBusPeer";
  std::u16string title;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--class") == 0) className = argv[i + 1];
    if (std::strcmp(argv[i], "--title") == 0) title = U16(argv[i + 1]);
  }
  MessageLoop loop;
  Hwnd self = 0;
  self = CreateWindow(loop, className, title, WindowKind::kTopLevel, [&](Msg& m) -> LResult {
    if (m.message == WM_COPYDATA) {
      const auto* cds = reinterpret_cast<const CopyDataStruct*>(m.lParam);
      std::string bytes(static_cast<const char*>(cds->lpData), cds->cbData);
      if (cds->dwData == 1) {
        SendOutcome echo = SendCopyData(m.wParam, self, 1, bytes, 5000);
        return echo.ok() ? static_cast<LResult>(bytes.size()) : -1;
      }
      if (cds->dwData == 2) {
        Say("hanging");
        for (;;) pause();
      }
      if (cds->dwData == 3) {
        Say("holding");
        while (ReadLineBlocking() != "go") {
        }
        return 3;
      }
      std::ostringstream line;
      line << "copydata " << cds->dwData << " " << Hex(bytes) << " from " << std::hex << m.wParam << std::dec
           << " pid " << m.senderProcess;
      Say(line.str());
      return static_cast<LResult>(bytes.size());
    }
    if (m.message == WM_SETTEXT || m.message == WM_CLOSE) return DefWindowProc(m);
    std::ostringstream line;
    line << "msg " << m.message << " " << std::hex << m.wParam << std::dec << " " << m.lParam << " from "
         << m.senderProcess;
    Say(line.str());
    return 0;
  });
  if (!self) {
    Say("failed");
    return 1;
  }

  std::string pending;
  loop.WatchFd(0, kFdReadable, [&](int fd, uint32_t) {
    char buffer[4096];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) {
      loop.PostQuit(0);
      return;
    }
    pending.append(buffer, static_cast<size_t>(n));
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      std::istringstream in(pending.substr(0, end));
      pending.erase(0, end + 1);
      std::string command;
      in >> command;
      if (command == "register") {
        std::string name;
        in >> name;
        Say("registered " + name + " " + std::to_string(RegisterWindowMessage(name)));
      } else if (command == "post" || command == "broadcast") {
        std::string target, message;
        WParam w = 0;
        LParam l = 0;
        if (command == "post") in >> target;
        in >> message >> std::hex >> w >> std::dec >> l;
        Hwnd to = command == "post" ? std::strtoull(target.c_str(), nullptr, 16) : kHwndBroadcast;
        Say(command + (command == "post" ? "ed " : " ") + (PostMessage(to, MessageNumber(message), w, l) ? "1" : "0"));
      } else if (command == "copy") {
        std::string target, from, hex;
        uint64_t dwData = 0;
        in >> target >> from >> dwData >> hex;
        SendOutcome outcome = SendCopyData(std::strtoull(target.c_str(), nullptr, 16),
                                           std::strtoull(from.c_str(), nullptr, 16), dwData, Unhex(hex), 5000);
        Say("sent " + Status(outcome.status) + " " + std::to_string(outcome.result));
      } else if (command == "find") {
        std::string cls, text;
        in >> cls;
        std::getline(in >> std::ws, text);
        Hwnd found = text.empty() ? FindWindow(cls) : FindWindow(cls, std::u16string_view(U16(text)));
        std::ostringstream line;
        line << "found " << std::hex << found;
        Say(line.str());
      } else if (command == "quit") {
        loop.PostQuit(0);
      }
    }
  });

  std::ostringstream ready;
  ready << "ready " << std::hex << self << std::dec << " " << getpid();
  Say(ready.str());
  return loop.Run();
}
