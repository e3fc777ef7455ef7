// SPDX-License-Identifier: MIT
// The Win32 window driven with messages: its form, and that each press, drop
// and dialog reaches the window core and shows what comes back. The rules
// themselves are the core's and are tested there.
#include "command_line.h"
#include "form.h"
#include "preview_window.h"
#include "window_test_support.h"

#include <commctrl.h>
#include <tuple>
#include <windowsx.h>

namespace scanmill::testing {
namespace {

namespace fs = std::filesystem;
using namespace win32;

// The status line of a converted file, worded as the engine words it.
std::wstring convertedLine(const std::wstring& input, OutputFormat format,
                           const std::wstring& output) {
    return input + wide(statusLine("", formatNames(format).description, "")) + output;
}

RECT clientRectOf(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The tests run at the system's 96 dpi, where a pixel is 15 twips.
TEST_F(WindowTest, FormHasTheClientSizeAndEveryControlItsPlace) {
    RECT client;
    GetClientRect(form->handle(), &client);
    EXPECT_EQ(client.right, formWidth / twipsPerPixel);
    EXPECT_EQ(client.bottom, formHeight / twipsPerPixel);
    EXPECT_EQ(windowText(form->handle()), L"Scanmill (v1.0)");

    // Frames' children are placed within their frame, in the window.
    for (const FormControl& item : formControls) {
        const RECT rect = clientRectOf(
            GetDlgItem(form->handle(), Command1 + static_cast<int>(&item - formControls)));
        const FormRect place = placeInForm(item);
        EXPECT_EQ(rect.left, place.left / twipsPerPixel) << item.name;
        EXPECT_EQ(rect.top, place.top / twipsPerPixel) << item.name;
        EXPECT_EQ(rect.right - rect.left, place.width / twipsPerPixel) << item.name;
        // A closed drop-down list is as tall as its font makes it: within its place.
        if (item.kind == ControlKind::DropDownList) {
            EXPECT_LE(rect.bottom - rect.top, place.height / twipsPerPixel) << item.name;
        } else {
            EXPECT_EQ(rect.bottom - rect.top, place.height / twipsPerPixel) << item.name;
        }
    }
    EXPECT_EQ(text(Combo1), L"Cu");
    EXPECT_EQ(SendMessageW(control(Combo1), CB_GETCOUNT, 0, 0), 6);
    EXPECT_EQ(text(Text1), L"Browse to files . . .");
    EXPECT_EQ(text(Text2), L"Browse to directory . . .");
    EXPECT_EQ(IsDlgButtonChecked(form->handle(), Option1), BST_CHECKED);
    EXPECT_EQ(SendMessageW(control(List1), LB_GETCOUNT, 0, 0), 0);
}

// Moved to a monitor of 144 dpi, the window scales every control and font.
TEST_F(WindowTest, FormFollowsTheMonitorsDpi) {
    RECT suggested{0, 0, 1100, 700};
    SendMessageW(form->handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    const RECT rect = clientRectOf(control(Command2));
    EXPECT_EQ(rect.left, 48);
    EXPECT_EQ(rect.top, 552);
    EXPECT_EQ(rect.right - rect.left, 134);
    EXPECT_EQ(rect.bottom - rect.top, 62);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control(Command2), WM_GETFONT, 0, 0)),
               sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -24); // 12 pt
}

TEST_F(WindowTest, TabFollowsTheTabOrderAndReachesTheChosenOption) {
    const auto tabFrom = [this](Control start, std::size_t steps) {
        SetFocus(control(start));
        std::vector<int> visited;
        for (std::size_t i = 0; i < steps; ++i) {
            press(VK_TAB);
            visited.push_back(GetDlgCtrlID(GetFocus()));
        }
        return visited;
    };
    EXPECT_EQ(tabFrom(Command1, 9), (std::vector<int>{Command2, List1, Text1, Option1, Combo1,
                                                      Text2, Command3, Command4, Command1}));
    // One group: choosing the second option clears the first, and Tab then
    // stops at the second.
    click(Option2);
    EXPECT_EQ(IsDlgButtonChecked(form->handle(), Option1), BST_UNCHECKED);
    EXPECT_EQ(tabFrom(Text1, 1), std::vector<int>{Option2});
}

// The boxes only show; Enter and Space press the focused button.
TEST_F(WindowTest, KeysPressButtonsButTypeNothingIntoTheBoxes) {
    for (const Control box : {Text1, Text2}) {
        EXPECT_TRUE(GetWindowLongPtrW(control(box), GWL_STYLE) & ES_READONLY) << box;
        SetFocus(control(box));
        SendMessageW(control(box), WM_CHAR, L'x', 0);
    }
    EXPECT_EQ(text(Text1), L"Browse to files . . .");
    EXPECT_EQ(text(Text2), L"Browse to directory . . .");
    SetFocus(control(Command2));
    press(VK_RETURN);
    EXPECT_EQ(lines().size(), 1U);
    press(VK_SPACE);
    EXPECT_EQ(lines(), std::vector<std::wstring>(2, L"No files have been selected."));
}

// Each dialog's answer reaches its box; a cancel changes nothing, another
// failure is shown by its code.
TEST_F(WindowTest, DialogsAndDropsFillTheirBoxes) {
    ScratchDirectory dir;
    writeScans(dir.path(), {L"a.raw", L"b.RAW"});
    choose(dir.path(), {L"a.raw"});
    click(Command1); // nothing scripted: cancelled
    EXPECT_TRUE(messages.empty());
    openAnswers.push_back(
        {{}, fileDialog::bufferTooSmallError, fileDialog::bufferTooSmallDescription});
    click(Command1);
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].rfind("Error 20476 selecting files.\n", 0), 0U) << messages[0];
    EXPECT_EQ(text(Text1), (dir.path() / L"a.raw").wstring());

    folderAnswers.push_back(dir.path().wstring());
    click(Command3);
    click(Command3); // cancelled
    EXPECT_EQ(text(Text2), dir.path().wstring() + L"\\");

    // Not while a message box holds the window.
    EnableWindow(form->handle(), FALSE);
    drop({(dir.path() / L"b.RAW").wstring()}, {400, 40});
    EXPECT_EQ(text(Text1), (dir.path() / L"a.raw").wstring());
    EnableWindow(form->handle(), TRUE);
    drop({(dir.path() / L"a.raw").wstring(), (dir.path() / L"b.RAW").wstring()}, {400, 40});
    EXPECT_EQ(text(Text1), dir.path().wstring() + L"\\ . . .  2 files selected");

    // A folder is the output folder on the output frame, and stands for
    // its scans anywhere else.
    ScratchDirectory out("out");
    drop({out.path().wstring()}, {300, 165}); // on the output frame's caption
    EXPECT_EQ(text(Text2), out.path().wstring() + L"\\");
    drop({dir.path().wstring()}, {300, 270}); // on the status list
    EXPECT_EQ(text(Text1), dir.path().wstring() + L"\\ . . .  2 files selected");
    EXPECT_EQ(text(Text2), out.path().wstring() + L"\\");
}

