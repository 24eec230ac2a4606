// Splits a request URL into scheme, host, port, path, query and fragment, as (offset, length)
// pairs in UTF-16 units into the analysed text.
//
//   http://host:8080/a/b?x=1#f  ->  scheme (0,4) host (7,4) port (12,4) path (16,4) query (20,4)
//                                   fragment (24,2)
//
// Without "://" there is no scheme and the host starts at 0. The path keeps its leading "/", the
// query its "?", the fragment its "#". A part that is missing has length 0 at the place where it
// would start.
#pragma once

#include <cstdint>
#include <string_view>

namespace Vemra {

// The code pages the library accepts where it asks for an 8-bit ("ANSI") one: 0, the system's,
// which is UTF-8 here. The UTF-8 and UTF-7 code pages themselves are refused by name.
inline constexpr uint32_t kCodePageSystem = 0;
inline constexpr uint32_t kCodePageUtf7 = 65000;
inline constexpr uint32_t kCodePageUtf8 = 65001;

class CHttpUrlAnalyzerT {
 public:
  struct Range {
    uint32_t offset = 0;
    uint32_t length = 0;
  };

  // Fills the six ranges; all zero for an empty URL. Refuses the UTF-8 and UTF-7 code pages.
  void Analyze(std::u16string_view url, uint32_t codePage = kCodePageSystem);

  Range Scheme() const { return m_scheme; }
  Range Host() const { return m_host; }
  Range Port() const { return m_port; }
  Range Path() const { return m_path; }
  Range Query() const { return m_query; }
  Range Fragment() const { return m_fragment; }

  // The text of a range of the URL last analysed.
  static std::u16string_view Part(std::u16string_view url, Range range) {
    return url.substr(range.offset, range.length);
  }

 private:
  Range m_scheme, m_host, m_port, m_path, m_query, m_fragment;
};

}  // namespace Vemra
