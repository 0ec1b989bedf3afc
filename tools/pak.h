// pak.h -- packing, listing and unpacking the data archive
#pragma once

#include <string>

// Each returns a process exit status: 0, or 1 after writing what went wrong to standard error.

// Packs every regular file under dir, named by its path relative to dir with '/', in byte order
// of the names. The archive itself is left out when it lies under dir. A symbolic link is packed as
// the file it leads to only when that file lies under dir; any other link is skipped, with a line
// saying so.
int pak_create(const std::string& archive, const std::string& dir);

// One line per entry in directory order: "<offset> <length> <name>".
int pak_list(const std::string& archive);

// Writes every entry under dir. Names that would leave dir are refused, and a name that an earlier
// entry already holds (in any letter case) is skipped, as the player never reads it. Nothing is
// written through a symbolic link under dir: an entry whose path meets one is refused. An existing
// file is refused too, unless force: then it is replaced.
int pak_extract(const std::string& archive, const std::string& dir, bool force = false);
