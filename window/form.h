// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <iterator>
#include <string_view>

namespace scanmill {

// The window's form without a toolkit: each control's name, kind, place,
// texts and font. Every front end makes its own kind of control for each
// kind here and places it by these twips.

// The client area, in twips; at 96 dpi a pixel is 15 twips.
inline constexpr int formWidth = 10845;
inline constexpr int formHeight = 6630;
inline constexpr int twipsPerPixel = 15;

inline constexpr char noInputText[] = "Browse to files . . .";      // Text1 at start
inline constexpr char noOutputText[] = "Browse to directory . . ."; // Text2 until it has one

enum class ControlKind { Label, Frame, TextBox, Button, OptionButton, ListBox, DropDownList };

// The system's dialog font, or Trebuchet MS; where that is missing each
// toolkit finds the nearest sans serif.
enum class Typeface { Dialog, Trebuchet };
inline constexpr char trebuchetFamily[] = "Trebuchet MS";

struct FormFont {
    Typeface face;
    double points;
    bool bold = false;

    friend constexpr bool operator==(const FormFont&, const FormFont&) = default;
};

// The controls' places were measured with the dialog font at 8 pt; larger
// fonts would cut their texts off.
inline constexpr FormFont dialogFont{Typeface::Dialog, 8};
inline constexpr FormFont titleFont{Typeface::Trebuchet, 24};
inline constexpr FormFont subtitleFont{Typeface::Trebuchet, 9.75};
inline constexpr FormFont convertFont{Typeface::Trebuchet, 12, true};

struct FormRect {
    int left, top, width, height;
};

struct FormControl {
    const char* name;
    ControlKind kind;
    // The frame that holds it; nullptr for the window, also for a control
    // the window holds over a frame, drawn above it.
    const char* container;
    int left, top, width, height; // twips, within the container
    const char* text;
    FormFont font = dialogFont;
    const char* toolTip = nullptr;

    constexpr FormRect place() const { return {left, top, width, height}; }
};

// In the tab order. The option buttons follow each other: they form one group.
inline constexpr FormControl formControls[] = {
    {"Command1", ControlKind::Button, nullptr, 9120, 1560, 855, 495, "Browse"},
    {"Command2", ControlKind::Button, nullptr, 480, 5520, 1335, 615, "Convert", convertFont,
     "Click to begin conversion"},
    {"Frame1", ControlKind::Frame, nullptr, 480, 1200, 9975, 1095, "Rigaku Input file(s)"},
    {"List1", ControlKind::ListBox, nullptr, 3840, 4080, 6615, 2205, "", dialogFont,
     "Double-click a line to see its scan"},
    {"Text1", ControlKind::TextBox, "Frame1", 360, 360, 8055, 495, noInputText},
    {"Label1", ControlKind::Label, nullptr, 240, 0, 2175, 735, "Scanmill", titleFont},
    {"Option1", ControlKind::OptionButton, nullptr, 720, 4080, 1575, 375, "2-column ASCII"},
    {"Option2", ControlKind::OptionButton, nullptr, 720, 4560, 2175, 375,
     "Bruker-AXS Diffrac Plus"},
    // The tube whose wavelengths the Bruker files record, in the format
    // frame's room below Option2; its choices are the anodes, Cu first, and
    // its text is what screen readers call it.
    {"Label3", ControlKind::Label, nullptr, 720, 4995, 420, 255, "Tube"},
    {"Combo1", ControlKind::DropDownList, nullptr, 1200, 4950, 960, 315, "Tube"},
    {"Frame2", ControlKind::Frame, nullptr, 480, 3720, 2655, 1575, "Convert to which format . . .",
     dialogFont, "Select desired output format"},
    {"Frame3", ControlKind::Frame, nullptr, 3600, 3720, 7095, 2775, "Status window"},
    {"Label2", ControlKind::Label, nullptr, 240, 600, 5775, 255,
     "Rigaku D/Max-B x-ray data file format conversion program", subtitleFont},
    {"Frame4", ControlKind::Frame, nullptr, 480, 2400, 9975, 1095, "Output directory"},
    {"Text2", ControlKind::TextBox, "Frame4", 360, 360, 8055, 525, noOutputText},
    {"Command3", ControlKind::Button, "Frame4", 8640, 360, 855, 495, "Browse"},
    {"Command4", ControlKind::Button, nullptr, 2280, 5760, 855, 375, "Exit", dialogFont,
     "Close program"},
};

constexpr bool holds(const FormRect& outer, const FormRect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top &&
           inner.left + inner.width <= outer.left + outer.width &&
           inner.top + inner.height <= outer.top + outer.height;
}

// The control of this name, which must be in the table.
constexpr const FormControl& formControl(std::string_view name) {
    return *std::find_if(std::begin(formControls), std::end(formControls),
                         [name](const FormControl& control) { return control.name == name; });
}

// The control's place in the window's client area, in twips.
constexpr FormRect placeInForm(const FormControl& control) {
    FormRect place = control.place();
    if (control.container) {
        const FormRect container = placeInForm(formControl(control.container));
        place.left += container.left;
        place.top += container.top;
    }
    return place;
}

} // namespace scanmill
