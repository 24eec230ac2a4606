// Decoding of what the web server's stand-in receives: URL-encoded form bodies and
// multipart/form-data uploads.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qav::sim {

// "a=1&b=x+y%2F" -> {a: "1", b: "x y/"}; nullopt for a malformed escape. A repeated name keeps its
// last value.
std::optional<std::map<std::string, std::string>> DecodeForm(std::string_view body);

struct MultipartPart {
  std::string name;
  std::optional<std::string> fileName;
  std::string contentType;
  std::string data;
};

// The boundary parameter of a "multipart/form-data; boundary=..." content type; "" when absent.
std::string MultipartBoundary(std::string_view contentType);
// The parts of a multipart body, or nullopt when it does not follow the framing (a missing
// boundary line, a part without its blank line, no closing boundary).
std::optional<std::vector<MultipartPart>> DecodeMultipart(std::string_view body, std::string_view boundary);

}  // namespace qav::sim
