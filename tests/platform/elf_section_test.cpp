#include "platform/elf_section.h"

#include <gtest/gtest.h>

#include <elf.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <functional>

#include "tests/support/temp_dir.h"

namespace {

std::string SelfPath() {
  char self[PATH_MAX] = {};
  return readlink("/proc/self/exe", self, sizeof self - 1) > 0 ? std::string(self) : std::string();
}

}  // namespace

TEST(ElfSection, FindsSectionsAndSurvivesDamage) {
  const std::string self = SelfPath();
  const std::optional<std::string> comment = qav::ReadElfSection(self, ".comment", 4096);
  ASSERT_TRUE(comment.has_value());  // the compiler's note, in every binary g++ links
  EXPECT_NE(comment->find("GCC"), std::string::npos);
  EXPECT_FALSE(qav::ReadElfSection(self, ".no-such-section", 4096));
  EXPECT_FALSE(qav::ReadElfSection(self, ".comment", 2));  // over the size limit

  const std::string original = qav::test::ReadFileBytes(self);
  ASSERT_GT(original.size(), sizeof(Elf64_Ehdr));
  const struct {
    const char* what;
    std::function<void(Elf64_Ehdr&)> damage;
  } cases[] = {
      {"section table past the end", [](Elf64_Ehdr& h) { h.e_shoff = ~0ull - 8; }},
      {"names index out of range", [](Elf64_Ehdr& h) { h.e_shstrndx = h.e_shnum; }},
      {"wrong entry size", [](Elf64_Ehdr& h) { h.e_shentsize = 12; }},
      {"32-bit class", [](Elf64_Ehdr& h) { h.e_ident[EI_CLASS] = ELFCLASS32; }},
      {"bad magic", [](Elf64_Ehdr& h) { h.e_ident[1] = 'X'; }},
  };
  qav::test::TempDir dir;
  for (const auto& c : cases) {
    std::string bytes = original;
    Elf64_Ehdr header;
    std::memcpy(&header, bytes.data(), sizeof header);
    c.damage(header);
    std::memcpy(bytes.data(), &header, sizeof header);
    ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("damaged"), bytes));
    EXPECT_FALSE(qav::ReadElfSection(dir.File("damaged"), ".comment", 4096)) << c.what;
  }
  EXPECT_FALSE(qav::ReadElfSection(dir.path(), ".comment", 4096));  // a folder
}
