#include "platform/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/private_folder.h"
#include "platform/text.h"

namespace qav {

namespace {

// An environment value that is an absolute path, else "".
std::string AbsoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return {};
  return value;
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  return folder;
}

std::string HomeFolder() {
  std::string home = AbsoluteEnv("HOME");
  if (!home.empty()) return WithSlash(home);
  // No usable $HOME (a service or a stripped environment): ask the password database.
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return WithSlash(found->pw_dir);
  }
  return "/";
}

// The override, else the XDG variable, else the home folder + the XDG default.
std::u16string XdgFolder(const char* overrideName, const char* xdgName, const char* homeRelative) {
  std::string folder = AbsoluteEnv(overrideName);
  if (folder.empty()) folder = AbsoluteEnv(xdgName);
  if (folder.empty()) folder = HomeFolder() + homeRelative;
  return Utf8ToUtf16(WithSlash(folder));
}

// True when the path is a real folder (not a link) of this user with no access for anyone else,
// tightening the mode of our own folder when it is looser.
bool IsPrivateFolder(const std::string& path) { return CheckPrivateFolder(path).empty(); }

std::mutex g_tempFallbackMutex;
std::string g_tempFallback;  // made once when the usual name is taken by someone else

}  // namespace

std::u16string WithTrailingSlash(std::u16string_view folder) {
  std::u16string result(folder);
  if (!result.empty() && result.back() != u'/') result.push_back(u'/');
  return result;
}

bool CreateFolderTree(std::u16string_view folder, mode_t mode) {
  std::string path = Utf16ToUtf8(folder);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty()) return false;
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  // Create each missing parent from the top down.
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string parent = path.substr(0, slash);
    if (mkdir(parent.c_str(), mode) != 0 && errno != EEXIST) return false;
  }
  if (mkdir(path.c_str(), mode) != 0 && errno != EEXIST) return false;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ExecutablePath() {
  std::string exe(PATH_MAX, '\0');
  const ssize_t length = readlink("/proc/self/exe", exe.data(), exe.size());
  if (length <= 0 || static_cast<size_t>(length) >= exe.size()) return "";
  exe.resize(static_cast<size_t>(length));
  return exe;
}

std::u16string ProgramFolder() {
  const std::string overridden = AbsoluteEnv("QAV_PROGRAM_DIR");
  if (!overridden.empty()) return Utf8ToUtf16(WithSlash(overridden));
  const std::string exe = ExecutablePath();
  if (exe.empty()) return u"./";
  // The text up to and including the last "/", as the folder of the module's path.
  return Utf8ToUtf16(exe.substr(0, exe.rfind('/') + 1));
}

std::u16string UserDataFolder() { return XdgFolder("QAV_DATA_DIR", "XDG_DATA_HOME", ".local/share"); }

std::u16string UserConfigFolder() { return XdgFolder("QAV_CONFIG_DIR", "XDG_CONFIG_HOME", ".config"); }

std::u16string UserStateFolder() { return XdgFolder("QAV_STATE_DIR", "XDG_STATE_HOME", ".local/state"); }

std::u16string AutostartFolder() { return UserConfigFolder() + u"autostart/"; }

std::u16string UserRuntimeFolder() {
  std::string folder = AbsoluteEnv("QAV_RUNTIME_DIR");
  if (folder.empty()) folder = AbsoluteEnv("XDG_RUNTIME_DIR");
  std::u16string result;
  if (!folder.empty()) {
    result = Utf8ToUtf16(WithSlash(folder));
  } else {
    const std::u16string temp = TempFolder();
    if (temp.empty()) return {};
    result = temp + u"runtime/";
  }
  if (!CreateFolderTree(result, 0700)) return {};
  return result;
}

std::u16string TempFolder(std::string* problem) {
  if (problem != nullptr) problem->clear();
  const std::string overridden = AbsoluteEnv("QAV_TEMP_DIR");
  if (!overridden.empty()) {
    // The folder the user named is the only one: used when it is private, else refused.
    std::string path = WithSlash(overridden);
    const std::u16string folder = Utf8ToUtf16(path);
    path.pop_back();
    const size_t parent = path.rfind('/');
    if (parent != std::string::npos && parent > 0) CreateFolderTree(Utf8ToUtf16(path.substr(0, parent)), 0700);
    const std::string reason = OpenPrivateFolder(path);
    if (reason.empty()) return folder;
    if (problem != nullptr) *problem = "\"" + path + "\" " + reason;
    return {};
  }
  std::string base = AbsoluteEnv("TMPDIR");
  if (base.empty()) base = "/tmp";
  const std::string usual = WithSlash(base) + "qav-" + std::to_string(geteuid());

  // A shared folder such as /tmp lets anyone create "qav-<uid>" first, so the folder is used only
  // when it is a real folder of ours.
  if (mkdir(usual.c_str(), 0700) == 0 || errno == EEXIST) {
    if (IsPrivateFolder(usual)) return Utf8ToUtf16(usual + "/");
  }
  std::lock_guard<std::mutex> lock(g_tempFallbackMutex);
  if (g_tempFallback.empty() || !IsPrivateFolder(g_tempFallback)) {
    std::string pattern = usual + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      if (problem != nullptr) *problem = "\"" + pattern + "\" cannot be created (" + std::strerror(errno) + ")";
      return {};
    }
    g_tempFallback = pattern;
  }
  return Utf8ToUtf16(g_tempFallback + "/");
}

std::u16string DebugLogBasePath() {
  const std::u16string folder = UserStateFolder() + u"QAV/";
  CreateFolderTree(folder, 0700);
  return folder + u"QAV Debug Log";
}

}  // namespace qav
