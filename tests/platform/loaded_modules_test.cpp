// The modules of this process and the build ids read from their notes, which are taken as
// untrusted bytes: a crash report reads them from whatever is mapped.
#include "platform/loaded_modules.h"

#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// One note: its header, the name padded to four bytes, then the description padded likewise. The
// sizes in the header are the ones given, whatever follows.
std::vector<unsigned char> Note(uint32_t type, const std::string& name, const std::string& desc, uint32_t nameSize,
                                uint32_t descSize) {
  Elf64_Nhdr header{nameSize, descSize, type};
  std::vector<unsigned char> bytes(sizeof header);
  std::memcpy(bytes.data(), &header, sizeof header);
  for (const std::string* part : {&name, &desc}) {
    bytes.insert(bytes.end(), part->begin(), part->end());
    bytes.resize((bytes.size() + 3) & ~size_t{3}, 0);
  }
  return bytes;
}

std::string BuildId(const std::vector<unsigned char>& notes) { return qav::BuildIdInNotes(notes.data(), notes.size()); }

}  // namespace

TEST(LoadedModules, TheProgramComesFirstWithItsBuildId) {
  const std::vector<qav::LoadedModule> modules = qav::ListLoadedModules();
  ASSERT_FALSE(modules.empty());
  EXPECT_NE(modules[0].path.find("test_platform"), std::string::npos) << modules[0].path;
  EXPECT_GT(modules[0].size, 0u);
  EXPECT_EQ(modules[0].buildId.size() % 2, 0u);
}

TEST(LoadedModules, ABuildIdIsReadOnlyFromANoteThatFitsItsSegment) {
  const std::string gnu("GNU\0", 4);
  const std::string id("\x01\x23\xab\xcd\xef", 5);
  std::vector<unsigned char> other = Note(1, gnu, "abcd", 4, 4);  // another kind of note comes first
  std::vector<unsigned char> both = other;
  const std::vector<unsigned char> good = Note(NT_GNU_BUILD_ID, gnu, id, 4, 5);
  both.insert(both.end(), good.begin(), good.end());
  EXPECT_EQ(BuildId(good), "0123abcdef");
  EXPECT_EQ(BuildId(both), "0123abcdef");

  struct Case {
    const char* what;
    std::vector<unsigned char> notes;
  } cases[] = {
      {"no notes", {}},
      {"a header cut short", std::vector<unsigned char>(good.begin(), good.begin() + 8)},
      {"the description cut short", std::vector<unsigned char>(good.begin(), good.end() - 4)},
      // Sizes whose padding to four bytes wraps in 32 bits: counted so, the note seemed to end
      // inside the segment and the reader ran about 4 GiB past it.
      {"a name size that wraps", Note(NT_GNU_BUILD_ID, gnu, id, 0xFFFFFFFDu, 5)},
      {"a description size that wraps", Note(NT_GNU_BUILD_ID, gnu, id, 4, 0xFFFFFFFFu)},
      {"a name that is not GNU", Note(NT_GNU_BUILD_ID, std::string("GNX\0", 4), id, 4, 5)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildId(c.notes), "") << c.what;
  }
}
