// The program's command-line switches and what a start asks for.
//
// The switch table keeps the order and indexes the program has always used (0 "/winstartup" ...
// 7 "/pimparticipants="); the further switches ("/isrunning", "/shutdown", "/removable",
// "/updatepath", "/removeqavvac", "/useskypepath") are looked for in every argument. Each is
// matched as a whole argument without regard to case (platform/command_line.h), so a path that
// contains "/removable" is not the switch, and values keep their case.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/command_line.h"

namespace AppSwitch {
enum : size_t {
  WINSTARTUP = 0,   // forward request (started at log-in)
  BRINGTOFOCUS,     // forward request
  INSTALL,          // close the running copy, then a forward request
  UNINSTALL,        // close the running copy and end
  PIMCMD,           // a second copy ends without the warning
  PIMID,            // value accepted, not used
  PIMCONTEXT,       // integer value, -1 when missing
  PIMPARTICIPANTS,  // value accepted, not used
  COUNT,
};
}  // namespace AppSwitch

// The switch table, in index order.
extern const std::array<qav::SwitchSpec, AppSwitch::COUNT> kAppSwitchTable;

// The switches looked for in every argument.
inline constexpr qav::SwitchSpec kSwitchIsRunning{u"/isrunning", qav::SwitchValue::kNone};
inline constexpr qav::SwitchSpec kSwitchShutdown{u"/shutdown", qav::SwitchValue::kNone};
inline constexpr qav::SwitchSpec kSwitchRemovable{u"/removable", qav::SwitchValue::kNone};
inline constexpr qav::SwitchSpec kSwitchUpdatePath{u"/updatepath", qav::SwitchValue::kSeparate};
inline constexpr qav::SwitchSpec kSwitchRemoveVac{u"/removeqavvac", qav::SwitchValue::kNone};
inline constexpr qav::SwitchSpec kSwitchUseSkypePath{u"/useskypepath", qav::SwitchValue::kSeparate};

// What one start of the program asks for.
struct CAppStartRequest {
  bool isRunning = false;
  bool shutdown = false;
  bool removable = false;
  bool removeVac = false;
  std::optional<std::u16string> updatePath;
  std::optional<std::u16string> useSkypePath;
  bool table[AppSwitch::COUNT] = {};
  int32_t pimContext = -1;

  // A start that makes a running copy show its window instead of warning.
  bool ForwardRequest() const {
    return table[AppSwitch::WINSTARTUP] || table[AppSwitch::BRINGTOFOCUS] || table[AppSwitch::INSTALL];
  }
  // "/pimcontext=" values that make a forwarded start show the window a second time.
  bool PimContextShowsAgain() const {
    return pimContext == 0 || pimContext == 1 || pimContext == 3 || pimContext == 4 || pimContext == 6;
  }
};

CAppStartRequest ParseAppSwitches(const qav::CommandLine& commandLine);
