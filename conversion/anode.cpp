// SPDX-License-Identifier: MIT
#include "anode.h"

#include <algorithm>
#include <array>

namespace scanmill {
namespace {

struct Tube {
    Anode anode;
    std::string_view name;
    Wavelengths wavelengths;
};

// International Tables for Crystallography, Vol. C (2004), Table 4.2.2.1.
// Copper keeps 1.5406 and 1.54442, the values every copper file has been
// written with, so that those files stay as they were.
constexpr std::array<Tube, 6> tubes = {{
    {Anode::Cu, "Cu", {1.5406, 1.54442}},
    {Anode::Co, "Co", {1.788965, 1.792850}},
    {Anode::Cr, "Cr", {2.289700, 2.293606}},
    {Anode::Fe, "Fe", {1.936042, 1.939980}},
    {Anode::Mo, "Mo", {0.709300, 0.713590}},
    {Anode::Ag, "Ag", {0.5594075, 0.563798}},
}};

const Tube& tubeOf(Anode anode) {
    return *std::find_if(tubes.begin(), tubes.end(),
                         [anode](const Tube& tube) { return tube.anode == anode; });
}

// ASCII only: the user's locale must not change which names match.
char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

Wavelengths wavelengthsOf(Anode anode) {
    return tubeOf(anode).wavelengths;
}

std::string_view anodeName(Anode anode) {
    return tubeOf(anode).name;
}

std::optional<Anode> anodeNamed(std::string_view name) {
    for (const Tube& tube : tubes) {
        if (std::equal(tube.name.begin(), tube.name.end(), name.begin(), name.end(),
                       [](char a, char b) { return asciiLower(a) == asciiLower(b); })) {
            return tube.anode;
        }
    }
    return std::nullopt;
}

} // namespace scanmill
