#include "sim/vidralux_record.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

namespace qav::sim {

std::string EncodeVidraluxRecordLine(const VidraluxRecordLine& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line.push_back('\t');
    for (char c : fields[i]) {
      switch (c) {
        case '\\': line += "\\\\"; break;
        case '\t': line += "\\t"; break;
        case '\n': line += "\\n"; break;
        default: line.push_back(c);
      }
    }
  }
  line.push_back('\n');
  return line;
}

VidraluxRecordLine DecodeVidraluxRecordLine(std::string_view line) {
  VidraluxRecordLine fields(1);
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\t') {
      fields.emplace_back();
    } else if (c == '\\' && i + 1 < line.size()) {
      const char next = line[++i];
      fields.back().push_back(next == 't' ? '\t' : next == 'n' ? '\n' : next);
    } else {
      fields.back().push_back(c);
    }
  }
  return fields;
}

bool AppendVidraluxRecord(const std::string& path, const VidraluxRecordLine& fields) {
  if (path.empty()) return false;
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const std::string line = EncodeVidraluxRecordLine(fields);
  ssize_t written;
  while ((written = write(fd, line.data(), line.size())) < 0 && errno == EINTR) {
  }
  close(fd);
  return written == static_cast<ssize_t>(line.size());
}

std::vector<VidraluxRecordLine> ReadVidraluxRecord(const std::string& path) {
  std::vector<VidraluxRecordLine> lines;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) lines.push_back(DecodeVidraluxRecordLine(line));
  return lines;
}

}  // namespace qav::sim
