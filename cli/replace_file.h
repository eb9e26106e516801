// Writing an output file whole or not at all. A regular file (or one that does not exist yet) is
// written to a new file beside it and renamed over it only once every byte is written, flushed
// and synced, so a full disk or a failed write leaves the old file as it was and no partial file
// behind. Special files (terminals, pipes, /dev/stdout, FIFOs) cannot be replaced and are written
// directly. The unit uses the standard library and POSIX only, so that any front end can use it.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace ringmarch::cli {

// Writes the file through write, which puts the whole content into the stream it is given and
// answers false when it could not. Empty on success; otherwise the reason in words (the system's
// error text, e.g. "No space left on device"), and the target is unchanged. Symbolic links are
// followed: the file they name is replaced and the links stay. A new file gets the mode a newly
// created file gets under the umask; a replaced file keeps its mode.
std::string replaceFile(const std::string& target, const std::function<bool(std::FILE*)>& write);

// The same for a text known in full.
std::string replaceFileWithText(const std::string& target, std::string_view text);

// The path that writing to path changes: symbolic links followed (also a link to a file that does
// not exist yet), the rest of the path kept as given. The path itself when it is no link; links
// under /dev and /proc are not followed, since they stand for devices and descriptors.
std::string linkTarget(const std::string& path);

}  // namespace ringmarch::cli
