// SPDX-License-Identifier: MIT
#include "main_window.h"

#include "form.h"
#include "native_paths.h"
#include "preview_window.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QToolTip>

namespace scanmill {

namespace {

QRect pixels(const FormRect& twips) {
    return {twips.left / twipsPerPixel, twips.top / twipsPerPixel, twips.width / twipsPerPixel,
            twips.height / twipsPerPixel};
}

QFont qtFont(const FormFont& font) {
    QFont made;
    // The dialog font's faces, nearest first, on systems without it.
    made.setFamilies(font.face == Typeface::Trebuchet
                         ? QStringList{QString::fromLatin1(trebuchetFamily)}
                         : QStringList{QStringLiteral("MS Sans Serif"),
                                       QStringLiteral("Microsoft Sans Serif"),
                                       QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    made.setStyleHint(QFont::SansSerif);
    made.setPointSizeF(font.points);
    made.setBold(font.bold);
    return made;
}

// The frame a control lies in or is drawn over.
const FormControl* frameUnder(const FormControl& control) {
    const FormRect place = placeInForm(control);
    for (const FormControl& frame : formControls) {
        if (frame.kind == ControlKind::Frame && holds(placeInForm(frame), place)) {
            return &frame;
        }
    }
    return nullptr;
}

// Screen readers announce what people read; a box or a list by the frame it
// lies in.
const char* accessibleNameOf(const FormControl& control) {
    const FormControl* frame = frameUnder(control);
    if (frame && (control.kind == ControlKind::TextBox || !*control.text)) {
        return frame->text;
    }
    return control.text;
}

QWidget* make(const FormControl& control, QWidget* parent) {
    const QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
    case ControlKind::Label:
        return new QLabel(text, parent);
    case ControlKind::Frame:
        return new QGroupBox(text, parent);
    case ControlKind::TextBox: {
        // A box that shows a choice: people can select and copy its text but
        // not edit it, as typed text would never be read.
        auto* box = new QLineEdit(text, parent);
        box->setReadOnly(true);
        return box;
    }
    case ControlKind::Button: {
        auto* button = new QPushButton(text, parent);
        // Enter presses the focused button, as Space does.
        button->setAutoDefault(true);
        return button;
    }
    case ControlKind::OptionButton:
        return new QRadioButton(text, parent);
    case ControlKind::ListBox:
        return new QListWidget(parent);
    case ControlKind::DropDownList: {
        auto* list = new QComboBox(parent);
        for (const Anode anode : anodes) {
            list->addItem(QString::fromUtf8(anodeName(anode).data(),
                                            static_cast<qsizetype>(anodeName(anode).size())));
        }
        return list;
    }
    }
    return nullptr;
}

} // namespace

Form1::Form1(FileDialogBackend dialogBackend, MessageBoxBackend messageBox, QWidget* parent)
    : QWidget(parent), dlgfiles(this, std::move(dialogBackend)),
      messageBox_(std::move(messageBox)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(windowCaption));
    resize(formWidth / twipsPerPixel, formHeight / twipsPerPixel);
    setFont(qtFont(dialogFont));
    setAcceptDrops(true);
    createControls();
    chainTabOrder();

