// Writes a ZIP archive of whole files, one archive at a time, through minizip.
//
// Each file becomes one entry, deflated at level 9, named after the last component of its path
// (UTF-8, with the UTF-8 flag set) and dated with the file's local modification time. Two files of
// the same name from different folders would make two entries of one name, which unpacking tools
// silently overwrite; a repeated name (compared without regard to ASCII case) therefore gets
// " (2)", " (3)" ... before its extension.
//
// Every minizip result is checked: an archive in which any entry could not be written whole
// reports failure from CloseZip, so a caller never takes a truncated archive for a good one.
#pragma once

#include <set>
#include <string>
#include <string_view>

class CZLib {
 public:
  CZLib() = default;
  virtual ~CZLib();
  CZLib(const CZLib&) = delete;
  CZLib& operator=(const CZLib&) = delete;

  // Creates the archive (appendMode 0 replaces an existing file). 1 when it is open; an archive
  // still open from before is closed first.
  int OpenZip(std::u16string_view path, int appendMode);
  // Adds one file as one entry. 1 when the entry was written whole; 0 when the file cannot be
  // opened (nothing is added and the archive stays good) or when reading or writing failed (the
  // archive is then marked failed).
  int AddFile(std::u16string_view path);
  // Closes the archive: 1 when it was open, every entry was written whole and the close itself
  // succeeded. Without an open archive 0.
  int CloseZip();

  // The entry name the archive gave the last file added.
  const std::string& LastEntryName() const { return m_lastEntryName; }

 private:
  std::string UniqueEntryName(std::string_view name);

  void* m_archive = nullptr;  // minizip's zipFile
  bool m_failed = false;
  std::set<std::string> m_namesFolded;
  std::string m_lastEntryName;
};
