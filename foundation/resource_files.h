// Copying resources compiled into the program (platform/resources.h) into files and memory files.
//
// Both routines look the resource up through `find`, which is qav::FindResource unless a caller
// (a test) passes a lookup of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/resources.h"

class CMemFile;

using ResourceLookup = std::optional<std::span<const uint8_t>> (*)(std::u16string_view type, int id);

// Creates (or replaces) the file at `path` with the resource's bytes. Returns 1; 0 when the
// program carries no such resource (the file is then left alone) or the file cannot be written.
int SaveResourceToFile(std::u16string_view type, int id, std::u16string_view path,
                       ResourceLookup find = &qav::FindResource);

// Appends the resource's bytes to the memory file and puts its position back at the start.
// Returns 1 when copied, and also 1 when the program carries no such resource (the memory file
// then gets nothing; the reader's parse reports the failure). A resource is never "there but
// unloadable" here, so the 0 of that case does not occur.
int MakeMemFileFromResource(std::u16string_view type, int id, CMemFile& memFile,
                            ResourceLookup find = &qav::FindResource);
