// SPDX-License-Identifier: MIT
// The form's table checked as it is compiled: every toolkit builds its
// controls from it, finding them by name, making them inside their frames
// and placing them in whole pixels.
#include "form.h"

#include <iterator>
#include <string_view>

namespace scanmill {
namespace {

constexpr bool namesAreUnique() {
    for (auto control = std::begin(formControls); control != std::end(formControls); ++control) {
        for (auto other = std::next(control); other != std::end(formControls); ++other) {
            if (std::string_view(control->name) == other->name) {
                return false;
            }
        }
    }
    return true;
}

// Twips that are no whole pixel round one way in one toolkit and the other
// way in another.
constexpr bool onWholePixels() {
    for (const FormControl& control : formControls) {
        for (const int twips : {control.left, control.top, control.width, control.height}) {
            if (twips % twipsPerPixel != 0) {
                return false;
            }
        }
    }
    return true;
}

// Every control has a text, if only an empty one: reading a null one here
// would not compile.
constexpr bool textsAreSet() {
    std::size_t characters = 0;
    for (const FormControl& control : formControls) {
        characters += std::string_view(control.text).size();
    }
    return characters > 0;
}

// A control outside its frame is cut off where the frame is its parent
// window, and shows whole where it is not.
constexpr bool insideTheirContainers() {
    constexpr FormRect client{0, 0, formWidth, formHeight};
    for (const FormControl& control : formControls) {
        if (control.container) {
            const FormControl& frame = formControl(control.container);
            if (frame.kind != ControlKind::Frame ||
                !holds({0, 0, frame.width, frame.height}, control.place())) {
                return false;
            }
        }
        if (!holds(client, placeInForm(control))) {
            return false;
        }
    }
    return true;
}

// The options form one group only where no other control comes between them
// in the tab order.
constexpr bool optionButtonsFollowEachOther() {
    int options = 0;
    int runs = 0;
    bool previousIsOption = false;
    for (const FormControl& control : formControls) {
        const bool isOption = control.kind == ControlKind::OptionButton;
        options += isOption ? 1 : 0;
        runs += isOption && !previousIsOption ? 1 : 0;
        previousIsOption = isOption;
    }
    return options == 2 && runs == 1;
}

static_assert(namesAreUnique());
static_assert(onWholePixels());
static_assert(textsAreSet());
static_assert(insideTheirContainers());
static_assert(optionButtonsFollowEachOther());

} // namespace
} // namespace scanmill
