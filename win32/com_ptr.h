// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <unknwn.h>

namespace scanmill::win32 {

// A COM object held once it is made, released when done.
struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface> using ComPtr = std::unique_ptr<Interface, ComRelease>;

} // namespace scanmill::win32
