// INI files (settings files a user may have edited or a disk may have damaged): values read from
// any text, UTF-8 or UTF-16 with or without byte-order marks, and a value written into the file
// reading back as written.
//
// The first byte picks the section and key looked up and written.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "platform/private_profile.h"
#include "platform/text.h"

namespace {

constexpr std::u16string_view kSections[] = {u"Settings", u"settings ", u"Lang", u"x"};
constexpr std::u16string_view kKeys[] = {u"Language", u"key", u" Volume", u"k"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input = qav::fuzz::Bytes(data, size);
  const uint8_t choice = qav::fuzz::TakeByte(input);
  const std::u16string path = qav::U16(qav::fuzz::WriteFile("settings.ini", input));
  const std::u16string_view section = kSections[choice & 3];
  const std::u16string_view key = kKeys[(choice >> 2) & 3];

  qav::FindPrivateProfileValue(section, key, path);
  qav::GetPrivateProfileString(section, key, u"default", 1 + (choice >> 4), path);
  qav::GetPrivateProfileStringBytes(section, key, u"default", 64, path);
  qav::GetPrivateProfileInt(section, key, -1, path);

  const std::u16string value = u"written " + qav::Utf8ToUtf16(std::to_string(size));
  if (!qav::WritePrivateProfileString(section, key, value, path)) return 0;
  if (qav::FindPrivateProfileValue(section, key, path) != value) __builtin_trap();  // the write was lost
  return 0;
}
