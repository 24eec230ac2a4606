#include "fuzz/http_reply_feed.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace qav::net {

CurlReplyFeed::Fed CurlReplyFeed::Receive(std::string_view reply, size_t piece) {
  auto transfer = std::make_unique<CurlTransfer>();
  size_t at = 0;
  while (at < reply.size() && !transfer->m_headComplete) {
    const size_t end = std::min(reply.find('\n', at), reply.size() - 1) + 1;
    // A copy of exactly the line, so that reading past it is caught.
    std::string line(reply.substr(at, end - at));
    if (CurlTransfer::OnHeader(line.data(), 1, line.size(), transfer.get()) != line.size()) std::abort();
    at = end;
  }
  const std::string_view body = reply.substr(at);
  for (size_t done = 0; done < body.size();) {
    std::string chunk(body.substr(done, std::max<size_t>(piece, 1)));
    // The body buffer pauses libcurl only beyond 256 KB, far more than a fuzz input holds.
    if (CurlTransfer::OnWrite(chunk.data(), 1, chunk.size(), transfer.get()) != chunk.size()) std::abort();
    done += chunk.size();
  }
  transfer->m_done = true;
  return {std::move(transfer), body};
}

}  // namespace qav::net
