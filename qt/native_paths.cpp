// SPDX-License-Identifier: MIT
#include "native_paths.h"

#include "platform.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <system_error>

namespace scanmill {

namespace {

QString decoded(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

// The one name in directory that Qt shows as name, or "" when there is none
// or more than one.
std::string entryShownAs(const std::string& directory, const QString& name) {
    std::string found;
    std::error_code error;
    for (std::filesystem::directory_iterator
             it(platform::toPath(directory.empty() ? "." : directory), error),
         end;
         !error && it != end; it.increment(error)) {
        const std::string entry = platform::fromPath(it->path().filename());
        if (decoded(entry) == name) {
            if (!found.empty()) {
                return {};
            }
            found = entry;
        }
    }
    return found;
}

} // namespace

QString shown(const std::string& text) {
    return QDir::toNativeSeparators(decoded(text));
}

std::string nativePath(const QString& path) {
    if (!path.contains(QChar::ReplacementCharacter)) {
        return QFile::encodeName(path).toStdString();
    }
    std::string result;
    const QStringList parts = path.split(u'/');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        std::string part = QFile::encodeName(parts[i]).toStdString();
        if (parts[i].contains(QChar::ReplacementCharacter)) {
            if (std::string entry = entryShownAs(result, parts[i]); !entry.empty()) {
                part = std::move(entry);
            }
        }
        result += part;
        if (i + 1 < parts.size()) {
            result += '/';
        }
    }
    return result;
}

std::vector<std::string> droppedPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    // QUrl would turn the percent-encoded bytes into text and lose those
    // that are not UTF-8, so the list is read as it came.
    const QByteArray list = data->data(QStringLiteral("text/uri-list"));
    for (QByteArray line : list.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        if (const QUrl url = QUrl::fromEncoded(line);
            url.isLocalFile() && (url.host().isEmpty() || url.host() == u"localhost")) {
            paths.push_back(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())
                                .toStdString());
        }
    }
    return paths;
}

} // namespace scanmill
