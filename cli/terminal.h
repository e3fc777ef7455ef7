// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace scanmill::cli {

// True when the stream goes to a terminal, where a line may be redrawn in place.
bool isTerminal(std::FILE* stream);

#ifdef _WIN32
// The program's arguments, from UTF-16 to the engine's UTF-8.
std::vector<std::string> utf8Arguments(int argc, wchar_t** argv);

// While it lives, the console shows the program's UTF-8 output as the
// characters it encodes, not as bytes of the console's code page.
class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned previousCodePage_;
};
#endif

} // namespace scanmill::cli
