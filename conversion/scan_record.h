#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace scanmill {

// One Rigaku scan: the header fields the writers need and the intensity column.
struct ScanRecord {
    std::string dateText; // 12 bytes as read
    std::string timeText; // 8 bytes as read
    std::string title;    // trailing blanks (0x20) removed
    float startTwoTheta = 0;
    float stepSize = 0;
    std::int16_t pointCount = 0;
    std::array<std::uint8_t, 4> stepTime{}; // the 4 bytes as read, never converted
    std::vector<float> intensities;         // intensities[0] is point 1
};

// What the window's Browse buttons chose; Convert works from it.
struct FileSelection {
    std::int16_t fileCount = 0;
    std::array<std::string, 101> fileNames;
    std::string outputDirectory; // empty, or ends with the separator
    std::string inputDirectory;  // empty means nothing selected
};

enum class OutputFormat { TwoColumnAscii, BrukerRaw };

// The status list: lines are only ever added at the end.
class StatusLog {
public:
    void append(std::string line);
    const std::vector<std::string>& lines() const;

private:
    std::vector<std::string> lines_;
};

// A failed file operation: the system's error number and a description that
// names the file and the cause. what() returns the description.
class FileError : public std::runtime_error {
public:
    FileError(int number, std::string description);
    int number() const;
    const std::string& description() const;

private:
    int number_;
    std::string description_;
};

// The platform's path separator, which directories in a FileSelection end with.
inline constexpr char pathSeparator = '/';

} // namespace scanmill
