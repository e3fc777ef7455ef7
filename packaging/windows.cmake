# SPDX-License-Identifier: MIT
# The Windows build ships a ZIP and an installer (cpack -G NSIS): the window
# scanmill.exe and the command line scanmill-convert.exe, which need no DLLs
# beyond Windows' own, a README and the licence.
set(component windows)

foreach(program scanmill scanmill-convert)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION . COMPONENT ${component})
    endif()
endforeach()
# CRLF, or older Notepad shows one long line.
configure_file(README-windows.txt README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION . COMPONENT ${component})
configure_file(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt DESTINATION . COMPONENT ${component})

set(CPACK_PACKAGE_NAME scanmill)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Scanmill)
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};${component};/")
set(CPACK_STRIP_FILES ON)
# The NSIS lines below reach CPack as written, quotes and backslashes too.
set(CPACK_VERBATIM_VARIABLES ON)
# Names the installer scanmill-1.0-setup.exe and leaves the ZIP's name alone.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/cpack-generator.cmake)

# The installer: 64-bit, as the programs are (a 32-bit one would install them
# under Program Files (x86)), into C:\Program Files\Scanmill, for all users.
# CPack splits its makensis command at blanks unless escaped.
set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS [[-XTarget\ amd64-unicode]])
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Scanmill)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Scanmill)
set(CPACK_NSIS_PACKAGE_NAME Scanmill)
set(CPACK_NSIS_DISPLAY_NAME Scanmill)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/win32/scanmill.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/win32/scanmill.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME scanmill.exe)
# The installer says which version it installs, shows the licence it comes
# under, offers to start the window at its end, and names itself.
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt)
set(CPACK_NSIS_WELCOME_TITLE "Welcome to Scanmill ${PROJECT_VERSION} Setup")
# As BrandingText itself: CPack's own setting adds /TRIMLEFT, which
# makensis takes only on Windows.
set(CPACK_NSIS_BRANDING_TEXT_CODE "BrandingText \"Scanmill ${PROJECT_VERSION}\"")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .) # the programs lie in the install folder itself
set(CPACK_NSIS_MUI_FINISHPAGE_RUN scanmill.exe)
# The last page also offers a desktop shortcut, not made unless asked for
# (nor in a silent install); the uninstaller removes it with the others.
set(CPACK_NSIS_DEFINES [[
  !define MUI_FINISHPAGE_SHOWREADME ""
  !define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
  !define MUI_FINISHPAGE_SHOWREADME_TEXT "Put a Scanmill shortcut on the desktop"
  !define MUI_FINISHPAGE_SHOWREADME_FUNCTION scanmillDesktopShortcut
  Function scanmillDesktopShortcut
    CreateShortCut "$DESKTOP\Scanmill.lnk" "$INSTDIR\scanmill.exe"
  FunctionEnd
]])
# The system PATH is left alone (NSIS would cut a long one short): the
# command prompt shortcut puts the install folder on its own PATH, starts
# in the user's folder, where the scans are rather than under Program Files,
# and says how to begin.
set(CPACK_NSIS_CREATE_ICONS_EXTRA [[
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Scanmill.lnk" "$INSTDIR\scanmill.exe"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Scanmill command prompt.lnk" "$SYSDIR\cmd.exe" \
    '/k "title Scanmill command prompt & set "PATH=$INSTDIR;%PATH%" & cd /d "%USERPROFILE%" & echo Type scanmill-convert /? to see how to use it."' \
    "$INSTDIR\scanmill-convert.exe"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Scanmill README.lnk" "$INSTDIR\README.txt"
]])
# These lines run after the install folder's key is gone: the vendor's key
# above it, which CPack's uninstaller leaves behind, goes with them.
set(CPACK_NSIS_DELETE_ICONS_EXTRA [[
  Delete "$SMPROGRAMS\$MUI_TEMP\Scanmill.lnk"
  Delete "$SMPROGRAMS\$MUI_TEMP\Scanmill command prompt.lnk"
  Delete "$SMPROGRAMS\$MUI_TEMP\Scanmill README.lnk"
  Delete "$DESKTOP\Scanmill.lnk"
  DeleteRegKey /ifempty SHCTX "Software\Scanmill"
]])
# Neither the installer nor the uninstaller touches the files of a Scanmill
# that runs (its programs hold the mutex Scanmill.Running): they ask to
# close it, with Retry and Cancel, and silently (/S) they stop, changing
# nothing, with a non-zero exit code. The uninstaller would otherwise say it
# completed and leave the running program behind.
set(scanmillRunningCheck [[
  scanmill_running:
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Scanmill.Running") p .r0'
  StrCmp $0 0 scanmill_closed
  System::Call 'kernel32::CloseHandle(p r0)'
  IfSilent scanmill_stop
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Scanmill is running. Close it, then press Retry." IDRETRY scanmill_running
  scanmill_stop:
  SetErrorLevel 3
  Quit
  scanmill_closed:
]])
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS ${scanmillRunningCheck})
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS ${scanmillRunningCheck})
# Apps and Features shows the size only when the installer writes it; the
# programs and files are the one section's.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [[
  SectionGetSize 0 $0
  WriteRegDWORD SHCTX "Software\Microsoft\Windows\CurrentVersion\Uninstall\Scanmill" "EstimatedSize" $0
]])
include(CPack)
