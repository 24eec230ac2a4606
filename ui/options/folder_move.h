// Moving a recordings folder to another root: entry by entry, by rename, and by copy-then-delete
// where the new place is on another file system. Nothing is lost: a file is removed from the old
// place only once its copy is complete in the new one.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

struct CFolderMoveFailure {
  std::u16string path;     // stayed where it was
  std::error_code reason;  // why it could not move
};

struct CFolderMoveResult {
  int moved = 0;  // files and folders now in the new place
  std::vector<CFolderMoveFailure> failed;
};

// Moves the contents of `from` into `to` (both folder paths). Down to `depth` levels the folders
// are recreated in the new place and their entries moved one by one; below it an entry moves
// whole. A file of the same name in the new place is replaced. Each folder emptied is removed.
void MoveFolderRecursive(const std::u16string& from, const std::u16string& to, int depth,
                         CFolderMoveResult& result);

// Whether one folder is the other or lies inside it, either way round (links resolved), so that a
// move between them would put the recordings inside their own folder.
bool FoldersNest(const std::u16string& first, const std::u16string& second);

// Whether the new root can take the recordings of `fromFolder` before anything moves: it is a folder
// a file can be written to and, on another file system, it has room for all of them. The reason
// when not; no error when it can.
std::error_code CheckMoveTarget(const std::u16string& fromFolder, const std::u16string& newRoot);