    connect(Command1, &QPushButton::clicked, this, &Form1::browseInputFiles);
    connect(Command2, &QPushButton::clicked, this, &Form1::convert);
    connect(Command3, &QPushButton::clicked, this, &Form1::browseOutputDirectory);
    connect(Command4, &QPushButton::clicked, this, &Form1::exitProgram);
    // A double-click on a line, or Enter on it.
    List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(List1, &QListWidget::itemActivated, this, &Form1::openPreview);
    List1->viewport()->installEventFilter(this);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    // The list's tip tells what its lines do: over a line it would cover
    // the line being read, so it shows over the list's empty part only.
    if (watched == List1->viewport() && event->type() == QEvent::ToolTip &&
        List1->itemAt(static_cast<QHelpEvent*>(event)->pos())) {
        QToolTip::hideText();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::createControls() {
    // The frames first: the controls in them need them, and the controls
    // drawn over them are stacked above them, so that a frame does not take
    // their clicks.
    for (const bool frames : {true, false}) {
        for (const FormControl& control : formControls) {
            if ((control.kind == ControlKind::Frame) != frames) {
                continue;
            }
            QWidget* parent =
                control.container ? child<QWidget>(control.container) : static_cast<QWidget*>(this);
            QWidget* widget = make(control, parent);
            widget->setObjectName(QLatin1StringView(control.name));
            widget->setGeometry(pixels(control.place()));
            if (control.font != dialogFont) {
                widget->setFont(qtFont(control.font));
            }
            if (control.toolTip) {
                widget->setToolTip(QString::fromUtf8(control.toolTip));
            }
            widget->setAccessibleName(QString::fromUtf8(accessibleNameOf(control)));
        }
    }
    Text1 = child<QLineEdit>("Text1");
    Text2 = child<QLineEdit>("Text2");
    Command1 = child<QPushButton>("Command1");
    Command2 = child<QPushButton>("Command2");
    Command3 = child<QPushButton>("Command3");
    Command4 = child<QPushButton>("Command4");
    Option1 = child<QRadioButton>("Option1");
    Option1->setChecked(true);
    Combo1 = child<QComboBox>("Combo1");
    child<QLabel>("Label3")->setBuddy(Combo1);
    Frame4 = child<QGroupBox>("Frame4");
    List1 = child<QListWidget>("List1");
}

void Form1::chainTabOrder() {
    // The controls that take focus, in the table's order.
    QWidget* previous = nullptr;
    for (const FormControl& control : formControls) {
        QWidget* widget = child<QWidget>(control.name);
        if (!(widget->focusPolicy() & Qt::TabFocus)) {
            continue;
        }
        if (previous) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
}

void Form1::browseInputFiles() {
    ChosenFiles chosen;
    try {
        chosen = dlgfiles.openFiles();
    } catch (const DialogError& error) {
        showUpdate(core_.inputDialogFailed(error.number(), error.description()));
        return;
    }
    showUpdate(core_.filesChosen(chosen));
}

void Form1::openCommandLine(const std::vector<std::string>& arguments) {
    showUpdate(core_.commandLine(arguments));
}

void Form1::convert() {
    WindowUpdate update;
    {
        // Busy until the list and the output box show how the batch went; the
        // message box after it waits for a person.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto idle = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        update = core_.convert(chosenFormat(Option1->isChecked()),
                               anodes[static_cast<std::size_t>(Combo1->currentIndex())]);
        if (update.question) {
            QGuiApplication::restoreOverrideCursor();
            const ConvertAnswer answer = messageBox_.ask(this, *update.question);
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            update = core_.questionAnswered(answer);
        }
        showBoxesAndLines(update);
    }
    showMessage(update.message);
}

void Form1::browseOutputDirectory() {
    std::string directory;
    try {
        directory = dlgfiles.chooseDirectory();
    } catch (const DialogError&) {
        return;
    }
    showUpdate(core_.outputDirectoryChosen(directory));
}

bool Form1::onOutputFrame(QPoint position) const {
    return Frame4->geometry().contains(position);
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    // Whether a drop would do anything depends on where it lands.
    if (!droppedPaths(event->mimeData()).empty()) {
        event->accept();
    }
}

void Form1::dragMoveEvent(QDragMoveEvent* event) {
    const QPoint position = event->position().toPoint();
    if (core_.dropTarget(droppedPaths(event->mimeData()), onOutputFrame(position)) !=
        DropTarget::Nothing) {
        // Copy, never move: the dragged files stay where they are.
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void Form1::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = droppedPaths(event->mimeData());
    const bool onOutput = onOutputFrame(event->position().toPoint());
    if (core_.dropTarget(paths, onOutput) == DropTarget::Nothing) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // Once the drop has ended, so that a message box does not hold up the
    // program the files were dragged from.
    QMetaObject::invokeMethod(
        this, [this, paths, onOutput] { showUpdate(core_.dropped(paths, onOutput)); },
        Qt::QueuedConnection);
}

void Form1::exitProgram() {
    // At once: no question, and nothing is open or unsaved between commands.
    QCoreApplication::exit(0);
}

void Form1::openPreview(QListWidgetItem* line) {
    // Enter on several selected lines overlays their scans; a double-click
    // opens the line clicked.
    std::vector<std::size_t> rows{static_cast<std::size_t>(List1->row(line))};
    if (line->isSelected()) {
        rows.clear();
        for (const QModelIndex& selected : List1->selectionModel()->selectedRows()) {
            rows.push_back(static_cast<std::size_t>(selected.row()));
        }
        std::sort(rows.begin(), rows.end());
    }
    PreviewOpening opening = core_.openPreview(rows);
    if (!opening.scans.empty()) {
        (new PreviewWindow(PreviewPlot(std::move(opening.scans)), this, messageBox_))->show();
    }
    showMessage(opening.message);
}

void Form1::showUpdate(const WindowUpdate& update) {
    showBoxesAndLines(update);
    showMessage(update.message);
}

void Form1::showBoxesAndLines(const WindowUpdate& update) {
    if (update.inputBox) {
        Text1->setText(shown(*update.inputBox));
    }
    if (update.outputBox) {
        Text2->setText(shown(*update.outputBox));
    }
    if (update.tube) {
        Combo1->setCurrentIndex(static_cast<int>(
            std::find(std::begin(anodes), std::end(anodes), *update.tube) - std::begin(anodes)));
    }
    for (auto row = static_cast<std::size_t>(List1->count()); row < core_.statusLineCount();
         ++row) {
        List1->addItem(shown(core_.statusLine(row)));
    }
    // So that a press shows what it did, however long the list has grown.
    List1->scrollToBottom();
}

void Form1::showMessage(const std::optional<std::string>& text) {
    if (text) {
        messageBox_.show(this, shown(*text));
    }
}

} // namespace scanmill
