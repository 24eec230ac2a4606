// The class library's application profile: the program's own values in the registry store under
// HKEY_CURRENT_USER "Software\<company>\<application>\<section>" ("Software\Zarvelin\QAV\Settings").
//
// Integers are REG_DWORD and strings REG_SZ; a read of a missing value or of another type gives the
// default. Writes create the key when it is missing. Every call goes to the store afresh, so any
// thread may call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry_store/registry_store.h"

namespace qav {

class AppProfile {
 public:
  AppProfile(std::u16string company, std::u16string application, RegistryStore store = RegistryStore());

  // "Software\%s\%s\%s" with the company, the application and the section.
  std::u16string SectionKey(std::u16string_view section) const;

  int32_t GetProfileInt(std::u16string_view section, std::u16string_view entry, int32_t defaultValue) const;
  std::u16string GetProfileString(std::u16string_view section, std::u16string_view entry,
                                  std::u16string_view defaultValue) const;
  bool WriteProfileInt(std::u16string_view section, std::u16string_view entry, int32_t value);
  bool WriteProfileString(std::u16string_view section, std::u16string_view entry, std::u16string_view value);
  // True when the value exists (of any type).
  bool ProfileValueExists(std::u16string_view section, std::u16string_view entry) const;
  // Removes the value, so that its default applies again; true when it is gone (also when it was
  // never there).
  bool DeleteProfileValue(std::u16string_view section, std::u16string_view entry);

 private:
  bool Write(std::u16string_view section, std::u16string_view entry, const RegistryValue& value);

  std::u16string company_;
  std::u16string application_;
  RegistryStore store_;
};

}  // namespace qav
