#pragma once

#include <string>
#include <string_view>

namespace scanmill {

// Replaces the file at path by content, or leaves it as it was: the bytes go
// to a temporary file in the same directory, which is renamed onto path only
// once it is complete and closed. The new file gets the permissions of a
// plainly created one. A read-only file at path is not replaced. Throws
// FileError naming path on any failure, after removing the temporary.
void replaceFileContents(const std::string& path, std::string_view content);

// The description FileError carries for a failed system call on path.
std::string describeError(const std::string& path, int number);

} // namespace scanmill
