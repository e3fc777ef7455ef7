// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

// What the command line needs of the console it runs in, which differs
// between systems (terminal_posix.cpp, terminal_win32.cpp).
namespace scanmill::cli {

// Opens each of standard input, output and error that is closed on the null
// device, before anything else is opened: a file opened later would take its
// number, and status lines would land in an output. Text for a closed
// stream is then lost, as the caller asked.
void openClosedStandardStreams();

// True when the stream goes to a terminal, where a line may be redrawn in place.
bool isTerminal(std::FILE* stream);

// An argument no run can take, said before anything is done.
class ArgumentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The program's arguments as the engine takes them, UTF-8: on Windows read
// as the UTF-16 the system holds them in, whatever the code page, with "/?"
// alone read as --help. There an argument holding a '"', which no name may
// hold, throws ArgumentError saying how a backslash before a closing quote
// puts one there.
std::vector<std::string> programArguments(int argc, char** argv);

// The paths to convert, wildcards expanded where the shell leaves that to
// the program (Windows): "*" and "?" in a path's last component match long
// names in any case, the matches in byte order. A match is taken as a name
// found in a directory is: a directory, or a file ending in ".raw" in any
// case; the other matches are left out. A pattern matching nothing throws
// ArgumentError naming it.
struct ExpandedPaths {
    std::vector<std::string> paths;
    std::vector<std::string> leftOut;
};
ExpandedPaths expandWildcards(const std::vector<std::string>& paths);

// While it lives, the console shows the program's UTF-8 output as the
// characters it encodes, not as bytes of the console's code page; nothing
// to do where terminals take UTF-8 as they are.
class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned previousCodePage_ = 0;
};

} // namespace scanmill::cli
