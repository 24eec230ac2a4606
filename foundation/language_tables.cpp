#include "foundation/language_tables.h"

#include <cstdio>
#include <memory>
#include <mutex>

#include "foundation/logger.h"
#include "platform/resources.h"

namespace {

struct LanguageTables {
  std::mutex mutex;  // guards the members, held only to read or swap them
  std::shared_ptr<const CLangTable> current = std::make_shared<CLangTable>();
  std::shared_ptr<const CLangTable> defaults = std::make_shared<CLangTable>();
  std::u16string currentFileTitle;
  std::u16string folder;
};

LanguageTables& Tables() {
  static LanguageTables tables;
  return tables;
}

const std::u16string* Find(const CLangTable& table, const std::u16string& key) {
  const auto found = table.find(key);
  return found == table.end() ? nullptr : &found->second;
}

}  // namespace

std::u16string GetLangString(int id, bool skipCurrent) {
  const std::u16string key(qav::LoadStringResource(id));
  std::shared_ptr<const CLangTable> current, defaults;
  std::u16string fileTitle;
  {
    LanguageTables& tables = Tables();
    std::lock_guard lock(tables.mutex);
    current = tables.current;
    defaults = tables.defaults;
    if (!skipCurrent) fileTitle = tables.currentFileTitle;
  }
  if (!skipCurrent) {
    if (const std::u16string* text = Find(*current, key)) return *text;
    QAV_LOG(LOG_WARNING, u"Language String Error #%d with %s, KEY = %s", id, fileTitle, key);
  }
  if (const std::u16string* text = Find(*defaults, key)) return *text;
  QAV_LOG(LOG_SEVERE, u"Language String Error #%d with DEFAULT lang file, KEY = %s", id, key);
  return qav::Format(u"string error #%d - %s", id, key);
}

int LoadLangLib(std::u16string_view fileTitle) {
  LanguageTables& tables = Tables();
  std::u16string path;
  {
    std::lock_guard lock(tables.mutex);
    tables.current = std::make_shared<CLangTable>();
    path = tables.folder + std::u16string(fileTitle) + u".lang";
  }
  std::FILE* file = std::fopen(qav::U8(path).c_str(), "rbe");
  if (file == nullptr) {
    QAV_LOG(LOG_WARNING, u"LoadLangLib Failed - Bad file handle ( %s )", path);
    return 0;
  }
  auto table = std::make_shared<CLangTable>();
  const int loaded = LoadLangLibFromFile(file, path, *table);
  std::fclose(file);
  if (!loaded) {
    QAV_LOG(LOG_WARNING, u"LoadLangLibFromFile Failed");
    return 0;
  }
  {
    std::lock_guard lock(tables.mutex);
    tables.current = std::move(table);
    tables.currentFileTitle = std::u16string(fileTitle);
  }
  QAV_LOG(LOG_INFO, u"LoadLangLib successfully loaded %s", path);
  return 1;
}

int LoadDefaultLangLib() {
  const auto resource = qav::FindResource(u"LANG", kDefaultLanguageResourceId);
  // A read-only memory stream over the resource; fmemopen does not write in mode "r".
  std::FILE* file = resource && !resource->empty()
                        ? fmemopen(const_cast<uint8_t*>(resource->data()), resource->size(), "rb")
                        : nullptr;
  if (file == nullptr) {
    QAV_LOG(LOG_WARNING, u"MakeMemFileFromResource Failed");
    return 0;
  }
  auto table = std::make_shared<CLangTable>();
  const int loaded = LoadLangLibFromFile(file, u"ZV_EN.lang", *table);
  std::fclose(file);
  if (!loaded) {
    QAV_LOG(LOG_WARNING, u"LoadLangLibFromFile Failed");
    return 0;
  }
  LanguageTables& tables = Tables();
  std::lock_guard lock(tables.mutex);
  tables.defaults = std::move(table);
  return 1;
}

std::u16string GetLangCodeFromFile(std::u16string_view fileTitle) {
  const std::u16string title = fileTitle.empty() ? GetCurrentLangFileTitle() : std::u16string(fileTitle);
  return title.size() > 3 ? title.substr(3) : std::u16string();
}

std::u16string GetCurrentLangFileTitle() {
  LanguageTables& tables = Tables();
  std::lock_guard lock(tables.mutex);
  return tables.currentFileTitle;
}

void SetLanguageFolder(std::u16string_view folder) {
  LanguageTables& tables = Tables();
  std::lock_guard lock(tables.mutex);
  tables.folder = std::u16string(folder);
  if (!tables.folder.empty() && tables.folder.back() != u'/') tables.folder += u'/';
}

std::u16string GetLanguageFolder() {
  LanguageTables& tables = Tables();
  std::lock_guard lock(tables.mutex);
  return tables.folder;
}

void ClearLanguageTables() {
  LanguageTables& tables = Tables();
  std::lock_guard lock(tables.mutex);
  tables.current = std::make_shared<CLangTable>();
  tables.defaults = std::make_shared<CLangTable>();
  tables.currentFileTitle.clear();
}
