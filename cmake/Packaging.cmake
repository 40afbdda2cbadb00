# The Debian packages, made by scripts/package with CPack: `sweepora` (the application, the
# command line, their menu entry, icons, man pages and completions) and `sweepora-service` (the
# rule service and its systemd unit), which only the operator of a service installs. Depends
# comes from dpkg-shlibdeps, not from a list kept by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sweepora)
set(CPACK_PACKAGE_VENDOR Sweepora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Sweepora developers <dev@sweepora.app>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL app service)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE sweepora)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://sweepora.app)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_APP_PACKAGE_NAME sweepora)
set(CPACK_DEBIAN_APP_PACKAGE_SECTION utils)
# The GUI loads its windowing plugin and draws Chinese text: neither is a linked library.
set(CPACK_DEBIAN_APP_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_APP_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_APP_DESCRIPTION "disk cleaner for one home folder
Sweepora finds what takes space in a home folder: caches, logs, old archives
and installers, large files, empty folders and what applications leave behind.
It shows them with their sizes and moves only what the user ticks to the Trash;
it never deletes a file outright. The package holds the application (its
interface is in Chinese) and sweepora-cli, the same scans from a terminal.")

set(CPACK_DEBIAN_SERVICE_PACKAGE_NAME sweepora-service)
set(CPACK_DEBIAN_SERVICE_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVICE_DESCRIPTION "rule service for Sweepora's online features
sweepora-service serves the cloud rule list, the rule workshop, the version
check and sign-in codes that the Sweepora application uses, from one SQLite
database. It comes with a sandboxed systemd unit, which is not enabled.")
configure_file(${CMAKE_SOURCE_DIR}/data/debian/service.conffiles ${CMAKE_BINARY_DIR}/debian-service/conffiles COPYONLY)
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian-service/conffiles)

set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
include(CPack)
