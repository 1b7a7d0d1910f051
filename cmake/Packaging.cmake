# make package: a Debian package of the installed program, built by CPack.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quilvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quilvane developers")
set(CPACK_PACKAGE_CONTACT "The Quilvane developers <quilvane@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Chinese wizard that scrambles a text file in place and restores it")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Quilvane 2.0 is a one-window Simplified Chinese wizard: choose to scramble
or restore, type a five-digit password and open a text file; every character
moves two codes in code page 936 (GBK) and the file is rewritten in place.
.
This is a reversible scrambling against a casual glance, not encryption:
the password is not used by the transform, and anyone with the program can
reverse it.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quilvane_2.0_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/quilvane/quilvane)
# The libraries the program links (Qt 6, the C and C++ runtimes) come from
# dpkg-shlibdeps; what it loads at run time is named here: the X11 and
# Wayland platform plugins, Qt's Chinese texts for standard buttons and
# dialogs, and the CJK font the window prefers.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-arphic-uming")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
