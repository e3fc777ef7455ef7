// SPDX-License-Identifier: MIT
// The system's own Open dialog and message box, answered from a timer as a
// person would answer them: by typing into the dialog and pressing its
// buttons.
#include "window_test_support.h"

#include <dlgs.h>
#include <functional>

namespace scanmill::testing {
namespace {

namespace fs = std::filesystem;
using namespace win32;

// While it lives, each tick hands the thread's topmost open dialog to the
// next step of the script; a step returns false to be tried again at the
// next tick. A dialog still open once the script is done, or that a step
// waits for too long, is cancelled, so that no test waits for a person.
class Answering {
public:
    using Step = std::function<bool(HWND dialog)>;

    explicit Answering(std::vector<Step> steps) : steps_(std::move(steps)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 100, tick);
    }
    ~Answering() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    Answering(const Answering&) = delete;
    Answering& operator=(const Answering&) = delete;

    bool done() const { return next_ == steps_.size(); }

private:
    static BOOL CALLBACK findDialog(HWND window, LPARAM found) {
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (IsWindowVisible(window) && std::wstring_view(className) == L"#32770") {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!current_ || !dialog) {
            return;
        }
        if (current_->done() || ++current_->waited_ > 50) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            ADD_FAILURE() << "a dialog the script could not answer was cancelled";
        } else if (current_->steps_[current_->next_](dialog)) {
            ++current_->next_;
            current_->waited_ = 0;
        }
    }

    static inline Answering* current_ = nullptr;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int waited_ = 0; // ticks since the last step was taken
    UINT_PTR timer_ = 0;
};

// Types text into the Open dialog's file name box and presses Open.
Answering::Step typeIntoOpenDialog(std::wstring text) {
    return [text](HWND dialog) {
        if (windowText(dialog) == L"Scanmill") {
            return false;
        }
        HWND name = GetDlgItem(dialog, cmb13);
        if (!name) {
            name = GetDlgItem(dialog, edt1);
        }
        if (!name) {
            return false;
        }
        SetWindowTextW(name, text.c_str());
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return true;
    };
}

// Reads the message box's text into shown and presses OK.
Answering::Step answerMessageBox(std::wstring& shown) {
    return [&shown](HWND dialog) {
        if (windowText(dialog) != L"Scanmill") {
            return false;
        }
        for (const std::wstring& text : childTexts(dialog, L"Static")) {
            shown += text;
        }
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return true;
    };
}

class RealDialogsTest : public WindowTest {
protected:
    void SetUp() override { open(systemDialogs()); }
};

// 101 names as long as a person might give them, typed in the dialog's own
// quoted form: far more than the 260 characters of the dialog's default
// buffer. One more is refused by the real message box, the selection kept.
// How the Open dialog's failures reach the window core.
TEST(OpenDialogFailure, CancelAndSmallBufferAsTheCoreWordsThem) {
    EXPECT_EQ(openDialogFailure(0).error, fileDialog::cancelError);
    EXPECT_EQ(openDialogFailure(FNERR_BUFFERTOOSMALL).error, fileDialog::bufferTooSmallError);
    EXPECT_EQ(openDialogFailure(FNERR_BUFFERTOOSMALL).description,
              fileDialog::bufferTooSmallDescription);
    const OpenDialogResult other = openDialogFailure(CDERR_DIALOGFAILURE);
    EXPECT_EQ(other.error, CDERR_DIALOGFAILURE);
    EXPECT_EQ(other.description, "The dialog box could not be created.");
}

// Started in its own folder, as its shortcuts start it, the first Open
// dialog shows the user's Documents rather than Program Files.
TEST_F(RealDialogsTest, OpenDialogStartsInDocumentsWhereTheProgramStartsInItsFolder) {
    std::wstring program(MAX_PATH, L'\0');
    program.resize(GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
    const fs::path working = fs::current_path();
    ScratchDirectory elsewhere;
    fs::current_path(elsewhere.path());
    EXPECT_TRUE(openDialogStart().empty());
    fs::current_path(fs::path(program).parent_path());
    const std::wstring documents = openDialogStart();
    std::wstring shown;
    {
        Answering person({[&shown](HWND dialog) {
            std::wstring folder(MAX_PATH, L'\0');
            folder.resize(static_cast<std::size_t>(
                std::max<LRESULT>(0, SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH,
                                                  reinterpret_cast<LPARAM>(folder.data())) -
                                         1)));
            shown = folder;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return true;
        }});
        click(Command1);
    }
    fs::current_path(working);
    EXPECT_FALSE(documents.empty());
    EXPECT_EQ(shown, documents);
}

TEST_F(RealDialogsTest, OpenDialogTakesOneHundredAndOneLongNamesAndRefusesMore) {
    ScratchDirectory dir;
    std::vector<std::wstring> names;
    std::wstring typed;
    for (int i = 1; i <= 102; ++i) {
        names.push_back(L"Quartz standard, 40 kV 30 mA, slit 1 deg, measured again " +
                        std::to_wstring(i) + L".raw");
        typed += L"\"" + names.back() + L"\" ";
        if (i == 101) {
            writeScans(dir.path(), names);
            Answering person({typeIntoOpenDialog(dir.path().wstring()), typeIntoOpenDialog(typed)});
            SetFocus(control(Command1));
            click(Command1);
            EXPECT_TRUE(person.done());
            // Back where it was, so that the keys go on from there.
            EXPECT_EQ(GetFocus(), control(Command1));
        }
    }
    ASSERT_EQ(form->core().selection().fileNames.size(), 101U);
    EXPECT_EQ(text(Text1), dir.path().wstring() + L"\\ . . .  101 files selected");
    EXPECT_EQ(form->core().selection().fileNames[100], utf8(names[100]));

    writeScans(dir.path(), names);
    std::wstring shown;
    {
        Answering person({typeIntoOpenDialog(dir.path().wstring()), typeIntoOpenDialog(typed),
                          answerMessageBox(shown)});
        click(Command1);
        EXPECT_TRUE(person.done());
    }
    EXPECT_EQ(shown.rfind(L"102 files were selected", 0), 0U) << utf8(shown);
    EXPECT_EQ(form->core().selection().fileNames.size(), 101U);
}

} // namespace
} // namespace scanmill::testing
