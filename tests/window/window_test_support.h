#pragma once

// Helpers of the window tests: a scripted file dialog, a closer for message
// boxes, a driver for the toolkit's own dialogs, and Rigaku scan files.

#include "file_dialog.h"

#include <QApplication>
#include <QFile>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <bit>
#include <cstdint>
#include <functional>
#include <vector>

namespace scanmill::testing {

// Plays a person at the file dialog: each opening takes the next answer (the
// chosen paths; none means Cancel) and is recorded.
class ScriptedDialog {
public:
    QList<QStringList> answers;
    QList<FileDialogRequest> requests;

    FileDialogBackend backend() {
        return [this](QWidget*, const FileDialogRequest& request) {
            requests << request;
            return answers.isEmpty() ? QStringList{} : answers.takeFirst();
        };
    }
};

// What a message box showed.
struct SeenMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
};

// Closes, with its OK button, every message box that opens while it lives and
// keeps what it showed, so that no test waits for a person.
class MessageBoxCloser {
public:
    QList<SeenMessage> seen;

    MessageBoxCloser() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (!box || !box->isVisible())
                    continue;
                seen << SeenMessage{box->windowTitle(), box->text(), box->icon(),
                                    box->standardButtons()};
                if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                    ok->click();
                else
                    box->done(0);
            }
        });
        timer_.start(10);
    }

private:
    QTimer timer_;
};

// Runs act on the first visible dialog of type Dialog once it opens; a dialog
// still open a moment later is rejected, so a faulty act cannot hang a test.
template <typename Dialog> class DialogDriver {
public:
    bool acted = false;

    explicit DialogDriver(std::function<void(Dialog*)> act) : act_(std::move(act)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<Dialog*>(widget);
                if (!dialog || !dialog->isVisible())
                    continue;
                if (acted) {
                    dialog->reject();
                } else {
                    acted = true;
                    act_(dialog);
                }
            }
        });
        timer_.start(50);
    }

private:
    std::function<void(Dialog*)> act_;
    QTimer timer_;
};

// A Rigaku D/Max-B raw file: the 200-byte header, then the intensities as
// little-endian singles.
inline void writeRigakuRaw(const QString& path, const QByteArray& title, float start, float step,
                           const std::vector<float>& intensities) {
    QByteArray bytes(200 + 4 * static_cast<qsizetype>(intensities.size()), '\0');
    auto put = [&](qsizetype offset, std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i)
            bytes[offset + i] = static_cast<char>(value >> (8 * i));
    };
    bytes.replace(4, 12, QByteArray("14-FEB-05   "));
    bytes.replace(16, 8, QByteArray("10:32:07"));
    bytes.replace(24, 40, title.leftJustified(40, ' ', true));
    put(136, std::bit_cast<std::uint32_t>(start), 4);
    put(140, std::bit_cast<std::uint32_t>(step), 4);
    put(144, static_cast<std::uint16_t>(intensities.size()), 2);
    put(148, std::bit_cast<std::uint32_t>(1.5F), 4);
    for (std::size_t i = 0; i < intensities.size(); ++i)
        put(200 + 4 * static_cast<qsizetype>(i), std::bit_cast<std::uint32_t>(intensities[i]), 4);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace scanmill::testing
