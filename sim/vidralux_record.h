// The record the webcam stand-in keeps of what it was asked: one line per request, appended to a
// file that every instance shares, so a test reads back exactly what the library did.
//
// A line is fields separated by TAB; inside a field, "\\", "\t" and "\n" stand for a backslash, a
// TAB and a line break. The first field names the request (docs/webcam.md lists them).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qav::sim {

using VidraluxRecordLine = std::vector<std::string>;

// Appends one line with a single write, so lines of two instances never mix. False on failure.
bool AppendVidraluxRecord(const std::string& path, const VidraluxRecordLine& fields);

// Every line of the file (none when it is missing).
std::vector<VidraluxRecordLine> ReadVidraluxRecord(const std::string& path);

std::string EncodeVidraluxRecordLine(const VidraluxRecordLine& fields);
VidraluxRecordLine DecodeVidraluxRecordLine(std::string_view line);

}  // namespace qav::sim
