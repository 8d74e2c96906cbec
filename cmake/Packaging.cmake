# The packages, made by CPack from the install rules of the build folder:
#   Linux build:   a Debian package (programs in /usr/bin, the desktop entry and
#                  hicolor icons), its library dependencies found by dpkg-shlibdeps;
#   Windows build: an NSIS installer (64-bit Program Files folder, Start-menu
#                  entry, uninstaller with its Add/Remove Programs entry) and a
#                  ZIP of the same files.
# scripts/package runs CPack on both build folders.

# Only the install rules of the product's folders (component "programs") go in;
# those of the test and benchmark builds (GoogleTest built from source installs
# its headers and libraries) stay out.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};programs;/")

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Ferndusk Software")
# The one-line description is the desktop entry's comment.
file(STRINGS ${PROJECT_SOURCE_DIR}/res/quernfold.desktop quernfold_desktop_comment
     REGEX "^Comment=" LIMIT_COUNT 1)
string(REGEX REPLACE "^Comment=" "" CPACK_PACKAGE_DESCRIPTION_SUMMARY "${quernfold_desktop_comment}")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop program and a command-line splitter (quernfold-split) that cut \
uncompressed WAV recordings at the pauses between tracks, copying every sample \
exactly, plus make-recording, which writes demo recordings to try them on.")
# Who answers for the packages and where to read about them. The Debian package
# must name a maintainer; the Windows installer shows contacts only when real
# ones are given (-DQUERNFOLD_CONTACT=..., -DQUERNFOLD_HOMEPAGE=...).
set(QUERNFOLD_CONTACT "" CACHE STRING "Maintainer of the packages: name <e-mail>")
set(QUERNFOLD_HOMEPAGE "" CACHE STRING "Home page named by the packages")
if(QUERNFOLD_CONTACT)
    set(CPACK_PACKAGE_CONTACT "${QUERNFOLD_CONTACT}")
else()
    set(CPACK_PACKAGE_CONTACT "${CPACK_PACKAGE_VENDOR}")
endif()
# The release binaries go in without their debugging information.
set(CPACK_STRIP_FILES ON)

if(WIN32)
    set(CPACK_GENERATOR NSIS ZIP)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY ${CPACK_PACKAGE_NAME})
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    # A 64-bit installer: it sees the 64-bit Program Files folder and registry
    # as the programs do, and needs no 32-bit support (Wine here has none).
    set(CPACK_NSIS_DEFINES "Target amd64-unicode")
    set(CPACK_NSIS_PACKAGE_NAME ${CPACK_PACKAGE_NAME})
    set(CPACK_NSIS_DISPLAY_NAME ${CPACK_PACKAGE_NAME})
    # The installer's own key names the installation folder and the Add/Remove
    # Programs entry, and the uninstaller deletes it. Registry names ignore case,
    # so it must not be "quernfold": that is the key of the user's settings.
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "${CPACK_PACKAGE_NAME} Installation")
    include(${CMAKE_CURRENT_LIST_DIR}/NsisInstaller.cmake)
    set(CPACK_NSIS_INSTALLED_ICON_NAME "${CMAKE_INSTALL_BINDIR}\\\\quernfold.exe")
    set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/res/icons/quernfold.ico)
    set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/res/icons/quernfold.ico)
    set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
    # The licence grants rights and asks for nothing to be agreed: it is shipped
    # beside the programs, not shown as a page to accept.
    set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
    # Empty values are left out of the Add/Remove Programs entry.
    set(CPACK_NSIS_CONTACT "${QUERNFOLD_CONTACT}")
    set(CPACK_NSIS_URL_INFO_ABOUT "${QUERNFOLD_HOMEPAGE}")
    # PATH is left alone: the installer's editing of it gives up on a PATH of
    # 1024 characters or more (NSIS's string limit).
    set(CPACK_NSIS_MODIFY_PATH OFF)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
    set(CPACK_DEBIAN_PACKAGE_SECTION sound)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    if(QUERNFOLD_HOMEPAGE)
        set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUERNFOLD_HOMEPAGE}")
    endif()
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

# The README and the licence go with the programs in every package.
if(WIN32)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION . RENAME README.txt)
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
else()
    install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quernfold)
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quernfold
            RENAME copyright)
endif()

include(CPack)
