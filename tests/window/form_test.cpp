// SPDX-License-Identifier: MIT
// The form's table, as every toolkit builds it: controls found by name, made
// inside their frames and placed in whole pixels.
#include "form.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <string>
#include <string_view>

using namespace scanmill;

namespace {

const FormControl* find(std::string_view name) {
    const auto found =
        std::find_if(std::begin(formControls), std::end(formControls),
                     [name](const FormControl& control) { return control.name == name; });
    return found == std::end(formControls) ? nullptr : &*found;
}

// A control outside its frame is cut off where the frame is its parent
// window, and shows whole where it is not. Twips that are no whole pixel
// round one way in one toolkit and the other way in another.
TEST(FormTest, EachControlHasOneNameAndLiesInItsContainerOnWholePixels) {
    const FormRect client{0, 0, formWidth, formHeight};
    std::set<std::string> names;
    for (const FormControl& control : formControls) {
        SCOPED_TRACE(control.name);
        EXPECT_TRUE(names.insert(control.name).second);
        ASSERT_NE(control.text, nullptr);
        for (const int twips : {control.left, control.top, control.width, control.height})
            EXPECT_EQ(twips % twipsPerPixel, 0) << twips;
        if (control.container) {
            const FormControl* frame = find(control.container);
            ASSERT_NE(frame, nullptr);
            EXPECT_EQ(frame->kind, ControlKind::Frame);
            EXPECT_TRUE(holds({0, 0, frame->width, frame->height}, control.place()));
        }
        EXPECT_TRUE(holds(client, placeInForm(control)));
    }
}

// The options form one group only where no other control comes between them
// in the tab order.
TEST(FormTest, OptionButtonsFollowEachOther) {
    const auto isOption = [](const FormControl& control) {
        return control.kind == ControlKind::OptionButton;
    };
    const auto first = std::find_if(std::begin(formControls), std::end(formControls), isOption);
    const auto last = std::find_if_not(first, std::end(formControls), isOption);
    EXPECT_EQ(std::distance(first, last), 2);
    EXPECT_EQ(std::find_if(last, std::end(formControls), isOption), std::end(formControls));
}

} // namespace
