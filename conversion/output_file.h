// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace scanmill {

// Replaces the file at path by content, or leaves it as it was: the bytes go
// to a temporary file in the same directory, which is renamed onto path only
// once it is complete and closed. The new file gets the permissions of a
// plainly created one. A read-only file at path is not replaced. Throws
// FileError naming path on any failure, after removing the temporary.
void replaceFileContents(const std::string& path, std::string_view content);

// The same with the closing of the temporary passed in. Closing a flushed file
// does not fail on a local disk, yet may on others; this lets a test make it
// fail and see the temporary removed.
using CloseFile = int (*)(std::FILE*);
void replaceFileContents(const std::string& path, std::string_view content, CloseFile closeFile);

} // namespace scanmill
