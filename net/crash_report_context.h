// What the program tells its crash helper ahead of time for the report of a crash it may never be
// able to describe afterwards: the files to attach, the settings files and the report's subject
// and body. The program sends it again whenever it changes; the helper keeps the latest.
//
// On the channel it is text, one item a line, fields separated by TAB, with backslash escapes for
// TAB, CR, LF and the backslash itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CRptHandler;

struct CCrashReportContext {
  struct File {
    std::u16string path;
    std::u16string description;
    bool deleteAfterwards = false;
    bool settings = false;  // goes in as a copy without the mail password
    bool operator==(const File&) const = default;
  };
  std::vector<File> files;
  std::u16string subject;
  std::u16string body;

  std::string Serialize() const;
  // nullopt for text that is not a context.
  static std::optional<CCrashReportContext> Parse(std::string_view text);

  // Puts the files and texts into a report (the add-files callback of a crash report).
  void AddTo(CRptHandler& report) const;

  bool operator==(const CCrashReportContext&) const = default;
};
