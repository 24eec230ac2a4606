#include "net/crash_report_context.h"

#include "net/rpt_handler.h"
#include "platform/text.h"

namespace {

constexpr std::string_view kHeader = "QAV report context 1";

std::string Escape(std::u16string_view text) {
  std::string escaped;
  for (char c : qav::U8(text)) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\t': escaped += "\\t"; break;
      case '\n': escaped += "\\n"; break;
      case '\r': escaped += "\\r"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::u16string Unescape(std::string_view text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      plain += text[i];
      continue;
    }
    const char next = text[++i];
    plain += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return qav::U16(plain);
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::string CCrashReportContext::Serialize() const {
  std::string text(kHeader);
  text += '\n';
  for (const File& file : files) {
    text += file.settings ? "settings\t" : "file\t";
    text += Escape(file.path) + "\t" + Escape(file.description) + "\t" + (file.deleteAfterwards ? "1" : "0") + "\n";
  }
  text += "subject\t" + Escape(subject) + "\n";
  text += "body\t" + Escape(body) + "\n";
  return text;
}

std::optional<CCrashReportContext> CCrashReportContext::Parse(std::string_view text) {
  CCrashReportContext context;
  bool header = false;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    const std::string_view line = text.substr(0, newline);
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    if (!header) {
      if (line != kHeader) return std::nullopt;
      header = true;
      continue;
    }
    const std::vector<std::string_view> fields = Fields(line);
    if ((fields[0] == "file" || fields[0] == "settings") && fields.size() == 4) {
      context.files.push_back({Unescape(fields[1]), Unescape(fields[2]), fields[3] == "1", fields[0] == "settings"});
    } else if (fields[0] == "subject" && fields.size() == 2) {
      context.subject = Unescape(fields[1]);
    } else if (fields[0] == "body" && fields.size() == 2) {
      context.body = Unescape(fields[1]);
    }
  }
  if (!header) return std::nullopt;
  return context;
}

void CCrashReportContext::AddTo(CRptHandler& report) const {
  for (const File& file : files) {
    if (file.settings) {
      report.AddSettingsFile(file.path, file.description);
    } else {
      report.AddFile(file.path, file.description, file.deleteAfterwards);
    }
  }
  report.AddTextInfo(subject, body);
}
