// The channel between the program and its crash helper, and the helper's start.
//
// The helper is a second process forked from the program at the very start of main, before any
// other thread exists, so it is a clean copy that shares nothing the crash may have broken (the
// heap, a held lock, an overflowed stack). The two talk over a Unix SOCK_SEQPACKET pair, one frame
// per message: the first byte says what the frame is, the rest is its text. Whole messages never
// interleave, so a crash record sent from a signal handler cannot tear a context frame that
// another thread was sending.
//
// When the program ends without a crash, its end of the channel closes and the helper ends too.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace qav {

// Program to helper: the report context, replacing the one sent before (its text is the
// helper's business, see net/crash_report_context.h).
inline constexpr char kCrashFrameContext = 'C';
// Program to helper: the next piece of a crash record (docs/crash-reports.md).
inline constexpr char kCrashFrameRecord = 'R';
// Program to helper: the crash record is complete; the helper builds the report now.
inline constexpr char kCrashFrameRecordEnd = 'E';
// Helper to program: the report is done; the program may end with its signal.
inline constexpr char kCrashFrameDone = 'A';

// The largest frame, kind byte included.
inline constexpr size_t kCrashFrameMax = 64 * 1024;

// Forks the helper, which runs `helperMain` with its end of the channel and ends with its result
// (without running the program's exit handlers: it is a copy of the program's memory). In the
// helper, SIGINT, SIGTERM, SIGHUP and SIGPIPE are ignored, so a stop request meant for the
// program does not take its crash reporter away; it ends when the channel closes. Returns the
// program's end of the channel, or -1 when the helper cannot be started. Call before any thread
// starts.
int StartCrashHelper(const std::function<int(int channel)>& helperMain);

// Sends one frame, whole: its kind and text. False when the frame is too large or the helper is
// gone.
bool SendCrashFrame(int channel, char kind, std::string_view text);
// Sends a frame already laid out (kind byte first). Safe from a signal handler.
bool SendCrashFrameBytes(int channel, const char* frame, size_t length);

// Receives one frame: its kind and text. False at the end of the channel or on an error.
bool ReceiveCrashFrame(int channel, char& kind, std::string& text);

}  // namespace qav
