// SPDX-License-Identifier: MIT
#pragma once

namespace scanmill::win32 {

// The window's controls by their short names, as child window ids: the order
// of the form's table, from 100 for its first control.
enum Control : int {
    Command1 = 100,
    Command2,
    Frame1,
    List1,
    Text1,
    Label1,
    Option1,
    Option2,
    Label3,
    Combo1,
    Frame2,
    Frame3,
    Label2,
    Frame4,
    Text2,
    Command3,
    Command4,
};

} // namespace scanmill::win32
