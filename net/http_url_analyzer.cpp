#include "net/http_url_analyzer.h"

#include "net/http_client_exception.h"
#include "net/http_error_table.h"

namespace Vemra {

void CHttpUrlAnalyzerT::Analyze(std::u16string_view url, uint32_t codePage) {
  if (codePage == kCodePageUtf8 || codePage == kCodePageUtf7) {
    ThrowHttpArgument(u"CHttpUrlAnalyzerT::Analyze: CP_UTF8 and CP_UTF7 can not be used for the CodePage parameter.");
  }
  *this = CHttpUrlAnalyzerT();
  if (url.size() > UINT32_MAX) ThrowHttpError(kHttpErrorOverflow);
  const auto at = [](size_t offset) { return static_cast<uint32_t>(offset); };
  const size_t end = url.size();

  size_t pos = 0;
  if (const size_t colon = url.find(u"://"); colon != std::u16string_view::npos) {
    m_scheme = {0, at(colon)};
    pos = colon + 3;
  }

  m_host = {at(pos), 0};
  m_port = {at(pos), 0};
  if (pos < end && url[pos] != u'/') {
    size_t stop = pos;
    while (stop < end && url[stop] != u'/' && url[stop] != u'?' && url[stop] != u'#') ++stop;
    const size_t colon = url.substr(pos, stop - pos).find(u':');
    if (colon != std::u16string_view::npos) {
      m_host = {at(pos), at(colon)};
      m_port = {at(pos + colon + 1), at(stop - (pos + colon + 1))};
    } else {
      m_host = {at(pos), at(stop - pos)};
      m_port = {at(stop), 0};
    }
    pos = stop;
  }

  size_t stop = pos;
  while (stop < end && url[stop] != u'?' && url[stop] != u'#') ++stop;
  m_path = {at(pos), at(stop - pos)};
  pos = stop;

  stop = pos;
  if (pos < end && url[pos] == u'?') {
    while (stop < end && url[stop] != u'#') ++stop;
  }
  m_query = {at(pos), at(stop - pos)};
  pos = stop;

  m_fragment = {at(pos), at(end - pos)};
}

}  // namespace Vemra
