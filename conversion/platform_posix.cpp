// SPDX-License-Identifier: MIT
#include "platform.h"

#include <sys/stat.h>
#include <system_error>

namespace scanmill::platform {

namespace fs = std::filesystem;

std::FILE* openForReading(const std::string& path) {
    return std::fopen(path.c_str(), "rb");
}

std::FILE* createNewFile(const std::string& path) {
    return std::fopen(path.c_str(), "wbx");
}

bool replaceByRename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void removeFile(const std::string& path) {
    std::remove(path.c_str());
}

bool isReadOnlyFile(const std::string& path) {
    // The permission bits, not access(): root may write anywhere, yet a file
    // its owner made read-only keeps its content.
    std::error_code ignored;
    const fs::file_status status = fs::status(path, ignored);
    constexpr auto anyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return fs::is_regular_file(status) && (status.permissions() & anyWrite) == fs::perms::none;
}

std::string forbiddenNameReason(const std::string&) {
    return {};
}

std::string fileNameKey(const std::string& name) {
    return name;
}

std::optional<FileIdentity> fileIdentity(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                        static_cast<std::uint64_t>(status.st_ino)};
}

fs::path toPath(const std::string& path) {
    return fs::path(path);
}

std::string fromPath(const fs::path& path) {
    return path.string();
}

} // namespace scanmill::platform
