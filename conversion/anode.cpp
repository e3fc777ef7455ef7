// SPDX-License-Identifier: MIT
#include "anode.h"

#include "names.h"
#include "print_number.h"

#include <algorithm>
#include <array>

namespace scanmill {
namespace {

struct Tube {
    Anode anode;
    std::string_view name;
    Wavelengths wavelengths;
};

// J. A. Bearden, "X-ray wavelengths", Rev. Mod. Phys. 39, 78 (1967), in
// angstrom.
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

} // namespace

Wavelengths wavelengthsOf(Anode anode) {
    return tubeOf(anode).wavelengths;
}

std::string_view anodeName(Anode anode) {
    return tubeOf(anode).name;
}

std::string tubeText(Anode anode) {
    const Tube& tube = tubeOf(anode);
    return std::string(tube.name) + " Ka1 " + shortestText(tube.wavelengths.alpha1) + " Ka2 " +
           shortestText(tube.wavelengths.alpha2) + " angstrom";
}

std::optional<Anode> anodeNamed(std::string_view name) {
    for (const Tube& tube : tubes) {
        if (equalIgnoringAsciiCase(tube.name, name)) {
            return tube.anode;
        }
    }
    return std::nullopt;
}

} // namespace scanmill
