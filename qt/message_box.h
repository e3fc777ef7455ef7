// SPDX-License-Identifier: MIT
#pragma once

#include "window_core.h"

#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>

namespace scanmill {

// The window's message box: titled messageTitle, with an OK button only and
// no icon.
std::unique_ptr<QMessageBox> messageBox(QWidget* parent, const QString& text);

// Convert's question box: titled messageTitle, with the question icon and a
// button for each answer it offers, "Use whole names" the default, Cancel
// what Escape and closing it answer.
std::unique_ptr<QMessageBox> questionBox(QWidget* parent, const ConvertQuestion& question);
// The answer of the button that closed it.
ConvertAnswer answerOf(const QMessageBox& box);

// Shows texts to a person (or plays a test's script): show returns once they
// have closed the box, ask once they have answered.
struct MessageBoxBackend {
    std::function<void(QWidget* parent, const QString& text)> show;
    std::function<ConvertAnswer(QWidget* parent, const ConvertQuestion& question)> ask;
};

// The toolkit's own: messageBox and questionBox, modal.
MessageBoxBackend qtMessageBox();

} // namespace scanmill
