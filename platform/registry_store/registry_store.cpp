#include "platform/registry_store/registry_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/fd/fd_write.h"
#include "platform/registry_store/registry_tree.h"

namespace qav {
namespace {

using Tree = std::unique_ptr<RegistryKeyNode>;

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return ".";
}

std::string RootFile(const std::string& folder, RegistryRoot root, const char* suffix) {
  return folder + "/" + std::string(RegistryRootName(root)) + suffix;
}

bool ValidKeyPath(std::u16string_view path) {
  for (const auto& name : SplitRegistryPath(path)) {
    if (name.size() > kRegistryMaxKeyName) return false;
    for (char16_t c : name) {
      if (c < 0x20 || c == 0x7F) return false;
    }
  }
  return true;
}

bool ValidValueName(std::u16string_view name) {
  return name.size() <= kRegistryMaxValueName && name.find(u'\0') == std::u16string_view::npos;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

RegistryStatus LoadTree(const std::string& folder, RegistryRoot root, Tree* tree) {
  Fd fd(open(RootFile(folder, root, ".reg").c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      *tree = std::make_unique<RegistryKeyNode>();
      return kRegOk;
    }
    return errno == EACCES ? kRegAccessDenied : kRegBadStore;
  }
  struct stat st {};
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<uint64_t>(st.st_size) > kRegistryMaxFileBytes) {
    return kRegBadStore;
  }
  // The size is checked again while reading, in case the file grows under the reader.
  std::string bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return kRegBadStore;
    if (n == 0) break;
    bytes.append(chunk, static_cast<size_t>(n));
    if (bytes.size() > kRegistryMaxFileBytes) return kRegBadStore;
  }
  *tree = ParseRegistryFile(bytes);
  return kRegOk;
}

RegistryKeyNode* FindKey(RegistryKeyNode& tree, std::u16string_view path) {
  RegistryKeyNode* node = &tree;
  for (const auto& name : SplitRegistryPath(path)) {
    node = node->FindSubKey(name);
    if (!node) return nullptr;
  }
  return node;
}

bool MakeFolders(const std::string& folder) {
  for (size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos != folder.size() && folder[pos] != '/') continue;
    const std::string part = folder.substr(0, pos);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Writes the file beside the old one and renames it over it, so a crash leaves one or the other.
RegistryStatus SaveTree(const std::string& folder, RegistryRoot root, const RegistryKeyNode& tree) {
  const std::string bytes = SerializeRegistryFile(tree);
  if (bytes.size() > kRegistryMaxFileBytes) return kRegWriteFailed;
  const std::string target = RootFile(folder, root, ".reg");
  const std::string temp = RootFile(folder, root, ".reg.tmp");
  {
    Fd fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (fd.get() < 0) return kRegWriteFailed;
    if (!WriteAllToFd(fd.get(), bytes) || fsync(fd.get()) != 0) {
      unlink(temp.c_str());
      return kRegWriteFailed;
    }
  }
  if (rename(temp.c_str(), target.c_str()) != 0) {
    unlink(temp.c_str());
    return kRegWriteFailed;
  }
  Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) fsync(dir.get());
  return kRegOk;
}

// Runs one change under the root's lock. `change` returns its status and sets `changed` when the
// tree must be written back.
template <typename Change>
RegistryStatus Mutate(const std::string& folder, RegistryRoot root, Change change) {
  if (!IsRegistryRoot(root)) return kRegInvalidRoot;
  if (!MakeFolders(folder)) return kRegWriteFailed;
  Fd lock(open(RootFile(folder, root, ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (lock.get() < 0) return kRegWriteFailed;
  while (flock(lock.get(), LOCK_EX) != 0) {
    if (errno != EINTR) return kRegWriteFailed;
  }
  Tree tree;
  // An unreadable file is never overwritten: the change fails instead.
  if (const RegistryStatus status = LoadTree(folder, root, &tree); status != kRegOk) return status;
  bool changed = false;
  const RegistryStatus status = change(*tree, changed);
  if (status != kRegOk || !changed) return status;
  return SaveTree(folder, root, *tree);
}

template <typename Read>
RegistryStatus ReadKey(const std::string& folder, RegistryRoot root, std::u16string_view path, Read read) {
  if (!IsRegistryRoot(root)) return kRegInvalidRoot;
  if (!ValidKeyPath(path)) return kRegInvalidParameter;
  Tree tree;
  if (const RegistryStatus status = LoadTree(folder, root, &tree); status != kRegOk) return status;
  RegistryKeyNode* key = FindKey(*tree, path);
  if (!key) return kRegNotFound;
  return read(*key);
}

}  // namespace

bool IsRegistryRoot(RegistryRoot root) { return !RegistryRootName(root).empty(); }

std::string_view RegistryRootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot: return "HKEY_CLASSES_ROOT";
    case RegistryRoot::kCurrentUser: return "HKEY_CURRENT_USER";
    case RegistryRoot::kLocalMachine: return "HKEY_LOCAL_MACHINE";
    case RegistryRoot::kUsers: return "HKEY_USERS";
  }
  return "";
}

