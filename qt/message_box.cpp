// SPDX-License-Identifier: MIT
#include "message_box.h"

#include "window_core.h"

namespace scanmill {

std::unique_ptr<QMessageBox> messageBox(QWidget* parent, const QString& text) {
    return std::make_unique<QMessageBox>(QMessageBox::NoIcon, QString::fromUtf8(messageTitle), text,
                                         QMessageBox::Ok, parent);
}

MessageBoxBackend qtMessageBox() {
    return [](QWidget* parent, const QString& text) { messageBox(parent, text)->exec(); };
}

} // namespace scanmill
