// SPDX-License-Identifier: MIT
#pragma once

// What the window tests share: a scripted file dialog and message box, a
// stand-in for the person at the toolkit's file dialog, and Rigaku scan files.

#include "file_bytes.h"
#include "file_dialog.h"
#include "message_box.h"
#include "native_paths.h"
#include "rigaku_scan_bytes.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

namespace scanmill::testing {

// Plays a person at the file dialog: each opening takes the next answer (the
// chosen paths; none means Cancel) and is recorded.
struct ScriptedDialog {
    QList<QStringList> answers;
    QList<FileDialogRequest> requests;

    FileDialogBackend backend() {
        return [this](QWidget*, const FileDialogRequest& request) {
            requests << request;
            return answers.isEmpty() ? QStringList{} : answers.takeFirst();
        };
    }
};

// Plays a person at the message and question boxes: records each text
// shown, and calls whileShown, if set, before the box would close; each
// question takes the next answer (none left means No).
struct ScriptedMessages {
    QStringList shown;
    std::function<void()> whileShown;
    QStringList asked;
    QList<ConvertAnswer> answers; // Cancel once they run out

    MessageBoxBackend backend() {
        return {[this](QWidget*, const QString& text) {
                    shown << text;
                    if (whileShown) {
                        whileShown();
                    }
                },
                [this](QWidget*, const ConvertQuestion& question) {
                    asked << scanmill::shown(question.text);
                    return answers.isEmpty() ? ConvertAnswer::Cancel : answers.takeFirst();
                }};
    }
};

// While it lives, hands every dialog of type Dialog that opens to answer,
// which is to close it. One that is still open at the next look is rejected,
// so that no test can wait for a person.
template <typename Dialog> class Answering {
public:
    int answered = 0;

    explicit Answering(std::function<void(Dialog*)> answer) {
        QObject::connect(&timer_, &QTimer::timeout, [this, answer] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<Dialog*>(widget);
                if (!dialog || !dialog->isVisible()) {
                    continue;
                }
                if (dialog == last_) {
                    dialog->reject();
                    continue;
                }
                last_ = dialog;
                ++answered;
                answer(dialog);
            }
        });
        timer_.start(20);
    }

private:
    QTimer timer_;
    QPointer<Dialog> last_; // cleared when the dialog goes away
};

// A Rigaku scan file with the usual header, this title and these intensities.
inline void writeRigakuRaw(const QString& path, const QByteArray& title,
                           const std::vector<float>& intensities) {
    RigakuFields fields;
    fields.title = title.toStdString();
    fields.intensities = intensities;
    writeFile(QFile::encodeName(path).toStdString(), rigakuBytes(fields));
}

} // namespace scanmill::testing
