#include "foundation/language_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <optional>

#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "platform/fd/fd_write.h"
#include "platform/folders.h"
#include "platform/resources.h"

namespace {

constexpr std::u16string_view kFilePrefix = u"ZV_";
constexpr std::u16string_view kFileSuffix = u".lang";

struct LanguageList {
  std::mutex mutex;
  std::vector<CLanguage> languages;
  std::optional<int> initResult;  // set once LanguagesInit has run
};

LanguageList& List() {
  static LanguageList list;
  return list;
}


bool IsLanguageFileName(std::u16string_view name) {
  return name.size() > kFilePrefix.size() + kFileSuffix.size() && name.starts_with(kFilePrefix) &&
         name.ends_with(kFileSuffix);
}

// The names of the regular files in the folder that match "ZV_*.lang", sorted.
std::vector<std::u16string> FindLanguageFiles(const std::u16string& folder) {
  std::vector<std::u16string> names;
  DIR* dir = opendir(qav::U8(folder).c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::u16string name = qav::U16(entry->d_name);
    if (!IsLanguageFileName(name)) continue;
    struct stat info {};
    if (stat(qav::U8(folder + name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// Writes the built-in English file into the folder, through a temporary name so that a failed
// write leaves no half file behind.
bool WriteDefaultLanguageFile(const std::u16string& folder) {
  const auto resource = qav::FindResource(u"LANG", kDefaultLanguageResourceId);
  if (!resource) return false;
  const std::string target = qav::U8(folder) + "ZV_EN.lang";
  const std::string temporary = target + ".tmp";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written =
      qav::WriteAllToFd(fd, std::string_view(reinterpret_cast<const char*>(resource->data()), resource->size()));
  if (close(fd) != 0 || !written || rename(temporary.c_str(), target.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

CLanguage::CLanguage(std::u16string fileName, std::u16string displayText, std::u16string languageName)
    : m_fileName(std::move(fileName)), m_displayText(std::move(displayText)), m_languageName(std::move(languageName)) {}

std::u16string CLanguage::GetFileTitle() const {
  if (m_fileName.ends_with(kFileSuffix)) return m_fileName.substr(0, m_fileName.size() - kFileSuffix.size());
  return m_fileName;
}

int LanguagesInit(std::u16string_view folderName, bool force) {
  LanguageList& list = List();
  {
    std::lock_guard lock(list.mutex);
    if (list.initResult && !force) return *list.initResult;
    list.languages.clear();
  }
  QAV_LOG(LOG_INFO, u"LanguagesInit( %s )", folderName);
  SetLanguageFolder(folderName);
  const std::u16string folder = GetLanguageFolder();
  if (!qav::CreateFolderTree(folder)) QAV_LOG(LOG_WARNING, u"LanguagesInit cannot create the folder %s", folder);

  std::vector<std::u16string> files = FindLanguageFiles(folder);
  if (files.empty()) {
    if (!WriteDefaultLanguageFile(folder)) QAV_LOG(LOG_WARNING, u"LanguagesInit cannot write %sZV_EN.lang", folder);
    files = FindLanguageFiles(folder);
  }

  std::vector<CLanguage> languages;
  for (const std::u16string& fileName : files) {
    CLanguage language(fileName, {}, {});
    if (!LoadLangLib(language.GetFileTitle())) continue;
    const std::u16string languageName = GetLangString(IDS_LANGUAGE_NAME);
    const std::u16string displayText = qav::Format(u"%s (%s)", GetLangString(IDS_LANGUAGE_DISPLAY_NAME), languageName);
    // After every entry with an equal or smaller text, so equal texts keep the files' order.
    const auto place = std::upper_bound(languages.begin(), languages.end(), displayText,
                                        [](const std::u16string& text, const CLanguage& entry) {
                                          return text < entry.GetDisplayText();
                                        });
    languages.insert(place, CLanguage(fileName, displayText, languageName));
  }

  const int result = LoadDefaultLangLib();
  std::lock_guard lock(list.mutex);
  list.languages = std::move(languages);
  list.initResult = result;
  return result;
}

void LanguagesTerm() {
  ClearLanguageTables();
  LanguageList& list = List();
  std::lock_guard lock(list.mutex);
  list.languages.clear();
  list.initResult.reset();
}

std::vector<CLanguage> GetLanguageList() {
  LanguageList& list = List();
  std::lock_guard lock(list.mutex);
  return list.languages;
}
