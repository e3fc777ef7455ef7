// SPDX-License-Identifier: MIT
#pragma once

#include "overlap_check.h"
#include "platform.h"

#include <optional>

// What a run refuses to write over, and what counts as a changed input: the
// rules the batch keeps for every file, which a dry run and the preview ask
// too.
namespace scanmill {

// Throws the FileError the batch would meet writing this conversion's
// output before any byte of it is written, found by looking at the output
// (once) and its directory: the output would be its input (the input as it
// was opened, when known), a Bruker output would replace a file that is not
// a Bruker RAW file (kept), or checkOutputPath's failures. The directory's
// failure (one that takes no new file) is looked for only when asked, as
// making the temporary finds it anyway.
void checkOutput(const Conversion& conversion, bool brukerOutput,
                 const std::optional<platform::FileStatus>& input, bool lookAtDirectory = false);

// Whether a file looked up now is no longer the one looked up then: gone,
// written to, or another file renamed over it, as instruments and editors
// save. Where the system cannot tell a file's identity, size and time do.
bool changedSince(const platform::FileStatus& then, const std::optional<platform::FileStatus>& now);

} // namespace scanmill
