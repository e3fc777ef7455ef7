// SPDX-License-Identifier: MIT
#include "scan_preview.h"

namespace scanmill {

std::vector<std::string> ScanPreview::notes() const {
    if (changed) {
        return {changedSinceConversionText};
    }
    return {};
}

} // namespace scanmill
