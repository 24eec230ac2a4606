// The copy of a settings file that goes into a problem report: everything the user set, except
// the stored mail password. Reports leave the machine, so the key "EMailLoginPass" is blanked in
// every section of the copy; the user's own file is never touched.
#pragma once

#include <string_view>

// Writes the copy (UTF-8) of `source` to `target`, replacing it. 1 on success; 0 when the source
// cannot be read (larger than a settings file can be) or the copy cannot be written.
int CopySettingsWithoutPassword(std::u16string_view source, std::u16string_view target);