RegistryStore::RegistryStore() : folder_(DefaultFolder()) {}
RegistryStore::RegistryStore(std::string folder) : folder_(std::move(folder)) {}

std::string RegistryStore::DefaultFolder() {
  if (const char* dir = std::getenv("QAV_REGISTRY_DIR"); dir && *dir) return dir;
  // The base-directory rules ignore a relative XDG_CONFIG_HOME.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
    return std::string(config) + "/qav/registry";
  }
  return HomeFolder() + "/.config/qav/registry";
}

std::string RegistryStore::FilePath(RegistryRoot root) const { return RootFile(folder_, root, ".reg"); }

RegistryStatus RegistryStore::KeyExists(RegistryRoot root, std::u16string_view path) const {
  return ReadKey(folder_, root, path, [](RegistryKeyNode&) { return kRegOk; });
}

RegistryStatus RegistryStore::CreateKey(RegistryRoot root, std::u16string_view path) {
  if (!ValidKeyPath(path)) return kRegInvalidParameter;
  return Mutate(folder_, root, [&](RegistryKeyNode& tree, bool& changed) {
    RegistryKeyNode* node = &tree;
    for (const auto& name : SplitRegistryPath(path)) {
      RegistryKeyNode* next = node->FindSubKey(name);
      if (!next) {
        next = node->AddSubKey(name);
        changed = true;
      }
      node = next;
    }
    return kRegOk;
  });
}

RegistryStatus RegistryStore::DeleteKey(RegistryRoot root, std::u16string_view path) {
  if (!ValidKeyPath(path)) return kRegInvalidParameter;
  std::vector<std::u16string> names = SplitRegistryPath(path);
  if (names.empty()) return IsRegistryRoot(root) ? kRegAccessDenied : kRegInvalidRoot;
  return Mutate(folder_, root, [&](RegistryKeyNode& tree, bool& changed) {
    RegistryKeyNode* parent = &tree;
    for (size_t i = 0; i + 1 < names.size(); ++i) {
      parent = parent->FindSubKey(names[i]);
      if (!parent) return kRegNotFound;
    }
    RegistryKeyNode* key = parent->FindSubKey(names.back());
    if (!key) return kRegNotFound;
    if (!key->subKeys.empty()) return kRegAccessDenied;
    parent->RemoveSubKey(names.back());
    changed = true;
    return kRegOk;
  });
}

RegistryStatus RegistryStore::GetKeyInfo(RegistryRoot root, std::u16string_view path, RegistryKeyInfo* info) const {
  return ReadKey(folder_, root, path, [&](RegistryKeyNode& key) {
    if (info) {
      info->subKeyCount = static_cast<uint32_t>(key.subKeys.size());
      info->valueCount = static_cast<uint32_t>(key.values.size());
    }
    return kRegOk;
  });
}

RegistryStatus RegistryStore::GetSubKeyNames(RegistryRoot root, std::u16string_view path,
                                             std::vector<std::u16string>* names) const {
  return ReadKey(folder_, root, path, [&](RegistryKeyNode& key) {
    names->clear();
    for (const auto& sub : key.subKeys) names->push_back(sub->name);
    return kRegOk;
  });
}

RegistryStatus RegistryStore::GetValueNames(RegistryRoot root, std::u16string_view path,
                                            std::vector<std::u16string>* names) const {
  return ReadKey(folder_, root, path, [&](RegistryKeyNode& key) {
    names->clear();
    for (const auto& entry : key.values) names->push_back(entry.first);
    return kRegOk;
  });
}

RegistryStatus RegistryStore::QueryValue(RegistryRoot root, std::u16string_view path, std::u16string_view name,
                                         RegistryValue* value) const {
  if (!ValidValueName(name)) return kRegInvalidParameter;
  return ReadKey(folder_, root, path, [&](RegistryKeyNode& key) {
    const RegistryValue* found = key.FindValue(name);
    if (!found) return kRegNotFound;
    if (value) *value = *found;
    return kRegOk;
  });
}

RegistryStatus RegistryStore::SetValue(RegistryRoot root, std::u16string_view path, std::u16string_view name,
                                       const RegistryValue& value) {
  if (!ValidKeyPath(path) || !ValidValueName(name) || value.data.size() > kRegistryMaxData) {
    return kRegInvalidParameter;
  }
  return Mutate(folder_, root, [&](RegistryKeyNode& tree, bool& changed) {
    RegistryKeyNode* key = FindKey(tree, path);
    if (!key) return kRegNotFound;
    const RegistryValue* old = key->FindValue(name);
    if (old && *old == value) return kRegOk;
    key->SetValue(name, value);
    changed = true;
    return kRegOk;
  });
}

RegistryStatus RegistryStore::DeleteValue(RegistryRoot root, std::u16string_view path, std::u16string_view name) {
  if (!ValidKeyPath(path) || !ValidValueName(name)) return kRegInvalidParameter;
  return Mutate(folder_, root, [&](RegistryKeyNode& tree, bool& changed) {
    RegistryKeyNode* key = FindKey(tree, path);
    if (!key) return kRegNotFound;
    if (!key->RemoveValue(name)) return kRegNotFound;
    changed = true;
    return kRegOk;
  });
}

}  // namespace qav