TEST_F(WindowTest, FilesOnTheCommandLineStartSelected) {
    EXPECT_EQ(commandLineArguments(
                  LR"("C:\Program Files\Scanmill\scanmill.exe" "C:\my scans\a.raw" b.raw)"),
              (std::vector<std::wstring>{LR"(C:\my scans\a.raw)", L"b.raw"}));
    EXPECT_TRUE(commandLineArguments(L"scanmill.exe").empty());

    ScratchDirectory dir;
    writeScans(dir.path(), {L"a.raw"});
    form->openCommandLine({L"--anode", L"Fe", (dir.path() / L"a.raw").wstring()});
    EXPECT_EQ(text(Text1), (dir.path() / L"a.raw").wstring());
    EXPECT_EQ(text(Combo1), L"Fe");
}

TEST_F(WindowTest, ConvertWritesBothFormatsAndListsLinesInOrder) {
    ScratchDirectory dir;
    writeScans(dir.path(), {L"b.raw", L"a.raw"});
    choose(dir.path(), {L"b.raw", L"a.raw"});
    click(Command2);
    EXPECT_EQ(text(Text2), dir.path().wstring() + L"\\");
    click(Option2);
    click(Command2);
    EXPECT_EQ(lines(), (std::vector<std::wstring>{
                           convertedLine(L"b.raw", OutputFormat::TwoColumnAscii, L"b.dat"),
                           convertedLine(L"a.raw", OutputFormat::TwoColumnAscii, L"a.dat"),
                           convertedLine(L"b.raw", OutputFormat::BrukerRaw, L"b_b.raw"),
                           convertedLine(L"a.raw", OutputFormat::BrukerRaw, L"a_b.raw"),
                       }));
    EXPECT_TRUE(messages.empty());
}

