// Writing a file whole or not at all: the new bytes go to a temporary file
// beside the old one, which is flushed to the disk and then renamed over it.
// A write that fails (a full disk, a file size limit, no permission) leaves
// the old file as it was, byte for byte, and removes the temporary file; a
// program killed half-way leaves the old file too (and, at worst, a stray
// ".NAME.tmp-*" beside it).
//
// A new file gets the mode 0666 less the umask; a replaced file keeps its
// mode. A symbolic link is kept: the file it points to is replaced.
//
// Errors: orv::Exception "Cannot write file PATH: REASON".
// Threading: safe from any thread for different paths.
#pragma once

#include <string>
#include <string_view>

namespace orv {

void WriteFileWhole(const std::string& path, std::string_view bytes);

}  // namespace orv
