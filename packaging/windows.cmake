# SPDX-License-Identifier: MIT
# The Windows build ships a ZIP: the window scanmill.exe and the command line
# scanmill-convert.exe, which need no DLLs beyond Windows' own, a README and
# the licence.
set(component windows)

foreach(program scanmill scanmill-convert)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION . COMPONENT ${component})
    endif()
endforeach()
install(FILES README-windows.txt DESTINATION . RENAME README.txt COMPONENT ${component})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt
    COMPONENT ${component})

set(CPACK_PACKAGE_NAME scanmill)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};${component};/")
set(CPACK_STRIP_FILES ON)
include(CPack)