// Convert's question as the system shows it: its buttons say what they do,
// each answers so, and Replace is there only where offered.
TEST(ConvertQuestionDialog, ButtonsSayWhatTheyDoAndAnswerSo) {
    struct Person {
        int clicks;
        std::vector<std::wstring> buttons;
    };
    const PFTASKDIALOGCALLBACK play = [](HWND dialog, UINT notification, WPARAM, LPARAM,
                                         LONG_PTR data) -> HRESULT {
        if (notification == TDN_CREATED) {
            auto& person = *reinterpret_cast<Person*>(data);
            person.buttons = childTexts(dialog, L"Button");
            PostMessageW(dialog, TDM_CLICK_BUTTON, static_cast<WPARAM>(person.clicks), 0);
        }
        return S_OK;
    };
    const int wholeNames = questionButtonBase + static_cast<int>(ConvertAnswer::WholeNames);
    const int replace = questionButtonBase + static_cast<int>(ConvertAnswer::Replace);
    for (const auto& [offersReplace, clicks, answer] :
         {std::tuple{true, wholeNames, ConvertAnswer::WholeNames},
          std::tuple{true, replace, ConvertAnswer::Replace},
          std::tuple{false, IDCANCEL, ConvertAnswer::Cancel}}) {
        Person person{clicks, {}};
        EXPECT_EQ(askConvertQuestion(nullptr, {"Sure?", offersReplace}, play,
                                     reinterpret_cast<LONG_PTR>(&person)),
                  answer);
        const auto has = [&](const wchar_t* text) {
            return std::find(person.buttons.begin(), person.buttons.end(), text) !=
                   person.buttons.end();
        };
        EXPECT_TRUE(has(L"Use whole names"));
        EXPECT_EQ(has(L"Replace"), offersReplace);
    }
}

// Thirty files, two of whose first-dot names clash: after "Use whole names", the list
// shows its newest line, and scrolls far enough to read its longest one.
TEST_F(WindowTest, AnsweredClashConvertsAndTheListShowsItsNewestAndLongestLine) {
    ScratchDirectory dir;
    std::vector<std::wstring> names = {L"Fe2O3_0.5mm.raw", L"Fe2O3_0.7mm.raw",
                                       std::wstring(120, L'x') + L".raw"};
    for (int i = static_cast<int>(names.size()); i < 30; ++i) {
        names.push_back(L"scan" + std::to_wstring(i) + L".raw");
    }
    writeScans(dir.path(), names);
    choose(dir.path(), names);
    questionAnswers.push_back(ConvertAnswer::WholeNames);
    click(Command2);
    ASSERT_EQ(questions.size(), 1U);
    EXPECT_TRUE(questions[0].starts_with("These outputs may hold other scans:\nFe2O3_0.dat: "
                                         "Fe2O3_0.5mm.raw and Fe2O3_0.7mm.raw would both be "
                                         "written to it\n"))
        << questions[0];
    EXPECT_TRUE(messages.empty());
    const std::vector<std::wstring> shown = lines();
    ASSERT_EQ(shown.size(), 30U);
    EXPECT_EQ(shown[0],
              convertedLine(L"Fe2O3_0.5mm.raw", OutputFormat::TwoColumnAscii, L"Fe2O3_0.5mm.dat"));

    const HWND list = control(List1);
    RECT client{};
    GetClientRect(list, &client);
    RECT last{};
    SendMessageW(list, LB_GETITEMRECT, 29, reinterpret_cast<LPARAM>(&last));
    EXPECT_GT(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0);
    EXPECT_TRUE(last.top >= client.top && last.bottom <= client.bottom);
    const HDC dc = GetDC(list);
    const auto previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE longest{};
    GetTextExtentPoint32W(dc, shown[2].c_str(), static_cast<int>(shown[2].size()), &longest);
    SelectObject(dc, previous);
    ReleaseDC(list, dc);
    EXPECT_GE(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), longest.cx);
}

