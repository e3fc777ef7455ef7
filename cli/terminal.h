// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
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

// True, once a message box has said what the program is and how to reach
// it, when it was started from Windows' Explorer: alone in a console window
// made for it, which would close before its help could be read. False
// anywhere else.
bool explainedOutsideAConsole();

// Writes UTF-8 text to the stream. A Windows console is given the
// characters it encodes (WriteConsoleW), whatever its code page and however
// the C runtime would pass the bytes on; anywhere else the bytes go as they
// are, as terminals take UTF-8.
void writeText(std::FILE* stream, std::string_view text);

} // namespace scanmill::cli
