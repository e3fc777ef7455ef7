// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scanmill {

// The anode of the diffractometer's tube, which sets the wavelengths that
// the Bruker header and the .xye comment record.
enum class Anode { Cu, Co, Cr, Fe, Mo, Ag };

// Every anode, in the order choices list them; the first is the default.
inline constexpr Anode anodes[] = {Anode::Cu, Anode::Co, Anode::Cr,
                                   Anode::Fe, Anode::Mo, Anode::Ag};

// K-alpha1 and K-alpha2 of an anode, in angstrom.
struct Wavelengths {
    double alpha1;
    double alpha2;
};

Wavelengths wavelengthsOf(Anode anode);

// "Cu", "Co", ...: the element's symbol.
std::string_view anodeName(Anode anode);

// The tube as the text files' comments name it: "Cu Ka1 1.5406 Ka2 1.54442
// angstrom", each wavelength in its shortest form that reads back the same.
std::string tubeText(Anode anode);

// The anode of a symbol, case ignored ("mo" too); none for anything else.
std::optional<Anode> anodeNamed(std::string_view name);

} // namespace scanmill