TEST_F(WindowTest, FailureMidBatchIsShownAfterTheLinesBeforeIt) {
    ScratchDirectory dir;
    writeScans(dir.path(), {L"s1.raw", L"s3.raw"});
    choose(dir.path(), {L"s1.raw", L"s2.raw", L"s3.raw"});
    click(Command2);
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_NE(messages[0].find("converting files.\n"), std::string::npos) << messages[0];
    EXPECT_EQ(linesAtMessage[0], 1U);
}

// Names beyond the system's code page go through UTF-16 at the window and
// UTF-8 in the engine without a byte lost.
TEST_F(WindowTest, NamesBeyondTheCodePageConvert) {
    ScratchDirectory root;
    const fs::path dir = root.path() / L"Proben \u00fc\u65e5";
    fs::create_directories(dir);
    const std::wstring name = L"Quarz \u00e4\u03b4\U0001F52C.raw";
    writeScans(dir, {name});
    choose(dir, {name});
    EXPECT_EQ(text(Text1), (dir / name).wstring());
    click(Command2);
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_TRUE(fs::exists(dir / L"Quarz \u00e4\u03b4\U0001F52C.dat"));
    EXPECT_EQ(lines(),
              std::vector<std::wstring>{convertedLine(name, OutputFormat::TwoColumnAscii,
                                                      L"Quarz \u00e4\u03b4\U0001F52C.dat")});
}

