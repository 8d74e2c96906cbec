# The Windows installer's own behaviour, on top of CPack's NSIS template
# (included by Packaging.cmake in the Windows build).

# The Start-menu entry starts the desktop program in the user's Music folder:
# a standard user can write there, and the pickers and relative paths begin
# there rather than in the read-only installation folder. The variable is
# expanded when the entry is opened, for whichever user opens it.
set(quernfold_shortcut "$SMPROGRAMS\\$STARTMENU_FOLDER\\${CPACK_PACKAGE_NAME}.lnk")
set(quernfold_exe "$INSTDIR\\${CMAKE_INSTALL_BINDIR}\\quernfold.exe")
set(CPACK_NSIS_CREATE_ICONS_EXTRA "
  StrCpy $OUTDIR '%USERPROFILE%\\Music'
  CreateShortCut '${quernfold_shortcut}' '${quernfold_exe}'
  ExpandEnvStrings $OUTDIR '%USERPROFILE%\\Music'
  IfFileExists '$OUTDIR\\*.*' +2
    StrCpy $OUTDIR '$PROFILE'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "
  Delete '$SMPROGRAMS\\$MUI_TEMP\\${CPACK_PACKAGE_NAME}.lnk'")

# "Run Quernfold" on the finish page, in the Music folder too (the profile
# folder where there is none).
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ${CMAKE_INSTALL_BINDIR})
set(CPACK_NSIS_MUI_FINISHPAGE_RUN quernfold.exe)

# After installing: the Add/Remove Programs flags as the DWORDs Windows reads,
# and an "Open with" entry for WAV files that takes no default from any other
# program (a ProgID listed among the type's candidates, not made its default).
set(quernfold_uninstall_key
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${CPACK_PACKAGE_INSTALL_REGISTRY_KEY}")
set(quernfold_progid "Quernfold.wav")
set(quernfold_classes "Software\\Classes")
# Written to a file of its own: the command's quotes would not survive the trip
# through CPack's configuration.
file(WRITE ${CMAKE_BINARY_DIR}/nsis/install-extra.nsh "
  WriteRegDWORD SHCTX '${quernfold_uninstall_key}' 'NoModify' 1
  WriteRegDWORD SHCTX '${quernfold_uninstall_key}' 'NoRepair' 1
  WriteRegStr SHCTX '${quernfold_classes}\\${quernfold_progid}' '' 'WAV recording'
  WriteRegStr SHCTX '${quernfold_classes}\\${quernfold_progid}\\DefaultIcon' '' '${quernfold_exe},0'
  WriteRegStr SHCTX '${quernfold_classes}\\${quernfold_progid}\\shell\\open' 'FriendlyAppName' '${CPACK_PACKAGE_NAME}'
  WriteRegStr SHCTX '${quernfold_classes}\\${quernfold_progid}\\shell\\open\\command' '' '\"${quernfold_exe}\" \"%1\"'
  WriteRegStr SHCTX '${quernfold_classes}\\.wav\\OpenWithProgids' '${quernfold_progid}' ''
  WriteRegStr SHCTX '${quernfold_classes}\\Applications\\quernfold.exe\\SupportedTypes' '.wav' ''
  WriteRegStr SHCTX '${quernfold_classes}\\Applications\\quernfold.exe\\shell\\open\\command' '' '\"${quernfold_exe}\" \"%1\"'")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!include '${CMAKE_BINARY_DIR}/nsis/install-extra.nsh'")

# Uninstalling removes the "Open with" entry and the installer's key, and the
# vendor's key too once nothing else is in it (the user's own settings, under
# HKEY_CURRENT_USER, stay).
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  DeleteRegValue SHCTX '${quernfold_classes}\\.wav\\OpenWithProgids' '${quernfold_progid}'
  DeleteRegKey /ifempty SHCTX '${quernfold_classes}\\.wav\\OpenWithProgids'
  DeleteRegKey /ifempty SHCTX '${quernfold_classes}\\.wav'
  DeleteRegKey SHCTX '${quernfold_classes}\\${quernfold_progid}'
  DeleteRegKey SHCTX '${quernfold_classes}\\Applications\\quernfold.exe'
  DeleteRegKey SHCTX 'Software\\${CPACK_PACKAGE_VENDOR}\\${CPACK_PACKAGE_INSTALL_REGISTRY_KEY}'
  DeleteRegKey /ifempty SHCTX 'Software\\${CPACK_PACKAGE_VENDOR}'")

# A new installation first removes the old one, wherever it was. CPack's
# template runs the old uninstaller in place, which cannot delete itself: the
# installer then removes the old uninstaller and its folder, once empty. The
# template is CMake's own, with that step added.
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(quernfold_nsis_template ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in)
file(READ ${quernfold_nsis_template} quernfold_template)
set(quernfold_uninstall_step "  IfErrors uninst_failed inst\n")
string(FIND "${quernfold_template}" "${quernfold_uninstall_step}" quernfold_step_at)
if(quernfold_step_at EQUAL -1)
    message(FATAL_ERROR "${quernfold_nsis_template}: the step that runs the old uninstaller "
                        "is not where it was; the reinstall clean-up needs updating")
endif()
string(REPLACE "${quernfold_uninstall_step}" "  IfErrors uninst_failed
  Delete \"$0\"
  RMDir \"$3\"
  ClearErrors
  Goto inst
" quernfold_template "${quernfold_template}")
file(WRITE ${CMAKE_BINARY_DIR}/nsis/NSIS.template.in "${quernfold_template}")
set(CPACK_MODULE_PATH ${CMAKE_BINARY_DIR}/nsis)
