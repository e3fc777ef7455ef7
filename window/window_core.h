// SPDX-License-Identifier: MIT
#pragma once

#include "anode.h"
#include "chosen_files.h"
#include "convert_selection.h"
#include "form.h"
#include "plot_layout.h"
#include "scan_preview.h"
#include "scan_record.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace scanmill {

// The window's rules without a toolkit: every front end holds one WindowCore,
// hands it each event and shows what comes back. Texts are UTF-8; paths are
// the bytes the system gave (UTF-8 with "\" on Windows, as the engine takes
// them), also in the texts that show them.

inline constexpr char windowCaption[] = "Scanmill (v1.0)";
inline constexpr char messageTitle[] = "Scanmill";

// Files one selection holds at most; more are refused with a message.
inline constexpr std::size_t maxSelectedFiles = 101;

// The format Convert writes: two-column text while the first option button
// (Option1, selected at start) is selected, Bruker files otherwise.
constexpr OutputFormat chosenFormat(bool firstOptionSelected) {
    return firstOptionSelected ? OutputFormat::TwoColumnAscii : OutputFormat::BrukerRaw;
}

// The answers to Convert's question, each a button: "Use whole names", the
// default; "Replace", where offered; and "Cancel", which closing the box
// answers too.
enum class ConvertAnswer { WholeNames, Replace, Cancel };
inline constexpr char wholeNamesButton[] = "Use whole names";
inline constexpr char replaceButton[] = "Replace";
inline constexpr char cancelButton[] = "Cancel";

// Convert's question, when an output may hold another scan: two files of
// the press would be written to it, or it exists and a file whose name was
// cut at its first dot would replace it. Whole names (cut at the last dot)
// keep every scan's output.
struct ConvertQuestion {
    std::string text;
    bool offersReplace = false; // not where two files would meet on one output
};

// What the front end shows after one event. Members left unset (or empty)
// change nothing.
struct WindowUpdate {
    std::optional<std::string> inputBox;  // Text1's new text
    std::optional<std::string> outputBox; // Text2's new text
    std::optional<Anode> tube;            // Combo1's new choice
    // List1 shows statusLine(row) for every row below statusLineCount(): the
    // lines an event added go at its end.
    // Shown last, once the boxes and the list show the rest: a message box
    // titled messageTitle, with an OK button only and no icon.
    std::optional<std::string> message;
    // Asked before anything else is done: a question box titled
    // messageTitle, with the question icon and the buttons of
    // ConvertAnswer. The front end hands the answer to questionAnswered.
    std::optional<ConvertQuestion> question;
};

// Files a question names one by one; the rest are counted.
inline constexpr std::size_t filesNamed = 10;

// What dropping these paths there would do.
enum class DropTarget {
    Nothing,         // refused: the front end declines the drop
    InputFiles,      // the scans among them, and in directories among them, are selected
    OutputDirectory, // one directory dropped on the output frame
};

class WindowCore {
public:
    const FileSelection& selection() const { return selection_; }

    // The input Browse's dialog chose these files. More than
    // maxSelectedFiles are refused with a message.
    WindowUpdate filesChosen(const ChosenFiles& chosen);

    // The input Browse's dialog ended without a value: cancelling
    // (fileDialog::cancelError) changes nothing; any other failure is shown.
    // The selection stays either way.
    WindowUpdate inputDialogFailed(int number, const std::string& description);

    // Paths named on the command line or dropped on the window: the ".raw"
    // files among them (any case, not directories) become the selection as
    // if chosen with the input Browse, provided they lie in one directory.
    // Relative paths are taken against the working directory.
    WindowUpdate filesOpened(const std::vector<std::string>& paths);

    // The window's command line: files, selected as filesOpened selects
    // them, and "--anode X" (or "--anode=X"), the tube chosen at start, so
    // that a lab can put its tube into its shortcut. An unknown tube is
    // named in a message, and Cu stays.
    WindowUpdate commandLine(const std::vector<std::string>& arguments);

    // The output Browse chose this directory (the separator is appended).
    // A directory chosen so stays for every later Convert.
    WindowUpdate outputDirectoryChosen(const std::string& directory);

    // Where a drop would go: onOutputFrame tells whether it lands on the
    // output frame. A front end asks while dragging, to accept or decline.
    DropTarget dropTarget(const std::vector<std::string>& paths, bool onOutputFrame) const;

    // The paths were dropped: the output directory (a directory dropped on
    // the output frame, kept as one chosen with Browse), or the scans among
    // them, a directory standing for its own, selected as filesOpened
    // selects them. Dropped files that are no scans are named in a message.
    WindowUpdate dropped(const std::vector<std::string>& paths, bool onOutputFrame);

    // Convert: the batch over the selection in this format. The first
    // failure ends it and comes back as the message; the lines of the files
    // before it come back too. The front end shows the busy cursor meanwhile.
    // When an output may hold another scan and whole names would keep
    // every one, nothing is done yet: the question comes back.
    WindowUpdate convert(OutputFormat format, Anode tube = Anode::Cu);

    // The status list: every line the window has logged, in order, shown
    // as names are shown everywhere (a line break would split a line, and
    // U+202E turn it round).
    std::size_t statusLineCount() const { return log_.lines().size(); }
    std::string statusLine(std::size_t row) const;

    // Double-click or Enter on the status list's lines at these rows (from
    // 0): their scans, read again, for one preview window. Lines that stand
    // for no scan are passed over; more than mostOverlaidScans scans are
    // refused with a message.
    PreviewOpening openPreview(const std::vector<std::size_t>& rows) const;

    // The person answered Convert's question: the press is converted with
    // whole names, or with the names it had, replacing what is there;
    // Cancel does nothing, and the selection stays.
    WindowUpdate questionAnswered(ConvertAnswer answer);

private:
    WindowUpdate press(OutputFormat format, Anode tube, NameRule rule, bool mayAsk);

    StatusLog log_;
    FileSelection selection_;
    // The output directory was filled in by Convert from the input directory,
    // so that it follows the input to another directory.
    bool outputFollowsInput_ = false;
    // The format and tube of the press whose question waits for its answer.
    std::optional<std::pair<OutputFormat, Anode>> asked_;
};

} // namespace scanmill
