#include "foundation/version.h"

#include <cerrno>

#include "foundation/logger.h"
#include "platform/elf_section.h"
#include "platform/text.h"

namespace {

// The version stamp every binary that links this file carries, read back by GetAppFileHeaderInfo.
__attribute__((section(".qav_version"), used)) const char kVersionStamp[] = QAV_VERSION_STRING;

constexpr char kVersionSection[] = ".qav_version";
constexpr size_t kMaxStampBytes = 256;

// The Windows error the version reader reports for a file without version information.
constexpr int kErrorResourceTypeNotFound = 1813;

}  // namespace

VersionParts ParseVersionString(std::u16string_view text) {
  std::u16string compact;
  for (char16_t c : text) {
    if (!qav::IsBlank(c)) compact.push_back(c);
  }
  if (compact.empty()) throw VersionTextError(10);
  const std::vector<std::u16string> pieces = qav::Split(compact, u'.');
  if (pieces.size() < 4) throw VersionTextError(static_cast<int>(10 + pieces.size()));  // 11, 12 or 13: the missing part
  VersionParts parts;
  for (int i = 0; i < 4; ++i) {
    const int64_t value = qav::AtoI64(pieces[i]);
    // A negative part is no version at all; as an unsigned number it would beat every real one.
    if (value < 0) throw VersionTextError(14);
    parts.part[i] = value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
  }
  return parts;
}

int32_t CVersion::ParseVersion(std::u16string_view text) {
  try {
    const VersionParts parts = ParseVersionString(text);
    const uint32_t packed = ((parts.part[0] & 0xFF) << 24) | ((parts.part[1] & 0xFF) << 16) |
                            ((parts.part[2] & 0xFF) << 8) | (parts.part[3] & 0xFF);
    return static_cast<int32_t>(packed);
  } catch (const VersionTextError&) {
    return kUnknown;
  }
}

std::optional<int> CVersion::ComparePackedVersions(int32_t a, int32_t b) {
  if (a == kUnknown || b == kUnknown) return std::nullopt;
  const uint32_t ua = static_cast<uint32_t>(a);
  const uint32_t ub = static_cast<uint32_t>(b);
  return ua < ub ? -1 : (ua > ub ? 1 : 0);
}

int CVersion::CompareSWVersions(std::u16string_view newer, std::u16string_view older, int& result) {
  QAV_LOG(LOG_CONFIG, u"CVersion::CompareSWVersions");
  result = 0;
  VersionParts a, b;
  try {
    a = ParseVersionString(newer);
    b = ParseVersionString(older);
  } catch (const VersionTextError&) {
    QAV_LOG(LOG_WARNING, u"Failed in conversion of version string [Newer: %s, Older: %s]", newer, older);
    return 0;
  }
  for (int i = 0; i < 4; ++i) {
    if (a.part[i] != b.part[i]) {
      if (a.part[i] > b.part[i]) result = 1;
      break;
    }
  }
  return 1;
}

std::u16string CVersion::GetAppFileHeaderInfo(std::u16string_view path, std::u16string_view valueName) {
  QAV_LOG(LOG_FINE, u"CVersion::GetAppFileHeaderInfo( %s, %s )", path, valueName);
  errno = 0;
  const std::optional<std::string> stamp = qav::ReadElfSection(qav::Utf16ToUtf8(path), kVersionSection, kMaxStampBytes);
  if (!stamp) {
    QAV_LOG(LOG_WARNING, u"ERROR from GetFileVersionInfo (%x)", errno != 0 ? errno : kErrorResourceTypeNotFound);
    return {};
  }
  if (valueName != u"FileVersion" && valueName != u"ProductVersion") return {};
  const std::string_view text(stamp->c_str());  // up to the stamp's NUL
  return qav::Utf8ToUtf16(text);
}

std::u16string CVersion::GetAppFileVersion(std::u16string_view path) {
  QAV_LOG(LOG_FINE, u"CVersion::GetAppFileVersion( %s )", path);
  return GetAppFileHeaderInfo(path, u"FileVersion");
}

std::u16string CVersion::GetAppVersion() {
  static const std::u16string version = qav::Utf8ToUtf16(kVersionStamp);
  return version;
}

int32_t CVersion::GetAppVersionNumber() { return ParseVersion(GetAppVersion()); }
