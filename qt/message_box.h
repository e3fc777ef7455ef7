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

// The window's question box: titled messageTitle, with Yes and No buttons,
// Yes the default, and no icon.
std::unique_ptr<QMessageBox> questionBox(QWidget* parent, const QString& text);

// Shows texts to a person (or plays a test's script): show returns once they
// have closed the box, ask once they have answered, true for Yes.
struct MessageBoxBackend {
    std::function<void(QWidget* parent, const QString& text)> show;
    std::function<bool(QWidget* parent, const QString& text)> ask;
};

// The toolkit's own: messageBox and questionBox, modal.
MessageBoxBackend qtMessageBox();

} // namespace scanmill
