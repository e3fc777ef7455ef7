// SPDX-License-Identifier: MIT
#include "message_box.h"

#include "native_paths.h"

#include <QPushButton>

namespace scanmill {

std::unique_ptr<QMessageBox> messageBox(QWidget* parent, const QString& text) {
    return std::make_unique<QMessageBox>(QMessageBox::NoIcon, QString::fromUtf8(messageTitle), text,
                                         QMessageBox::Ok, parent);
}

std::unique_ptr<QMessageBox> questionBox(QWidget* parent, const ConvertQuestion& question) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, QString::fromUtf8(messageTitle),
                                             shown(question.text), QMessageBox::NoButton, parent);
    const auto add = [&box](const char* text, QMessageBox::ButtonRole role, ConvertAnswer answer) {
        QPushButton* button = box->addButton(QString::fromUtf8(text), role);
        button->setProperty("answer", static_cast<int>(answer));
        return button;
    };
    box->setDefaultButton(
        add(wholeNamesButton, QMessageBox::AcceptRole, ConvertAnswer::WholeNames));
    if (question.offersReplace) {
        add(replaceButton, QMessageBox::DestructiveRole, ConvertAnswer::Replace);
    }
    box->setEscapeButton(add(cancelButton, QMessageBox::RejectRole, ConvertAnswer::Cancel));
    return box;
}

ConvertAnswer answerOf(const QMessageBox& box) {
    const QAbstractButton* clicked = box.clickedButton();
    return clicked ? static_cast<ConvertAnswer>(clicked->property("answer").toInt())
                   : ConvertAnswer::Cancel;
}

MessageBoxBackend qtMessageBox() {
    return {[](QWidget* parent, const QString& text) { messageBox(parent, text)->exec(); },
            [](QWidget* parent, const ConvertQuestion& question) {
                const std::unique_ptr<QMessageBox> box = questionBox(parent, question);
                box->exec();
                return answerOf(*box);
            }};
}

} // namespace scanmill
