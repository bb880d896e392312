# The Debian package (`cpack -G DEB` in the build folder): the program
# installed with the system's programs. Its files form the "system"
# component, which a plain `cmake --install` leaves out: that one still makes
# the portable folder.
set(system COMPONENT system EXCLUDE_FROM_ALL)
install(TARGETS quelvane RUNTIME DESTINATION bin ${system})
install(FILES dist/quelvane.desktop DESTINATION share/applications ${system})
install(FILES forms/icons/quelvane.svg DESTINATION share/icons/hicolor/scalable/apps ${system})
# Debian 12 still ships its units in /lib.
install(FILES dist/quelvane.service dist/quelvane@.service DESTINATION /lib/systemd/system ${system})
install(FILES dist/grafana/quelvane.json DESTINATION share/quelvane/grafana ${system})
install(FILES dist/prometheus/quelvane-rules.yml dist/prometheus/quelvane-rules.test.yml
        DESTINATION share/quelvane/prometheus ${system})
install(FILES README.md dist/copyright DESTINATION share/doc/quelvane ${system})
install(DIRECTORY docs/screenshots DESTINATION share/doc/quelvane/docs ${system})

# Debian wants a compressed changelog, compressed without a time stamp.
string(TIMESTAMP changed "%a, %d %b %Y %H:%M:%S +0000" UTC)
# "3.00 beta 1" is 3.00~beta1: Debian sorts a "~" part before the release.
string(REGEX REPLACE " beta " "~beta" debianVersion "${QUELVANE_RELEASE}")
file(WRITE "${CMAKE_BINARY_DIR}/package/changelog"
     "quelvane (${debianVersion}) unstable; urgency=medium\n\n"
     "  * Built from the project's repository.\n\n"
     " -- Quelvane maintainers <maintainers@users.noreply.c-seed-ed0ad52c.example>  ${changed}\n")
add_custom_command(OUTPUT "${CMAKE_BINARY_DIR}/package/changelog.gz"
                   COMMAND gzip -9nkf "${CMAKE_BINARY_DIR}/package/changelog"
                   DEPENDS "${CMAKE_BINARY_DIR}/package/changelog" VERBATIM)
add_custom_target(package-changelog ALL DEPENDS "${CMAKE_BINARY_DIR}/package/changelog.gz")
install(FILES "${CMAKE_BINARY_DIR}/package/changelog.gz" DESTINATION share/doc/quelvane ${system})

# The manual page, made from the program's own --help (French, in UTF-8).
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(manual "${CMAKE_BINARY_DIR}/package/quelvane.1")
  add_custom_command(OUTPUT "${manual}.gz"
                     COMMAND "${HELP2MAN}" -L C.UTF-8 --no-info "--name=suivi de la ligne DSL d'une Livebox"
                             "--version-string=quelvane ${debianVersion}" -o "${manual}" $<TARGET_FILE:quelvane>
                     COMMAND gzip -9nf "${manual}"
                     DEPENDS quelvane VERBATIM)
  add_custom_target(package-manual ALL DEPENDS "${manual}.gz")
  install(FILES "${manual}.gz" DESTINATION share/man/man1 ${system})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quelvane)
set(CPACK_PACKAGE_VERSION "${debianVersion}")
set(CPACK_PACKAGE_CONTACT "Quelvane maintainers <maintainers@users.noreply.c-seed-ed0ad52c.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL system)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DSL line monitor for Livebox gateways")
set(CPACK_PACKAGE_DESCRIPTION
    "Quelvane logs in to the local service of a Livebox gateway, polls it,\n"
    "shows rates, noise margins, attenuations and error counters, records one\n"
    "row per poll, logs resynchronisations and restarts, draws charts and PDF\n"
    "reports, raises alerts and serves Prometheus metrics. It runs on the\n"
    "desktop or headless as a service (quelvane.service, quelvane@.service).")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
# The libraries it links, as dpkg-shlibdeps finds them; then what Qt loads
# at run time, which no link shows: the SVG image plugin (the icons), the
# image formats of the exports beyond PNG and JPEG, and Qt's French.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt5svg5, qt5-image-formats-plugins, qttranslations5-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
