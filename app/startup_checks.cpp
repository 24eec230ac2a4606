#include "app/startup_checks.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "app/app_names.h"
#include "platform/desktop_directory.h"
#include "platform/folders.h"
#include "platform/registry_store/registry_store.h"
#include "platform/text.h"

namespace {

constexpr char16_t kPrivateFolderAdvice[] = u"It must be a folder of your own that only you can use (mode 0700).";
constexpr char16_t kRegistryAdvice[] = u"It must be a file of yours that you can read.";

std::u16string Problem(std::string_view what, std::u16string_view advice) {
  return qav::Format(u"%s cannot start: %s.\n\n%s", kAppName, what, advice);
}

// Why the store cannot read a root's file, in words.
std::string UnreadableReason(const std::string& path, qav::RegistryStatus status) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return "it is not a file";
  if (status == qav::kRegAccessDenied) return std::strerror(EACCES);
  return "it is too large or a read failed";
}

}  // namespace

std::u16string FindStartupProblem() {
  std::string problem;
  if (qav::OpenDesktopDirectory(&problem).empty()) {
    return Problem("the desktop folder " + problem, kPrivateFolderAdvice);
  }
  if (qav::TempFolder(&problem).empty()) {
    return Problem("the private temporary folder " + problem, kPrivateFolderAdvice);
  }
  const qav::RegistryStore store;
  for (const qav::RegistryRoot root : {qav::RegistryRoot::kCurrentUser, qav::RegistryRoot::kLocalMachine}) {
    const qav::RegistryStatus status = store.KeyExists(root, u"");
    if (status != qav::kRegAccessDenied && status != qav::kRegBadStore) continue;
    const std::string path = store.FilePath(root);
    return Problem("the registry file \"" + path + "\" cannot be read (" + UnreadableReason(path, status) + ")",
                   kRegistryAdvice);
  }
  return {};
}
