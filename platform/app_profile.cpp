#include "platform/app_profile.h"

#include "platform/text.h"

namespace qav {

AppProfile::AppProfile(std::u16string company, std::u16string application, RegistryStore store)
    : company_(std::move(company)), application_(std::move(application)), store_(std::move(store)) {}

std::u16string AppProfile::SectionKey(std::u16string_view section) const {
  return Format(u"Software\\%s\\%s\\%s", company_, application_, section);
}

int32_t AppProfile::GetProfileInt(std::u16string_view section, std::u16string_view entry, int32_t defaultValue) const {
  RegistryValue value;
  if (store_.QueryValue(RegistryRoot::kCurrentUser, SectionKey(section), entry, &value) != kRegOk ||
      value.type != kRegDword) {
    return defaultValue;
  }
  const auto number = RegistryDwordOf(value);
  return number ? static_cast<int32_t>(*number) : defaultValue;
}

std::u16string AppProfile::GetProfileString(std::u16string_view section, std::u16string_view entry,
                                            std::u16string_view defaultValue) const {
  RegistryValue value;
  if (store_.QueryValue(RegistryRoot::kCurrentUser, SectionKey(section), entry, &value) != kRegOk ||
      value.type != kRegSz) {
    return std::u16string(defaultValue);
  }
  return RegistryStringOf(value).value_or(std::u16string(defaultValue));
}

bool AppProfile::Write(std::u16string_view section, std::u16string_view entry, const RegistryValue& value) {
  const std::u16string key = SectionKey(section);
  RegistryStatus status = store_.SetValue(RegistryRoot::kCurrentUser, key, entry, value);
  if (status == kRegNotFound && store_.CreateKey(RegistryRoot::kCurrentUser, key) == kRegOk) {
    status = store_.SetValue(RegistryRoot::kCurrentUser, key, entry, value);
  }
  return status == kRegOk;
}

bool AppProfile::WriteProfileInt(std::u16string_view section, std::u16string_view entry, int32_t value) {
  return Write(section, entry, MakeRegistryDword(static_cast<uint32_t>(value)));
}

bool AppProfile::WriteProfileString(std::u16string_view section, std::u16string_view entry,
                                    std::u16string_view value) {
  return Write(section, entry, MakeRegistryString(value));
}

bool AppProfile::ProfileValueExists(std::u16string_view section, std::u16string_view entry) const {
  return store_.QueryValue(RegistryRoot::kCurrentUser, SectionKey(section), entry, nullptr) == kRegOk;
}

bool AppProfile::DeleteProfileValue(std::u16string_view section, std::u16string_view entry) {
  const RegistryStatus status = store_.DeleteValue(RegistryRoot::kCurrentUser, SectionKey(section), entry);
  return status == kRegOk || status == kRegNotFound;
}

}  // namespace qav
