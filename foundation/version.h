// Version numbers: dotted four-part texts ("3.0.0.1") and their packed form
// a * 2^24 + b * 2^16 + c * 2^8 + d, with -1 for "unknown".
//
// There are no version resources here. The program's own binaries (every one that links this
// file) carry the compiled-in QAV_VERSION_STRING in an ELF section ".qav_version", so the version
// of any copy of the program can be read from its file, as the update from a removable drive needs.
// For any other file GetAppFileHeaderInfo gives "" and its packed version is -1. The installed call
// client's version comes from the registry value that the call client writes (GetSkypeVersion).
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// The four parts of a version text, at full width (a part above 255 stays as it is).
struct VersionParts {
  uint32_t part[4] = {};
};

// A version text that is no version. The code says why: 10 for an empty text, 11, 12 or 13 when
// the second, third or fourth part is missing, 14 when a part is negative.
class VersionTextError : public std::invalid_argument {
 public:
  explicit VersionTextError(int code) : std::invalid_argument("not a version text"), m_code(code) {}
  int code() const { return m_code; }

 private:
  int m_code;
};

// Removes every blank, splits at "." and reads each of the first four parts as a decimal number
// (a part that is not a number reads as 0, as the C library reads it). Throws VersionTextError.
[[nodiscard]] VersionParts ParseVersionString(std::u16string_view text);

class CVersion {
 public:
  static constexpr int32_t kUnknown = -1;

  // The packed form of ParseVersionString; each part keeps its low 8 bits. -1 when the text is
  // empty or cannot be parsed. (255.255.255.255 also packs to -1 and reads as unknown.)
  static int32_t ParseVersion(std::u16string_view text);

  // Compares two packed versions part by part, unsigned: -1, 0 or 1 for lower, equal, higher.
  // nullopt when either is unknown (-1), which is never lower or higher than anything.
  static std::optional<int> ComparePackedVersions(int32_t a, int32_t b);

  // Sets `result` to 1 when `newer` is a higher version than `older` (parts compared at full
  // width, first difference decides), else to 0; returns 1. Returns 0 when either text
  // cannot be parsed, after logging "Failed in conversion of version string [...]".
  static int CompareSWVersions(std::u16string_view newer, std::u16string_view older, int& result);

  // The named value of the file's version information: "FileVersion" and "ProductVersion" of a
  // binary of this program (its ".qav_version" section); "" for every other name or file.
  static std::u16string GetAppFileHeaderInfo(std::u16string_view path, std::u16string_view valueName);
  static std::u16string GetAppFileVersion(std::u16string_view path);

  // This program's own version (the compiled-in QAV_VERSION_STRING) and its packed form.
  static std::u16string GetAppVersion();
  static int32_t GetAppVersionNumber();

  // The packed version of the installed call client. It reads the registry, so it is defined
  // beside the registry access class, not in version.cpp (docs/versions.md says where the value
  // comes from).
  static int32_t GetSkypeVersion(std::u16string_view skypePath);
};
