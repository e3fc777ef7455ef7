// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <objbase.h>

int main(int argc, char** argv) {
    // As the program does: the folder chooser is a COM object.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
