// A reply handed to the HTTP client's transfer the way libcurl hands it over, without a connection:
// the head line by line to the header callback (an interim reply or a followed redirect is followed
// by the next head, as libcurl delivers them), then the body in pieces to the write callback; the
// transfer is then finished, as after an exchange that ended well. Everything after libcurl is the
// program's own code and runs as it does on a real reply.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "net/curl_transfer.h"

namespace qav::net {

class CurlReplyFeed {
 public:
  struct Fed {
    std::unique_ptr<CurlTransfer> transfer;
    // The bytes that went to the write callback: what reading the body must give back.
    std::string_view body;
  };
  // `reply`: heads, then the body; `piece`: the most the write callback gets at a time (>= 1).
  static Fed Receive(std::string_view reply, size_t piece);
};

}  // namespace qav::net
