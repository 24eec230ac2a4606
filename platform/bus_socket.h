// The desktop bus's sockets and their names in the desktop directory. Internal to platform/.
//
// Each top-level window listens on a SOCK_SEQPACKET Unix socket named
// "<16 hex digits of its handle>.<class name>" (characters other than letters, digits, '_' and '-'
// written as %XX). The handle's high half is the owner's process id, which is how sockets left by
// ended processes are told apart and removed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message.h"

namespace qav::detail {

std::string BusSocketName(Hwnd window, std::string_view className);

struct BusWindowFile {
  Hwnd window = 0;
  std::string className;
  std::string name;  // the file name in the desktop directory
};
std::optional<BusWindowFile> ParseBusSocketName(std::string_view name);
// Every bus socket in the folder, sorted by name.
std::vector<BusWindowFile> ListBusWindowFiles(const std::string& dir);
std::optional<BusWindowFile> FindBusWindowFile(const std::string& dir, Hwnd window);

// A non-blocking listening socket bound to dir/name; a stale socket of that name is replaced.
// -1 on failure.
int ListenOnBusSocket(const std::string& dir, const std::string& name);

enum class ConnectError { kNone, kMissing, kRefused, kFailed };
// A blocking connection to dir/name (close-on-exec), -1 with the reason on failure.
int ConnectToBusSocket(const std::string& dir, const std::string& name, int timeoutMs, ConnectError* error);

// Unlinks dir/name when nobody listens on it any more; true when it was removed.
bool RemoveIfStale(const std::string& dir, const std::string& name);
// Unlinks the sockets whose owning process no longer exists.
void SweepEndedProcesses(const std::string& dir);
// True when that process exists (a zombie counts until it is reaped).
bool ProcessExists(uint32_t pid);

}  // namespace qav::detail
