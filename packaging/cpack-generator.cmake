# SPDX-License-Identifier: MIT
# Read by CPack for each package it makes: the installer is named as Windows
# users look for a setup program; the ZIP keeps its name.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-setup")
endif()
