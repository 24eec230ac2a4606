#include "ui/reports/rtf_to_html.h"

#include <vector>

namespace {

struct Format {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool skip = false;  // inside a destination that shows nothing
  bool operator==(const Format&) const = default;
};

bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexValue(char16_t c) {
  if (IsDigit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

class HtmlWriter {
 public:
  void Text(char16_t c, const Format& format) {
    if (format.skip) return;
    Switch(format);
    switch (c) {
      case u'&': html_ += u"&amp;"; break;
      case u'<': html_ += u"&lt;"; break;
      case u'>': html_ += u"&gt;"; break;
      case u'"': html_ += u"&quot;"; break;
      default: html_ += c;
    }
  }
  void Markup(std::u16string_view markup, const Format& format) {
    if (format.skip) return;
    Switch(format);
    html_ += markup;
  }
  std::u16string Finish() {
    Switch(Format{});
    return html_;
  }

 private:
  void Switch(const Format& wanted) {
    Format target = wanted;
    target.skip = false;
    if (target == open_) return;
    if (open_.underline) html_ += u"</u>";
    if (open_.italic) html_ += u"</i>";
    if (open_.bold) html_ += u"</b>";
    if (target.bold) html_ += u"<b>";
    if (target.italic) html_ += u"<i>";
    if (target.underline) html_ += u"<u>";
    open_ = target;
  }

  std::u16string html_;
  Format open_;
};

}  // namespace

std::u16string RestoreRtfEscapes(std::u16string_view text) {
  std::u16string restored;
  for (char16_t c : text) {
    switch (c) {
      case u'\n': restored += u"\\n"; break;
      case u'\r': restored += u"\\r"; break;
      case u'\t': restored += u"\\t"; break;
      default: restored += c;
    }
  }
  return restored;
}

std::u16string RtfToHtml(std::u16string_view rtf) {
  HtmlWriter out;
  std::vector<Format> stack{Format{}};
  size_t i = 0;
  while (i < rtf.size()) {
    const char16_t c = rtf[i];
    Format& format = stack.back();
    if (c == u'{') {
      stack.push_back(format);
      ++i;
    } else if (c == u'}') {
      if (stack.size() > 1) stack.pop_back();
      ++i;
    } else if (c == u'\r' || c == u'\n') {
      ++i;  // raw line ends mean nothing in RTF
    } else if (c != u'\\') {
      out.Text(c, format);
      ++i;
    } else if (i + 1 >= rtf.size()) {
      ++i;
    } else if (!IsLetter(rtf[i + 1])) {
      const char16_t symbol = rtf[i + 1];
      i += 2;
      if (symbol == u'\\' || symbol == u'{' || symbol == u'}') {
        out.Text(symbol, format);
      } else if (symbol == u'\'' && i + 1 < rtf.size() && HexValue(rtf[i]) >= 0 && HexValue(rtf[i + 1]) >= 0) {
        out.Text(static_cast<char16_t>(HexValue(rtf[i]) * 16 + HexValue(rtf[i + 1])), format);
        i += 2;
      } else if (symbol == u'*') {
        format.skip = true;
      } else if (symbol == u'~') {
        out.Markup(u"&nbsp;", format);
      }
    } else {
      size_t end = i + 1;
      while (end < rtf.size() && IsLetter(rtf[end])) ++end;
      const std::u16string_view word = rtf.substr(i + 1, end - i - 1);
      bool hasParameter = false;
      long parameter = 0;
      bool negative = false;
      if (end < rtf.size() && rtf[end] == u'-') {
        negative = true;
        ++end;
      }
      while (end < rtf.size() && IsDigit(rtf[end])) {
        hasParameter = true;
        if (parameter < 1000000) parameter = parameter * 10 + (rtf[end] - u'0');
        ++end;
      }
      if (negative) parameter = -parameter;
      if (end < rtf.size() && rtf[end] == u' ') ++end;  // the delimiting blank belongs to the word
      i = end;
      const bool on = !hasParameter || parameter != 0;
      if (word == u"b") {
        format.bold = on;
      } else if (word == u"i") {
        format.italic = on;
      } else if (word == u"ul") {
        format.underline = on;
      } else if (word == u"ulnone") {
        format.underline = false;
      } else if (word == u"plain") {
        format.bold = format.italic = format.underline = false;
      } else if (word == u"par" || word == u"line") {
        out.Markup(u"<br>", format);
      } else if (word == u"tab") {
        out.Markup(u"&nbsp;&nbsp;&nbsp;&nbsp;", format);
      } else if (word == u"u" && hasParameter) {
        out.Text(static_cast<char16_t>(parameter < 0 ? parameter + 65536 : parameter), format);
        if (i < rtf.size() && rtf[i] != u'\\' && rtf[i] != u'{' && rtf[i] != u'}') ++i;  // its fallback
      } else if (word == u"fonttbl" || word == u"colortbl" || word == u"stylesheet" || word == u"info" ||
                 word == u"pict") {
        format.skip = true;
      }
    }
  }
  return out.Finish();
}
