// SPDX-License-Identifier: MIT
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>

namespace scanmill {

// The window's message box: titled messageTitle, with an OK button only and
// no icon.
std::unique_ptr<QMessageBox> messageBox(QWidget* parent, const QString& text);

// Shows the text to a person and returns once they have closed it (or plays
// a test's script).
using MessageBoxBackend = std::function<void(QWidget* parent, const QString& text)>;

// The toolkit's own: messageBox, modal.
MessageBoxBackend qtMessageBox();

} // namespace scanmill
