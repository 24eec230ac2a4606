// A stand-in for the sibling audio application "Voxpost Desk", for tests and for machines
// without it.
//
// It owns a top-level window on the desktop bus under one of the application's two class names,
// takes WM_COPYDATA with dwData 120 (a "QAVInformationNotify" document in UTF-16LE) and keeps each
// one byte for byte as <n>.xml in its record folder, printing "notice <path>" for each. It prints
// "ready" once its window exists. On standard input it takes commands, one a line:
//   dump   asks QAV's main window for everything at once (WM_COPYDATA, dwData 120, one data byte)
//          and prints "dump <result>" with the window's answer ("dump none" without a QAV window)
//   quit   ends the stand-in
// End of input ends it too. docs/sibling-app.md describes the exchange.
#pragma once

#include <cstdint>
#include <string>

namespace qav::sim {

inline constexpr char kVoxpostDeskClass[] = "Voxpost Desk";
inline constexpr char kVoxpostDeskProClass[] = "Voxpost Desk Pro";
// WM_COPYDATA's dwData for a notice, both ways.
inline constexpr uint64_t kVoxpostNoticeData = 120;

struct VoxpostStandInOptions {
  std::string className = kVoxpostDeskClass;  // "--pro" takes the other class name
  std::string recordFolder;                   // "--record=DIR"; "" keeps nothing
};

// False, with a message in `error`, for an option it does not understand.
bool ParseVoxpostStandInOptions(int argc, char** argv, VoxpostStandInOptions* options, std::string* error);

// Runs until "quit" or the end of input; 0, or 2 when its window cannot be made.
int RunVoxpostStandIn(const VoxpostStandInOptions& options);

}  // namespace qav::sim
