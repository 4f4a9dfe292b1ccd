# The Debian package, made by CPack from the installed layout (tools/package-deb): its
# dependencies are computed from the program by dpkg-shlibdeps, never listed by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME blastover)
set(CPACK_PACKAGE_VENDOR "The Blastover developers")
set(CPACK_PACKAGE_CONTACT "The Blastover developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arcade shooter played over your own desktop")
set(CPACK_PACKAGE_DESCRIPTION "Blastover covers the screen with one window whose black pixels are see-through
and let clicks pass, so only its sprites show over the desktop. Attackers from
thirteen arcade-themed levels chase the mouse pointer, which is the gun; the
left button fires a growing flash. Between games a star-field menu shows the
high-score table, which is kept in the player's own data folder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The menu's HOMEPAGE opens the page through the desktop's opener; the game plays without it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xdg-utils)
# blastover_VERSION_ARCH.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
include(CPack)
