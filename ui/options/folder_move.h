// Moving a recordings folder to another root: entry by entry, by rename, and by copy-then-delete
// where the new place is on another file system. Nothing is lost: a file is removed from the old
// place only once its copy is complete in the new one.
#pragma once

#include <string>
#include <vector>

struct CFolderMoveResult {
  int moved = 0;                        // files and folders now in the new place
  std::vector<std::u16string> failed;   // the paths that stayed where they were
};

// Moves the contents of `from` into `to` (both folder paths). Down to `depth` levels the folders
// are recreated in the new place and their entries moved one by one; below it an entry moves
// whole. A file of the same name in the new place is replaced. Each folder emptied is removed.
void MoveFolderRecursive(const std::u16string& from, const std::u16string& to, int depth,
                         CFolderMoveResult& result);
