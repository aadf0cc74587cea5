# The Debian package, built by CPack from the install rules (scripts/package runs it):
# quorvix_VERSION_ARCH.deb, installed under /usr. Its dependencies come from the shared
# libraries the program links, through dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvix)
# All four parts of the version; CPack would otherwise leave out the fourth.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR Vostrane)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and analyser for large text logs")
# Lines of the long description, each shown indented by one space in the control file.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Quorvix opens several logs at once, each in a window of its own, and colours"
  "every line by the level it belongs to, as a small configuration file,"
  "quorvix.ini, defines the levels. Hide and show levels, find and bookmark"
  "lines, walk the bookmarks, collect the bookmarked lines in a side pane, run"
  "Analyze for the keywords of each level, edit, delete, copy and save lines."
  "Logs of gigabytes load fast and stay smooth."
)
set(QUORVIX_PACKAGE_MAINTAINER "Vostrane Quorvix team <quorvix@vostrane.example>"
  CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${QUORVIX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORVIX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The configuration for every user is a conffile: dpkg keeps the administrator's changes
# on upgrades (asking when the package's copy changed too), and on remove; purge deletes it.
# CPack does not mark files under /etc by itself.
file(WRITE ${PROJECT_BINARY_DIR}/debian/conffiles "${QUORVIX_SYSTEM_CONFIG}\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/conffiles)
# The control files get the modes dpkg expects (0644), not those of the build tree's copy.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
