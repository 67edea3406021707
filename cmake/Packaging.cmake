# The Debian package: `cpack -G DEB` from a build tree (scripts/package wraps it). Everything in
# it comes from the install rules; library dependencies come from dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quintara)
set(CPACK_PACKAGE_VENDOR "Quintara")
set(CPACK_PACKAGE_CONTACT "Quintara <hello@quintara.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live video wallpapers for the Linux desktop")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Quintara plays looping, muted video wallpapers behind the desktop icons on"
  "every display, one per display or one spanning all of them, and pauses"
  "whenever nobody gains from playing: when you pause it, when the displays"
  "sleep, on battery, in power-saver mode, while the machine runs hot, and for"
  "each display whose desktop is covered. It keeps a tagged, searchable library"
  "folder, installs free videos from an online gallery, and shows a pill at the"
  "top of the screen with music, coding-agent and chat activity.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUINTARA_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# What the linker cannot see: Qt Quick's own QML modules and the X11 platform plugin, which the
# program loads at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qml6-module-qtquick, qml6-module-qtquick-controls, qml6-module-qtquick-templates, \
qml6-module-qtquick-layouts, qml6-module-qtquick-window, qml6-module-qtqml-workerscript, \
qml6-module-qtquick-shapes, qml6-module-qtqml, qt6-qpa-plugins")
include(CPack)
