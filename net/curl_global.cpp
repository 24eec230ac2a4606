#include "net/curl_global.h"

#include <curl/curl.h>

#include <mutex>

namespace qav::net {

bool InitCurlOnce() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return ready;
}

}  // namespace qav::net
