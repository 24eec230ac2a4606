#include "ui/recordings/list_page_text.h"

#include <QMimeData>
#include <QUrl>
#include <algorithm>

#include "app/web_links.h"
#include "foundation/date_time.h"
#include "foundation/language_tables.h"
#include "platform/text.h"

std::u16string FillInLangFormat(std::u16string format, const std::vector<std::u16string>& values) {
  size_t next = 0;
  for (const std::u16string& value : values) {
    size_t at = std::u16string::npos;
    for (size_t i = next; i + 1 < format.size(); ++i) {
      if (format[i] == u'%' && (format[i + 1] == u's' || format[i + 1] == u'd')) {
        at = i;
        break;
      }
    }
    if (at == std::u16string::npos) break;
    format.replace(at, 2, value);
    next = at + value.size();
  }
  return format;
}

std::u16string RecordingDescription(const std::u16string& from, int64_t time, int32_t seconds) {
  std::u16string text = GetLangString(IDS_EMAIL_SEND_STATIC_LINE_BODY_HEADER);
  text += FillInLangFormat(GetLangString(IDS_EMAIL_SEND_STATIC_LINE_BODY_DETAILS_FORMATING),
                           {from, FormatDate(time), FormatTime(time), qav::U16(std::to_string(std::max(seconds, 0)))});
  text += u"\r\n" + std::u16string(46, u'_') + u"\r\n- QAV - Answering Machine for Skype\r\n- " + ProductPageLink(u"", {});
  return text;
}

QMimeData* CopiedFilesMimeData(const std::vector<std::u16string>& paths, const std::u16string& text) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  QByteArray copied("copy");
  for (const std::u16string& path : paths) {
    const QUrl url = QUrl::fromLocalFile(QString::fromStdU16String(path));
    urls.append(url);
    copied += "\n" + url.toEncoded();
  }
  data->setUrls(urls);
  data->setData(QStringLiteral("x-special/gnome-copied-files"), copied);
  if (!text.empty()) data->setText(QString::fromStdU16String(text));
  return data;
}
