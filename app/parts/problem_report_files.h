// What the report handler's callback (CZVApp::ReportAddFilesCallback) fills in a crash or problem
// report: the report handler passes its report behind this interface.
#pragma once

#include <string_view>

class CProblemReportFiles {
 public:
  virtual ~CProblemReportFiles() = default;
  // A file made for the report (it is deleted after the report).
  virtual void AddFile(std::u16string_view path, std::u16string_view name) = 0;
  // A settings file: a copy of it goes into the report, without the stored mail password.
  virtual void AddSettingsFile(std::u16string_view path, std::u16string_view name) = 0;
  virtual void SetSubject(std::u16string_view subject) = 0;
  virtual void SetDescription(std::u16string_view description) = 0;
};
