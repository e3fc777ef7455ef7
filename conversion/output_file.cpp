#include "output_file.h"

#include "scan_record.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace scanmill {
namespace {

namespace fs = std::filesystem;

int lastErrno() {
    return errno != 0 ? errno : EIO;
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind(pathSeparator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Hidden, short and unlikely to clash; the exclusive open settles any clash.
// Drawn from the clock rather than a random device, which may throw.
std::string temporaryName(const std::string& directory, int attempt) {
    static constexpr char hex[] = "0123456789abcdef";
    auto bits = static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count() + attempt);
    bits *= 0x9E3779B97F4A7C15u; // spread the fast-changing low bits over all digits
    std::string name = directory + ".scanmill-";
    for (int i = 0; i < 8; ++i, bits >>= 4) {
        name += hex[(bits >> 32) & 0xF];
    }
    return name + ".part";
}

void refuseReadOnlyTarget(const std::string& path) {
    std::error_code ignored;
    const fs::file_status target = fs::status(path, ignored);
    if (!fs::is_regular_file(target)) {
        return;
    }
    constexpr auto anyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((target.permissions() & anyWrite) == fs::perms::none) {
        throw FileError(EACCES, describeError(path, EACCES));
    }
}

} // namespace

std::string describeError(const std::string& path, int number) {
    return path + ": " + std::generic_category().message(number);
}

void replaceFileContents(const std::string& path, std::string_view content) {
    replaceFileContents(path, content, [](std::FILE* file) { return std::fclose(file); });
}

void replaceFileContents(const std::string& path, std::string_view content, CloseFile closeFile) {
    refuseReadOnlyTarget(path);

    std::string temporary;
    std::FILE* file = nullptr;
    for (int attempt = 0; file == nullptr; ++attempt) {
        temporary = temporaryName(directoryOf(path), attempt);
        errno = 0;
        file = std::fopen(temporary.c_str(), "wbx");
        if (file == nullptr && (errno != EEXIST || attempt == 10)) {
            const int number = lastErrno();
            throw FileError(number, describeError(path, number));
        }
    }

    auto fail = [&](int number) {
        std::remove(temporary.c_str());
        throw FileError(number, describeError(path, number));
    };

    errno = 0;
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size() &&
                         std::fflush(file) == 0;
    const int writeErrno = lastErrno();
    errno = 0;
    const bool closed = closeFile(file) == 0;
    if (!written) {
        fail(writeErrno);
    }
    if (!closed) {
        fail(lastErrno());
    }
    errno = 0;
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        fail(lastErrno());
    }
}

} // namespace scanmill