// The preview windows open, each with its scan, in their order of opening.
std::vector<HWND> previews() {
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) {
            if (previewIn(window)) {
                reinterpret_cast<std::vector<HWND>*>(list)->insert(
                    reinterpret_cast<std::vector<HWND>*>(list)->begin(), window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST_F(WindowTest, StatusLineOpensAPreviewOfItsScan) {
    ScratchDirectory dir;
    for (const auto& [name, title] : {std::pair{L"a.raw", "First"}, {L"b.raw", "Second"}}) {
        RigakuFields fields;
        fields.title = title;
        writeFile(dir.path() / name, rigakuBytes(fields));
    }
    choose(dir.path(), {L"a.raw", L"b.raw"});
    click(Command2);
    const HWND list = control(List1);

    // A person's double-click on the second line, as the list receives it.
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    // The list's tip covers only its empty part, below the last line.
    wchar_t tipText[80] = {};
    TOOLINFOW tip{};
    tip.cbSize = sizeof tip;
    tip.hwnd = list;
    tip.uId = List1;
    tip.lpszText = tipText;
    ASSERT_TRUE(
        SendMessageW(form->toolTips(), TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tip)));
    RECT client{};
    GetClientRect(list, &client);
    EXPECT_EQ(tip.rect.top, item.bottom);
    EXPECT_EQ(tip.rect.bottom, client.bottom);
    EXPECT_EQ(std::wstring(tipText), L"Double-click a line to see its scan");
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    const auto send = [&](std::initializer_list<UINT> messages) {
        for (const UINT message : messages) {
            SendMessageW(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
        }
    };
    send({WM_LBUTTONDOWN, WM_LBUTTONUP});
    EXPECT_TRUE(previews().empty()) << "a click only selects";
    send({WM_LBUTTONDBLCLK, WM_LBUTTONUP});
    ASSERT_EQ(previews().size(), 1U);
    const HWND second = previews()[0];
    EXPECT_EQ(windowText(second), L"b.raw - Scanmill");
    EXPECT_EQ(previewIn(second)->scans()[0].scan.title, "Second");
    EXPECT_TRUE(IsWindowVisible(second));

    SendMessageW(list, LB_SETSEL, FALSE, -1);
    SendMessageW(list, LB_SETSEL, TRUE, 0);
    SetFocus(list);
    press(VK_RETURN);
    ASSERT_EQ(previews().size(), 2U);
    EXPECT_EQ(previewIn(previews()[1])->scans()[0].scan.title, "First");

    // Esc reaches the preview past the main window's key handling.
    for (const UINT message : {WM_KEYDOWN, WM_KEYUP}) {
        MSG key{second, message, VK_ESCAPE, 0, 0, {}};
        if (!form->translateKey(key)) {
            DispatchMessageW(&key);
        }
    }
    EXPECT_FALSE(IsWindow(second));
    EXPECT_EQ(previews().size(), 1U);
    EXPECT_TRUE(messages.empty());
    form.reset();
    EXPECT_TRUE(previews().empty());
}

// Lines selected with Shift open one preview of their scans, which the
// keys, the wheel and a drag zoom, and Ctrl+S saves.
TEST_F(WindowTest, PreviewOverlaysZoomsAndSaves) {
    ScratchDirectory dir;
    for (const wchar_t* name : {L"a.raw", L"b.raw", L"c.raw"}) {
        RigakuFields fields;
        fields.intensities.assign(1001, 10.0F);
        writeFile(dir.path() / name, rigakuBytes(fields));
    }
    choose(dir.path(), {L"a.raw", L"b.raw", L"c.raw"});
    click(Command2);
    const HWND list = control(List1);
    const auto clickLine = [&](WPARAM line, WPARAM keys) {
        RECT item{};
        SendMessageW(list, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM(item.left + 5, (item.top + item.bottom) / 2);
        SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
        SendMessageW(list, WM_LBUTTONUP, keys, at);
    };
    clickLine(0, 0);
    clickLine(2, MK_SHIFT);
    SetFocus(list);
    press(VK_RETURN);
    ASSERT_EQ(previews().size(), 1U);
    const HWND window = previews()[0];
    EXPECT_EQ(windowText(window), L"3 scans - Scanmill");
    const PreviewPlot& plot = *previewIn(window);
    EXPECT_EQ(plot.scans().size(), 3U);

    const auto key = [&](WPARAM code) {
        SendMessageW(window, WM_KEYDOWN, code, 0);
        UpdateWindow(window);
    };
    key('G');
    EXPECT_EQ(plot.view().scale, IntensityScale::Log);
    key('S');
    EXPECT_EQ(plot.view().scale, IntensityScale::SquareRoot);

    // Dragged across the middle half of the frame: 15° to 25°.
    UpdateWindow(window);
    const PlotRect frame = plot.frame();
    const auto at = [&](double part) {
        return MAKELPARAM(static_cast<int>(frame.left + part * frame.width),
                          static_cast<int>(frame.top + frame.height / 2));
    };
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at(0.25));
    SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, at(0.75));
    SendMessageW(window, WM_LBUTTONUP, 0, at(0.75));
    UpdateWindow(window);
    ASSERT_TRUE(plot.view().twoTheta);
    EXPECT_NEAR(plot.view().twoTheta->low, 15, 0.1);
    EXPECT_NEAR(plot.view().twoTheta->high, 25, 0.1);
    // The wheel turned away zooms in around the cursor, at the middle.
    POINT middle{GET_X_LPARAM(at(0.5)), GET_Y_LPARAM(at(0.5))};
    ClientToScreen(window, &middle);
    SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(middle.x, middle.y));
    UpdateWindow(window);
    EXPECT_NEAR(plot.view().twoTheta->low, 16, 0.1);
    EXPECT_NEAR(plot.view().twoTheta->high, 24, 0.1);
    key(VK_HOME);
    EXPECT_FALSE(plot.view().twoTheta);

    pictureAnswers = {(dir.path() / L"plot.png").wstring(), (dir.path() / L"plot.svg").wstring()};
    SendMessageW(window, WM_CHAR, 0x13, 0);
    SendMessageW(window, WM_CHAR, 0x13, 0);
    EXPECT_EQ(readFile(dir.path() / L"plot.png").substr(0, 4), "\x89PNG");
    EXPECT_EQ(readFile(dir.path() / L"plot.svg").substr(0, 5), "<?xml");
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowTest, ExitClosesTheWindowAndEndsTheLoop) {
    click(Command4);
    EXPECT_FALSE(form->handle());
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0U);
}

} // namespace
} // namespace scanmill::testing
