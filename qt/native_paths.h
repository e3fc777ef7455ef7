// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <string>
#include <vector>

class QMimeData;

namespace scanmill {

// Between Qt's text and the bytes the system names files with. A name that
// is not UTF-8 reaches Qt with U+FFFD in place of its bytes; the core and the
// engine take the bytes, Qt only shows the text.

// Text for people: paths and names with the replacement character where
// their bytes are not UTF-8.
QString shown(const std::string& text);

// The bytes of a path Qt's file dialog returned. Where a part of it holds the
// replacement character, the one entry of its directory that Qt shows so
// stands for it.
std::string nativePath(const QString& path);

// The local paths dropped, as the bytes of the drop's URI list.
std::vector<std::string> droppedPaths(const QMimeData* data);

} // namespace scanmill
