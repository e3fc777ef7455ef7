// SPDX-License-Identifier: MIT
#include "main_window.h"

#include "native_paths.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>

namespace scanmill {

namespace {

// The layout is given in twips; the window counts 15 twips to a pixel.
QRect twips(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

QFont sansSerif(const QStringList& families, qreal pointSize, bool bold = false) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont trebuchet(qreal pointSize, bool bold = false) {
    return sansSerif({QStringLiteral("Trebuchet MS")}, pointSize, bold);
}

// The controls' geometry was measured with the 8 pt dialog font; larger
// default fonts would cut their texts off.
QFont dialogFont() {
    return sansSerif({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial")},
                     8);
}

template <typename Control>
Control* place(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* control = new Control(text, parent);
    control->setObjectName(QLatin1StringView(name));
    control->setGeometry(geometry);
    control->setAccessibleName(text);
    return control;
}

// A box that shows a choice: people can select and copy its text but not
// edit it, as typed text would never be read.
QLineEdit* showOnly(QLineEdit* box, const QString& frameTitle) {
    box->setReadOnly(true);
    box->setAccessibleName(frameTitle);
    return box;
}

} // namespace

Form1::Form1(FileDialogBackend dialogBackend, QWidget* parent)
    : QWidget(parent), dlgfiles(this, std::move(dialogBackend)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(windowCaption));
    resize(723, 442);
    setFont(dialogFont());
    setAcceptDrops(true);
    createControls();
    chainTabOrder();

    connect(Command1, &QPushButton::clicked, this, &Form1::browseInputFiles);
    connect(Command2, &QPushButton::clicked, this, &Form1::convert);
    connect(Command3, &QPushButton::clicked, this, &Form1::browseOutputDirectory);
    connect(Command4, &QPushButton::clicked, this, &Form1::exitProgram);
}

void Form1::createControls() {
    // Controls that sit over a frame are made after it, which stacks them
    // above it, so that the frame does not take their clicks.
    Label1 = place<QLabel>(this, "Label1", QStringLiteral("Scanmill"), twips(240, 0, 2175, 735));
    Label1->setFont(trebuchet(24));
    Label2 = place<QLabel>(
        this, "Label2", QStringLiteral("Rigaku D/Max-B x-ray data file format conversion program"),
        twips(240, 600, 5775, 255));
    Label2->setFont(trebuchet(9.75));

    Frame1 = place<QGroupBox>(this, "Frame1", QStringLiteral("Rigaku Input file(s)"),
                              twips(480, 1200, 9975, 1095));
    Text1 = showOnly(place<QLineEdit>(Frame1, "Text1", QString::fromUtf8(noInputText),
                                      twips(360, 360, 8055, 495)),
                     Frame1->title());
    Command1 =
        place<QPushButton>(this, "Command1", QStringLiteral("Browse"), twips(9120, 1560, 855, 495));

    Frame4 = place<QGroupBox>(this, "Frame4", QStringLiteral("Output directory"),
                              twips(480, 2400, 9975, 1095));
    Text2 = showOnly(place<QLineEdit>(Frame4, "Text2", QString::fromUtf8(noOutputText),
                                      twips(360, 360, 8055, 525)),
                     Frame4->title());
    Command3 = place<QPushButton>(Frame4, "Command3", QStringLiteral("Browse"),
                                  twips(8640, 360, 855, 495));

    Frame2 = place<QGroupBox>(this, "Frame2", QStringLiteral("Convert to which format . . ."),
                              twips(480, 3720, 2655, 1575));
    Frame2->setToolTip(QStringLiteral("Select desired output format"));
    Option1 = place<QRadioButton>(this, "Option1", QStringLiteral("2-column ASCII"),
                                  twips(720, 4080, 1575, 375));
    Option1->setChecked(true);
    Option2 = place<QRadioButton>(this, "Option2", QStringLiteral("Bruker-AXS Diffrac Plus"),
                                  twips(720, 4560, 2175, 375));

    Frame3 = place<QGroupBox>(this, "Frame3", QStringLiteral("Status window"),
                              twips(3600, 3720, 7095, 2775));
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(twips(3840, 4080, 6615, 2205));
    List1->setAccessibleName(Frame3->title());

    Command2 = place<QPushButton>(this, "Command2", QStringLiteral("Convert"),
                                  twips(480, 5520, 1335, 615));
    Command2->setFont(trebuchet(12, true));
    Command2->setToolTip(QStringLiteral("Click to begin conversion"));
    Command4 =
        place<QPushButton>(this, "Command4", QStringLiteral("Exit"), twips(2280, 5760, 855, 375));
    Command4->setToolTip(QStringLiteral("Close program"));

    // Enter presses the focused button, as Space does.
    for (QPushButton* button : {Command1, Command2, Command3, Command4})
        button->setAutoDefault(true);
}

void Form1::chainTabOrder() {
    // The order of the controls that take focus.
    QWidget* const chain[] = {Command1, Command2, List1,    Text1,   Option1,
                              Option2,  Text2,    Command3, Command4};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i], chain[i + 1]);
}

void Form1::browseInputFiles() {
    try {
        dlgfiles.setFlags(fileDialog::inputFlags);
        dlgfiles.setFilter(QString::fromUtf8(fileDialog::inputFilter));
        dlgfiles.showOpen();
    } catch (const DialogError& error) {
        showUpdate(core_.inputDialogFailed(error.number(), error.description()));
        return;
    }
    showUpdate(core_.filesChosen(dlgfiles.fileName()));
}

void Form1::openFiles(const std::vector<std::string>& paths) {
    showUpdate(core_.filesOpened(paths));
}

void Form1::convert() {
    WindowUpdate update;
    {
        // Busy until the list and the output box show how the batch went; the
        // message box after it waits for a person.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto idle = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        update = core_.convert(Option1->isChecked() ? OutputFormat::TwoColumnAscii
                                                    : OutputFormat::BrukerRaw);
        showBoxesAndLines(update);
    }
    showMessage(update.message);
}

void Form1::browseOutputDirectory() {
    try {
        dlgfiles.setFlags(fileDialog::outputFlags);
        dlgfiles.setFileName(fileDialog::outputFileName);
        dlgfiles.setFilter(QString::fromUtf8(fileDialog::outputFilter));
        dlgfiles.showDirectory();
    } catch (const DialogError&) {
        return;
    }
    showUpdate(core_.outputDirectoryChosen(dlgfiles.fileName()));
}

bool Form1::onOutputFrame(QPoint position) const {
    return Frame4->geometry().contains(position);
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    // Whether a drop would do anything depends on where it lands.
    if (!droppedPaths(event->mimeData()).empty())
        event->accept();
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

void Form1::showUpdate(const WindowUpdate& update) {
    showBoxesAndLines(update);
    showMessage(update.message);
}

void Form1::showBoxesAndLines(const WindowUpdate& update) {
    if (update.inputBox)
        Text1->setText(shown(*update.inputBox));
    if (update.outputBox)
        Text2->setText(shown(*update.outputBox));
    for (const std::string& line : update.statusLines)
        List1->addItem(shown(line));
}

void Form1::showMessage(const std::optional<std::string>& text) {
    if (!text)
        return;
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(messageTitle), shown(*text),
                    QMessageBox::Ok, this);
    box.exec();
}

} // namespace scanmill
