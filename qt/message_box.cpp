// SPDX-License-Identifier: MIT
#include "message_box.h"

#include "window_core.h"

namespace scanmill {

std::unique_ptr<QMessageBox> messageBox(QWidget* parent, const QString& text) {
    return std::make_unique<QMessageBox>(QMessageBox::NoIcon, QString::fromUtf8(messageTitle), text,
                                         QMessageBox::Ok, parent);
}

std::unique_ptr<QMessageBox> questionBox(QWidget* parent, const QString& text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QString::fromUtf8(messageTitle),
                                             text, QMessageBox::Yes | QMessageBox::No, parent);
    box->setDefaultButton(QMessageBox::Yes);
    box->setEscapeButton(QMessageBox::No);
    return box;
}

MessageBoxBackend qtMessageBox() {
    return {[](QWidget* parent, const QString& text) { messageBox(parent, text)->exec(); },
            [](QWidget* parent, const QString& text) {
                return questionBox(parent, text)->exec() == QMessageBox::Yes;
            }};
}

} // namespace scanmill
