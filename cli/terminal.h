// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>

namespace scanmill::cli {

// True when the stream goes to a terminal, where a line may be redrawn in place.
bool isTerminal(std::FILE* stream);

} // namespace scanmill::cli
