// Language files: UTF-16 text with a byte-order mark, a header line and "key=text" lines, read
// into the string table the program shows the user.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "foundation/lang_file.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // fmemopen refuses an empty buffer; the size check covers it
  std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;
  CLangTable table;
  LoadLangLibFromFile(file, u"fuzz.lang", table);
  std::fclose(file);
  return 0;
}
