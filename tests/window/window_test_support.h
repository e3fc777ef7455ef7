#pragma once

// What the window tests share: a scripted file dialog, a stand-in for the
// person at modal dialogs, and Rigaku scan files.

#include "file_dialog.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <bit>
#include <cstdint>
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
                if (!dialog || !dialog->isVisible())
                    continue;
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

// A Rigaku D/Max-B raw file: the 200-byte header, then the intensities as
// little-endian singles.
inline void writeRigakuRaw(const QString& path, const QByteArray& title,
                           const std::vector<float>& intensities) {
    QByteArray bytes(200 + 4 * static_cast<qsizetype>(intensities.size()), '\0');
    auto put = [&](qsizetype offset, std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i)
            bytes[offset + i] = static_cast<char>(value >> (8 * i));
    };
    bytes.replace(4, 12, "14-FEB-05   ");
    bytes.replace(16, 8, "10:32:07");
    bytes.replace(24, 40, title.leftJustified(40, ' ', true));
    put(136, std::bit_cast<std::uint32_t>(10.0F), 4); // start 2θ
    put(140, std::bit_cast<std::uint32_t>(0.02F), 4); // step
    put(144, static_cast<std::uint16_t>(intensities.size()), 2);
    put(148, std::bit_cast<std::uint32_t>(1.5F), 4); // step time
    for (std::size_t i = 0; i < intensities.size(); ++i)
        put(200 + 4 * static_cast<qsizetype>(i), std::bit_cast<std::uint32_t>(intensities[i]), 4);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace scanmill::testing
