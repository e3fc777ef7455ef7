# SPDX-License-Identifier: MIT
# The Windows build ships the command line alone: a ZIP holding
# scanmill-convert.exe, which needs no DLLs, a README and the licence.
set(component convert)

if(TARGET scanmill-convert)
    install(TARGETS scanmill-convert RUNTIME DESTINATION . COMPONENT ${component})
endif()
install(FILES README-windows.txt DESTINATION . RENAME README.txt COMPONENT ${component})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt
    COMPONENT ${component})

set(CPACK_PACKAGE_NAME scanmill-convert)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};${component};/")
set(CPACK_STRIP_FILES ON)
include(CPack)
