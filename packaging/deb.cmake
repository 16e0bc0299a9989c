# The Debian package, built by `make package` (cpack -G DEB) from the install rules:
# varnolt_<version>_<arch>.deb, its library dependencies computed by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnolt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Varnolt developers <varnolt@quorvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "watch web pages and see which of them have changed")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.quorvane.example/")
set(CPACK_PACKAGE_DESCRIPTION "Varnolt keeps a list of web pages and a copy of each. Add a page by its
address; press Start later, and every page is fetched again and compared
with its copy, without regard to letter case. One line per page tells
whether it changed, stayed the same or could not be fetched.

The window starts in the Varnolt folder, ~/.local/share/varnolt. The
varnolt-cli command checks the same pages from a terminal, and a systemd
user timer can run it every hour (while the user is logged in, or always
after 'loginctl enable-linger').")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window is laid out in DejaVu Sans Condensed; https pages are verified against the system's
# certificates; double-clicked addresses open through the desktop's opener. varnolt-cli loads
# libsystemd only to show a notification, so no library dependency names it; that notification,
# from the hourly timer, needs a session bus in the user manager (dbus-user-session).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-dejavu-extra, libsystemd0")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates, xdg-utils, dbus-user-session")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
